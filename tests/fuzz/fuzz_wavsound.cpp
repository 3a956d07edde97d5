// libFuzzer target: any bytes as a custom sound file (users pick any file). The reader
// either refuses it or gives whole frames of a supported encoding.

#include "monitor/wavsound.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<WavSound> sound = WavSound::parse(file);
    if (!sound)
        return 0;
    if (sound->channels < 1 || sound->sampleRate < 1 || sound->bytesPerFrame() < 1 ||
        sound->data.size() % sound->bytesPerFrame() != 0 || sound->data.size() > file.size())
        std::abort(); // a finding
    static_cast<void>(sound->seconds());
    return 0;
}

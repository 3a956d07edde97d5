// libFuzzer target: any bytes as a custom sound file (users pick any file). The reader
// either refuses it or gives whole frames of a supported encoding, which the alarm's
// volume scales.

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
    // A quieter alarm scales every sample in place: the same size, nothing read beyond.
    WavSound quieter = *sound;
    quieter.scaleVolume(0.3);
    if (quieter.data.size() != sound->data.size())
        std::abort();
    return 0;
}

// libFuzzer target: any bytes as settings.ini. Reading them the lenient way, writing the
// document and reading that back must give the same document again, and a second write
// must give the very same bytes.

#include "base/inidocument.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>

namespace {
bool sameDocument(const IniDocument &a, const IniDocument &b)
{
    if (a.sections().size() != b.sections().size())
        return false;
    for (qsizetype i = 0; i < a.sections().size(); ++i) {
        if (a.sections()[i].name != b.sections()[i].name ||
            a.sections()[i].values != b.sections()[i].values)
            return false;
    }
    return true;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const IniDocument first = IniDocument::parse(decode(bytes));
    const QByteArray written = first.serialize();
    const IniDocument second = IniDocument::parse(decode(written));
    if (!sameDocument(first, second) || second.serialize() != written)
        std::abort(); // a finding: what we write does not read back as what we read
    for (const IniDocument::Section &section : first.sections()) {
        for (const auto &value : section.values) {
            if (!first.contains(section.name, value.first))
                std::abort();
        }
    }
    return 0;
}

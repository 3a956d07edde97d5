// libFuzzer target: any bytes as the fields of a form post, UTF-8, one field after each
// NUL byte. Decoding the encoded form as application/x-www-form-urlencoded must give back
// every field's name and value: the name up to its first "=", the value after it.

#include "update/postform.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One name or value: "+" is a blank, "%XY" a byte; anything else that a form must
// escape makes the text undecodable.
std::optional<QString> decodeComponent(QByteArrayView text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes += static_cast<char>(high << 4 | low);
            i += 2;
        } else if (c == '&' || c == '=' || c == ' ' || static_cast<unsigned char>(c) >= 0x80 ||
                   static_cast<unsigned char>(c) < 0x20) {
            return std::nullopt; // must have been escaped
        } else {
            bytes += c;
        }
    }
    return QString::fromUtf8(bytes);
}

using Pair = std::pair<QString, QString>;

std::optional<QList<Pair>> decodeForm(const QByteArray &form)
{
    QList<Pair> pairs;
    if (form.isEmpty())
        return pairs;
    for (const QByteArray &pair : form.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            return std::nullopt; // every pair of ours has its "="
        const auto name = decodeComponent(QByteArrayView(pair).first(equals));
        const auto value = decodeComponent(QByteArrayView(pair).sliced(equals + 1));
        if (!name || !value)
            return std::nullopt;
        pairs.append({*name, *value});
    }
    return pairs;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList fields;
    QList<Pair> expected;
    for (const QByteArray &part : bytes.split('\0')) {
        // Text as it leaves the program: a QString that is valid UTF-16.
        const QString field = QString::fromUtf8(part);
        fields << field;
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        expected.append(equals < 0 ? Pair{field, QString()}
                                   : Pair{field.left(equals), field.mid(equals + 1)});
    }
    const std::optional<QList<Pair>> decoded = decodeForm(PostForm::encodeForm(fields));
    // One empty field encodes as "=": a single pair of empty name and value.
    if (!decoded || *decoded != expected)
        std::abort(); // a finding
    return 0;
}

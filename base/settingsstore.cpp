#include "base/settingsstore.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
const QString Section = QStringLiteral("Settings");

// The text of a UTF-8 file without its byte-order mark, or nothing when it is not UTF-8.
std::optional<QString> decodeUtf8(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
} // namespace

std::unique_ptr<SettingsStore> SettingsStore::open(const QString &fileName)
{
    auto store = std::make_unique<SettingsStore>();
    store->m_fileName = fileName;
    QFile file(fileName);
    if (!file.exists())
        return store;
    std::optional<QString> text;
    if (file.open(QIODevice::ReadOnly))
        text = decodeUtf8(file.readAll());
    file.close();
    if (text) {
        store->m_document = IniDocument::parse(*text);
    } else {
        // Keep what the user had; a failure to move it aside is not reported.
        const QString backup = fileName + QStringLiteral(".bak");
        QFile::remove(backup);
        QFile::rename(fileName, backup);
    }
    return store;
}

QString SettingsStore::readString(const QString &name, const QString &fallback) const
{
    return m_document.contains(Section, name) ? m_document.value(Section, name) : fallback;
}

bool SettingsStore::parseInteger(const QString &text, int *value)
{
    bool ok = false;
    int parsed = 0;
    if (text.size() > 2 && text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = text.mid(2);
        const qint64 wide = digits.toLongLong(&ok, 16);
        ok = ok && wide >= 0 && wide <= 0xFFFFFFFFLL && digits[0] != QLatin1Char('+') &&
             digits[0] != QLatin1Char('-');
        parsed = static_cast<int>(static_cast<quint32>(wide));
    } else {
        parsed = text.toInt(&ok, 10);
    }
    if (ok)
        *value = parsed;
    return ok;
}

int SettingsStore::readInteger(const QString &name, int fallback) const
{
    int value = fallback;
    if (m_document.contains(Section, name) && parseInteger(m_document.value(Section, name), &value))
        return value;
    return fallback;
}

void SettingsStore::writeString(const QString &name, const QString &value)
{
    m_document.setValue(Section, name, value);
    writeFile();
}

void SettingsStore::writeInteger(const QString &name, int value)
{
    writeString(name, QString::number(value));
}

void SettingsStore::writeFile() const
{
    if (m_fileName.isEmpty())
        return;
    QSaveFile file(m_fileName);
    const QByteArray bytes = m_document.serialize();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw WriteError(QStringLiteral("Cannot create file \"%1\". %2")
                             .arg(m_fileName, file.errorString())
                             .toStdString());
    }
}

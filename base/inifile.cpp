#include "base/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

IniFile::ReadResult IniFile::read(Decoding decoding)
{
    m_document = IniDocument();
    QFile file(m_fileName);
    if (!file.exists())
        return ReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Unreadable;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() && decoding == Decoding::Strict)
        return ReadResult::Unreadable;
    m_document = IniDocument::parse(text);
    return ReadResult::Read;
}

bool IniFile::write(QString *error) const
{
    if (m_fileName.isEmpty())
        return true;
    QSaveFile file(m_fileName);
    const QByteArray bytes = m_document.serialize();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

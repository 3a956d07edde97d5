#include "base/inidocument.h"

namespace {
qsizetype indexOf(const QList<QPair<QString, QString>> &values, const QString &name)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
} // namespace

IniDocument IniDocument::parse(const QString &text)
{
    IniDocument document;
    QString current;
    bool inSection = false;
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2).trimmed();
            inSection = true;
            if (!document.find(current))
                document.m_sections.append({current, {}});
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inSection || equals < 0)
            continue;
        const QString name = line.left(equals).trimmed();
        Section *section = document.find(current);
        if (indexOf(section->values, name) < 0) // the first of two equal names counts
            section->values.append({name, line.mid(equals + 1).trimmed()});
    }
    return document;
}

QByteArray IniDocument::serialize() const
{
    QString text;
    for (const Section &section : m_sections) {
        text += QLatin1Char('[') + section.name + QLatin1String("]\r\n");
        for (const auto &[name, value] : section.values)
            text += name + QLatin1Char('=') + value + QLatin1String("\r\n");
        text += QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool IniDocument::contains(const QString &section, const QString &name) const
{
    const Section *s = find(section);
    return s && indexOf(s->values, name) >= 0;
}

QString IniDocument::value(const QString &section, const QString &name) const
{
    const Section *s = find(section);
    const qsizetype i = s ? indexOf(s->values, name) : -1;
    return i < 0 ? QString() : s->values[i].second;
}

void IniDocument::setValue(const QString &section, const QString &name, const QString &value)
{
    Section *s = find(section);
    if (!s) {
        m_sections.append({section, {}});
        s = &m_sections.last();
    }
    const qsizetype i = indexOf(s->values, name);
    if (i < 0)
        s->values.append({name, value});
    else
        s->values[i].second = value;
}

void IniDocument::removeValue(const QString &section, const QString &name)
{
    Section *s = find(section);
    const qsizetype i = s ? indexOf(s->values, name) : -1;
    if (i >= 0)
        s->values.removeAt(i);
}

IniDocument::Section *IniDocument::find(const QString &section)
{
    for (Section &s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

const IniDocument::Section *IniDocument::find(const QString &section) const
{
    return const_cast<IniDocument *>(this)->find(section);
}

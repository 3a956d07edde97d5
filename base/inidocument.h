#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// An INI text: sections of named values. Section and value names match without regard
// to letter case; both keep the order in which they were first read or set.
// Comment lines (";"), empty lines, lines without "=" and values before the first
// section are dropped on reading.
class IniDocument
{
public:
    struct Section
    {
        QString name;
        QList<QPair<QString, QString>> values;
    };

    static IniDocument parse(const QString &text);
    // UTF-8 with a byte-order mark, CR LF line ends, an empty line after each section.
    QByteArray serialize() const;

    bool contains(const QString &section, const QString &name) const;
    QString value(const QString &section, const QString &name) const;
    void setValue(const QString &section, const QString &name, const QString &value);
    // Removes the value; the section stays, even when it is left empty.
    void removeValue(const QString &section, const QString &name);
    const QList<Section> &sections() const { return m_sections; }

private:
    Section *find(const QString &section);
    const Section *find(const QString &section) const;

    QList<Section> m_sections;
};

#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The program's options: one section of named values. Names match without regard to
// letter case and keep the order in which they were first read or written; values keep
// theirs. Every write is passed straight on to persist().
class SettingsStore
{
public:
    virtual ~SettingsStore();

    QString ReadString(const QString &name, const QString &fallback = QString()) const;
    // Decimal, or hexadecimal after "0x" (any case); a value that is no 32-bit integer
    // gives the fallback.
    int ReadInteger(const QString &name, int fallback) const;
    void WriteString(const QString &name, const QString &value);
    void WriteInteger(const QString &name, int value);

    bool contains(const QString &name) const { return indexOf(name) >= 0; }
    const QList<QPair<QString, QString>> &values() const { return m_values; }

    static bool parseInteger(const QString &text, int *value);

protected:
    // Called after every change; the in-memory store keeps nothing elsewhere.
    virtual void persist() {}

private:
    qsizetype indexOf(const QString &name) const;

    QList<QPair<QString, QString>> m_values;
};

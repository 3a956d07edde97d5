#include "app/settingsstore.h"

SettingsStore::~SettingsStore() = default;

qsizetype SettingsStore::indexOf(const QString &name) const
{
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        if (m_values[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString SettingsStore::ReadString(const QString &name, const QString &fallback) const
{
    const qsizetype i = indexOf(name);
    return i < 0 ? fallback : m_values[i].second;
}

bool SettingsStore::parseInteger(const QString &text, int *value)
{
    bool ok = false;
    int parsed = 0;
    if (text.size() > 2 && text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const qint64 wide = text.mid(2).toLongLong(&ok, 16);
        ok = ok && wide <= 0xFFFFFFFFLL && !text.mid(2).startsWith(QLatin1Char('-')) &&
             !text.mid(2).startsWith(QLatin1Char('+'));
        parsed = static_cast<int>(static_cast<quint32>(wide));
    } else {
        parsed = text.toInt(&ok, 10);
    }
    if (ok)
        *value = parsed;
    return ok;
}

int SettingsStore::ReadInteger(const QString &name, int fallback) const
{
    int value = fallback;
    const qsizetype i = indexOf(name);
    if (i >= 0 && parseInteger(m_values[i].second, &value))
        return value;
    return fallback;
}

void SettingsStore::WriteString(const QString &name, const QString &value)
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        m_values.append({name, value});
    else
        m_values[i].second = value;
    persist();
}

void SettingsStore::WriteInteger(const QString &name, int value)
{
    WriteString(name, QString::number(value));
}

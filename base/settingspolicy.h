#pragma once

#include "base/inidocument.h"
#include "base/settingstable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the computer's administrator (a school's IT) sets for every user: a preset is the
// default where the user has chosen nothing, a locked value holds whatever the user chose
// and its control is disabled. Only the keys of keys() are taken; anything else in a
// policy is ignored and listed in problems().
//
// Where a policy comes from:
//   Windows: HKLM\SOFTWARE\Policies\<company>\<product>\Preset\<section> and
//            ...\Locked\<section>, values REG_SZ or REG_DWORD (Group Policy writes these);
//   elsewhere: preset.ini and locked.ini in <dir>/<company>/<product>/ for each dir of
//            $XDG_CONFIG_DIRS (/etc/xdg when unset), in the format of settings.ini; the
//            first dir that sets a key wins.
class SettingsPolicy
{
public:
    enum class Kind
    {
        Number,
        Text,
        Switch,
    };
    // A key a policy may set.
    struct Key
    {
        QString section;
        QString name;
        Kind kind;
        int minimum = 0;
        int maximum = 0;
    };
    static const QList<Key> &keys();

    SettingsPolicy() = default; // no policy: every value is the user's own
    SettingsPolicy(const IniDocument &preset, const IniDocument &locked);

    static SettingsPolicy loadFromSystem(const QString &company, const QString &product);
    static SettingsPolicy loadFromFolders(const QStringList &configFolders, const QString &company,
                                          const QString &product);
#ifdef Q_OS_WIN
    // Reads both trees under HKEY_LOCAL_MACHINE\<policyKey> ("SOFTWARE\Policies\...").
    static SettingsPolicy loadFromRegistry(const QString &policyKey);
#endif

    // The value a policy sets for the key, already checked: a number that is no integer,
    // or a switch other than "ON" or "OFF", is not taken.
    std::optional<QString> locked(const QString &section, const QString &name) const;
    std::optional<QString> preset(const QString &section, const QString &name) const;
    template <typename TableKey> bool isLocked(const TableKey &key) const
    {
        return locked(QLatin1String(key.section), QLatin1String(key.name)).has_value();
    }

    bool isEmpty() const
    {
        return m_preset.sections().isEmpty() && m_locked.sections().isEmpty();
    }
    // Values that were not taken, one line each ("locked.ini: [Settings] Microphone: not a key a
    // policy sets"), for the log.
    QStringList problems() const
    {
        return m_problems;
    }

private:
    void take(const IniDocument &from, IniDocument *into, const QString &origin);

    IniDocument m_preset;
    IniDocument m_locked;
    QStringList m_problems;
};

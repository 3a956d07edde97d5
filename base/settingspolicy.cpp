#include "base/settingspolicy.h"

#include "base/inifile.h"
#include "base/settingsstore.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace {
using Kind = SettingsPolicy::Kind;
namespace T = SettingsTable;

SettingsPolicy::Key number(const T::Integer &key)
{
    return {QLatin1String(key.section), QLatin1String(key.name), Kind::Number, key.minimum,
            key.maximum};
}
SettingsPolicy::Key text(const T::Text &key)
{
    return {QLatin1String(key.section), QLatin1String(key.name), Kind::Text};
}
SettingsPolicy::Key onOff(const T::Switch &key)
{
    return {QLatin1String(key.section), QLatin1String(key.name), Kind::Switch};
}

const SettingsPolicy::Key *findKey(const QString &section, const QString &name)
{
    for (const SettingsPolicy::Key &key : SettingsPolicy::keys()) {
        if (key.section.compare(section, Qt::CaseInsensitive) == 0 &&
            key.name.compare(name, Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

// Why a value cannot be taken; empty when it can.
QString problemOf(const SettingsPolicy::Key &key, const QString &value)
{
    int parsed = 0;
    switch (key.kind) {
    case Kind::Number:
        if (!SettingsStore::parseInteger(value, &parsed))
            return QStringLiteral("not a whole number");
        break;
    case Kind::Switch:
        if (value != QLatin1String("ON") && value != QLatin1String("OFF"))
            return QStringLiteral("neither ON nor OFF");
        break;
    case Kind::Text:
        break;
    }
    return {};
}

std::optional<QString> valueIn(const IniDocument &document, const QString &section,
                               const QString &name)
{
    if (!document.contains(section, name))
        return std::nullopt;
    return document.value(section, name);
}

IniDocument readIni(const QString &fileName)
{
    IniFile file(fileName);
    file.read(IniFile::Decoding::Lenient);
    return file.document();
}
} // namespace

const QList<SettingsPolicy::Key> &SettingsPolicy::keys()
{
    static const QList<Key> all = {
        number(T::NoiseThreshold),   number(T::Tolerance),           text(T::Sound),
        text(T::CustomSound),        onOff(T::MinimizeToSystemTray), onOff(T::AutoStartMicrophone),
        onOff(T::StartWithDesktop),  onOff(T::UpdateNotifications),  text(T::Language),
        onOff(T::SchoolLinkEnabled), text(T::SchoolLinkHost),        number(T::SchoolLinkPort),
        text(T::SchoolLinkTls),      text(T::SchoolLinkCaFile),      text(T::SchoolLinkCertFile),
        text(T::SchoolLinkKeyFile),  text(T::SchoolLinkUser),        text(T::SchoolLinkRoom),
        text(T::SchoolLinkPrefix),   onOff(T::SchoolLinkDiscovery),
    };
    return all;
}

SettingsPolicy::SettingsPolicy(const IniDocument &preset, const IniDocument &locked)
{
    take(preset, &m_preset, QStringLiteral("preset"));
    take(locked, &m_locked, QStringLiteral("locked"));
}

void SettingsPolicy::take(const IniDocument &from, IniDocument *into, const QString &origin)
{
    for (const IniDocument::Section &section : from.sections()) {
        for (const auto &[name, value] : section.values) {
            const QString where = QStringLiteral("%1: [%2] %3: ").arg(origin, section.name, name);
            const Key *key = findKey(section.name, name);
            if (!key) {
                m_problems << where + QStringLiteral("not a key a policy sets");
                continue;
            }
            const QString problem = problemOf(*key, value);
            if (!problem.isEmpty()) {
                m_problems << where + problem;
                continue;
            }
            // An earlier source of the same key has the say.
            if (!into->contains(key->section, key->name))
                into->setValue(key->section, key->name, value);
        }
    }
}

std::optional<QString> SettingsPolicy::locked(const QString &section, const QString &name) const
{
    return valueIn(m_locked, section, name);
}

std::optional<QString> SettingsPolicy::preset(const QString &section, const QString &name) const
{
    return valueIn(m_preset, section, name);
}

SettingsPolicy SettingsPolicy::loadFromFolders(const QStringList &configFolders,
                                               const QString &company, const QString &product)
{
    IniDocument preset;
    IniDocument locked;
    QStringList problems;
    auto merge = [](const IniDocument &from, IniDocument *into) {
        for (const IniDocument::Section &section : from.sections()) {
            for (const auto &[name, value] : section.values) {
                if (!into->contains(section.name, name))
                    into->setValue(section.name, name, value);
            }
        }
    };
    for (const QString &folder : configFolders) {
        if (folder.isEmpty())
            continue;
        const QString base = QDir(folder).filePath(company + QLatin1Char('/') + product);
        merge(readIni(base + QStringLiteral("/preset.ini")), &preset);
        merge(readIni(base + QStringLiteral("/locked.ini")), &locked);
    }
    return SettingsPolicy(preset, locked);
}

#ifdef Q_OS_WIN
SettingsPolicy SettingsPolicy::loadFromRegistry(const QString &policyKey)
{
    auto read = [&policyKey](const QString &tree) {
        IniDocument document;
        QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\") + policyKey + QLatin1Char('\\') +
                               tree,
                           QSettings::NativeFormat);
        for (const QString &section : registry.childGroups()) {
            registry.beginGroup(section);
            // REG_DWORD reads as a number, REG_SZ as text; both become text here.
            for (const QString &name : registry.childKeys())
                document.setValue(section, name, registry.value(name).toString());
            registry.endGroup();
        }
        return document;
    };
    return SettingsPolicy(read(QStringLiteral("Preset")), read(QStringLiteral("Locked")));
}
#endif

SettingsPolicy SettingsPolicy::loadFromSystem(const QString &company, const QString &product)
{
#ifdef Q_OS_WIN
    return loadFromRegistry(QStringLiteral("SOFTWARE\\Policies\\%1\\%2").arg(company, product));
#else
    QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (folders.isEmpty())
        folders = QStringLiteral("/etc/xdg");
    return loadFromFolders(folders.split(QLatin1Char(':')), company, product);
#endif
}

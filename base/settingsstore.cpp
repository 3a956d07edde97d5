#include "base/settingsstore.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cstdio>
#endif

namespace {
const QString Section = QLatin1String(SettingsTable::MainSection);

// Renames from to to in one step, replacing a file at to: an older file there goes only
// as the new one takes its place, and stays when the rename fails. Never onto a folder.
bool renameReplacing(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

struct NumberedValue
{
    int number;
    QString name;
    QString value;
};

// The keys of a TextLines in the order of their numbers; names without a number in range
// are not among them.
QList<NumberedValue> numberedValues(const IniDocument &document,
                                    const SettingsTable::TextLines &key)
{
    QList<NumberedValue> numbered;
    const QString prefix = QLatin1String(key.prefix);
    for (const IniDocument::Section &section : document.sections()) {
        if (section.name.compare(QLatin1String(key.section), Qt::CaseInsensitive) != 0)
            continue;
        for (const auto &[name, value] : section.values) {
            bool isNumber = false;
            const int number = name.mid(prefix.size()).toInt(&isNumber);
            if (name.startsWith(prefix, Qt::CaseInsensitive) && isNumber && number >= 1 &&
                number <= key.maximum)
                numbered.append({number, name, value});
        }
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto &a, const auto &b) { return a.number < b.number; });
    return numbered;
}
} // namespace

std::unique_ptr<SettingsStore> SettingsStore::open(const QString &fileName)
{
    auto store = std::make_unique<SettingsStore>();
    store->m_file = IniFile(fileName);
    if (store->m_file.read(IniFile::Decoding::Strict) == IniFile::ReadResult::Unreadable) {
        // Keep what the user had: aside as a backup, or else in place, never overwritten.
        if (!renameReplacing(fileName, fileName + QStringLiteral(".bak")))
            store->m_keepsUnreadableFile = true;
    }
    return store;
}

QString SettingsStore::readString(const QString &name, const QString &fallback) const
{
    return readInSection(Section, name, fallback);
}

QString SettingsStore::readInSection(const QString &section, const QString &name,
                                     const QString &fallback) const
{
    return document().contains(section, name) ? document().value(section, name) : fallback;
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
    return readIntegerInSection(Section, name, fallback);
}

int SettingsStore::readIntegerInSection(const QString &section, const QString &name,
                                        int fallback) const
{
    int value = fallback;
    return readIntegerInSection(section, name, fallback, &value) ? value : fallback;
}

bool SettingsStore::readIntegerInSection(const QString &section, const QString &name, int fallback,
                                         int *value) const
{
    *value = fallback;
    return document().contains(section, name) &&
           parseInteger(document().value(section, name), value);
}

void SettingsStore::writeString(const QString &name, const QString &value)
{
    writeInSection(Section, name, value);
}

void SettingsStore::writeInSection(const QString &section, const QString &name,
                                   const QString &value)
{
    document().setValue(section, name, value);
    writeFile();
}

std::optional<QString> SettingsStore::effective(const char *section, const char *name) const
{
    const QString sectionName = QLatin1String(section);
    const QString keyName = QLatin1String(name);
    if (std::optional<QString> locked = m_policy.locked(sectionName, keyName))
        return locked;
    if (document().contains(sectionName, keyName))
        return document().value(sectionName, keyName);
    return m_policy.preset(sectionName, keyName);
}

int SettingsStore::read(const SettingsTable::Integer &key) const
{
    int value = key.fallback;
    if (m_policy.isLocked(key))
        return parseInteger(*m_policy.locked(QLatin1String(key.section), QLatin1String(key.name)),
                            &value)
                   ? value
                   : key.fallback;
    if (readIntegerInSection(QLatin1String(key.section), QLatin1String(key.name), key.fallback,
                             &value))
        return value;
    // A value the user has that is no number counts as none: the preset stands in.
    const std::optional<QString> preset =
        m_policy.preset(QLatin1String(key.section), QLatin1String(key.name));
    return preset && parseInteger(*preset, &value) ? value : key.fallback;
}

QString SettingsStore::read(const SettingsTable::Text &key) const
{
    return effective(key.section, key.name).value_or(QString());
}

bool SettingsStore::read(const SettingsTable::Switch &key) const
{
    return effective(key.section, key.name) == QLatin1String("ON");
}

QStringList SettingsStore::read(const SettingsTable::TextLines &key) const
{
    QStringList lines;
    for (const NumberedValue &line : numberedValues(document(), key))
        lines << line.value;
    return lines;
}

void SettingsStore::write(const SettingsTable::Integer &key, int value)
{
    if (m_policy.isLocked(key))
        return; // the administrator's value stands; its control is disabled
    writeInSection(QLatin1String(key.section), QLatin1String(key.name), QString::number(value));
}

void SettingsStore::write(const SettingsTable::Text &key, const QString &value)
{
    if (m_policy.isLocked(key))
        return; // the administrator's value stands; its control is disabled
    writeInSection(QLatin1String(key.section), QLatin1String(key.name), value);
}

void SettingsStore::write(const SettingsTable::Switch &key, bool on)
{
    if (m_policy.isLocked(key))
        return; // the administrator's value stands; its control is disabled
    document().setValue(QLatin1String(key.section), QLatin1String(key.name),
                        on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    writeFile();
}

void SettingsStore::write(const SettingsTable::TextLines &key, const QStringList &lines)
{
    const QString section = QLatin1String(key.section);
    const QString prefix = QLatin1String(key.prefix);
    for (const NumberedValue &old : numberedValues(document(), key))
        document().removeValue(section, old.name);
    for (int i = 0; i < lines.size() && i < key.maximum; ++i)
        document().setValue(section, prefix + QString::number(i + 1), lines[i]);
    writeFile();
}

void SettingsStore::writeInteger(const QString &name, int value)
{
    writeString(name, QString::number(value));
}

void SettingsStore::writeFile() const
{
    if (m_file.fileName().isEmpty())
        throw NotOpenError();
    if (m_keepsUnreadableFile)
        return;
    QString reason;
    if (!m_file.write(&reason)) {
        throw WriteError(QStringLiteral("Cannot create file \"%1\". %2")
                             .arg(m_file.fileName(), reason)
                             .toStdString());
    }
}

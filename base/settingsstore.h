#pragma once

#include "base/inifile.h"
#include "base/settingspolicy.h"
#include "base/settingstable.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

// The program's options: section "Settings" of settings.ini and the sections that keys of
// their own name (SettingsTable), held in memory and written through to disk after every
// change. A store that was never opened over a file (the
// start-up failed before) reports every write as failed; it never pretends to save.
class SettingsStore
{
public:
    // Raised when the file cannot be written; the store keeps the new value.
    class WriteError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };
    // Raised by every write of a store that has no file.
    class NotOpenError : public WriteError
    {
    public:
        NotOpenError() : WriteError("The settings cannot be saved") {}
    };

    SettingsStore() = default;

    // Opens the store over fileName; a missing file gives an empty store. A file that
    // cannot be read or is not valid UTF-8 is kept as fileName + ".bak" and the store
    // starts empty; an older backup is replaced in the same step, so it goes only once
    // the new one is in place. When the file cannot be moved aside it stays where it is,
    // untouched, as does the older backup: the store starts empty and never writes
    // (savesChanges()).
    static std::unique_ptr<SettingsStore> open(const QString &fileName);

    // What the computer's administrator presets and locks. The typed calls below follow
    // it: a locked value is read whatever the file holds and is never written; a preset
    // is read where the file has no usable value.
    void setPolicy(SettingsPolicy policy) { m_policy = std::move(policy); }
    const SettingsPolicy &policy() const { return m_policy; }
    template <typename Key> bool isLocked(const Key &key) const { return m_policy.isLocked(key); }

    // The program's keys, as the settings table declares them.
    int read(const SettingsTable::Integer &key) const;
    QString read(const SettingsTable::Text &key) const;
    bool read(const SettingsTable::Switch &key) const;
    QStringList read(const SettingsTable::TextLines &key) const;
    // Each sets the value and writes the whole file, as writeString() does.
    void write(const SettingsTable::Integer &key, int value);
    void write(const SettingsTable::Text &key, const QString &value);
    void write(const SettingsTable::Switch &key, bool on);
    void write(const SettingsTable::TextLines &key, const QStringList &lines);

    // Any key by name, for keys of other programs' making that stay in the file.
    QString readString(const QString &name, const QString &fallback = QString()) const;
    // Decimal, or hexadecimal after "0x" (any case); a value that is no 32-bit integer
    // gives the fallback.
    int readInteger(const QString &name, int fallback) const;
    // Sets the value and writes the whole file; throws WriteError when that fails. A store
    // that keeps an unreadable file only sets the value.
    void writeString(const QString &name, const QString &value);
    void writeInteger(const QString &name, int value);
    // The same in a section other than [Settings].
    QString readInSection(const QString &section, const QString &name,
                          const QString &fallback = QString()) const;
    int readIntegerInSection(const QString &section, const QString &name, int fallback) const;
    // True when the file holds a usable number there; *value is the fallback otherwise.
    bool readIntegerInSection(const QString &section, const QString &name, int fallback,
                              int *value) const;
    void writeInSection(const QString &section, const QString &name, const QString &value);

    // Replaces the file as a whole: a crash or a full disk leaves either the old or the
    // new file on disk, never a mixture or a truncated one.
    void writeFile() const;

    QString fileName() const { return m_file.fileName(); }
    // False when an unreadable file could not be moved aside and is kept in its place.
    bool savesChanges() const { return !m_keepsUnreadableFile; }
    const IniDocument &document() const { return m_file.document(); }

    static bool parseInteger(const QString &text, int *value);

private:
    IniDocument &document() { return m_file.document(); }

    // The user's value, else the policy's preset, else nothing; a locked value first.
    std::optional<QString> effective(const char *section, const char *name) const;

    IniFile m_file;
    bool m_keepsUnreadableFile = false;
    SettingsPolicy m_policy;
};

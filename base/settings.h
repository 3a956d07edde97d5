#pragma once

#include "base/settingsstore.h"

#include <functional>
#include <memory>

// The program's options as the windows and features use them: the settings store,
// read and written through the settings table, with every failed write reported to
// the user (the store keeps the value, and the next good write saves it). Until
// open() it is an empty store without a file, whose writes all fail.
class Settings
{
public:
    using ReportFailure = std::function<void(const SettingsStore::WriteError &error)>;

    explicit Settings(ReportFailure report);

    // Opens the store over fileName (see SettingsStore::open), following the policy.
    void open(const QString &fileName, SettingsPolicy policy = {});
    const SettingsStore &store() const { return *m_store; }

    template <typename Key> auto read(const Key &key) const { return m_store->read(key); }
    // True when the computer's administrator has locked the key: its control is disabled.
    template <typename Key> bool isLocked(const Key &key) const { return m_store->isLocked(key); }
    // Writes through to disk; a failure is reported, never thrown.
    template <typename Key, typename Value> void write(const Key &key, const Value &value)
    {
        try {
            m_store->write(key, value);
        } catch (const SettingsStore::WriteError &error) {
            m_report(error);
        }
    }

private:
    ReportFailure m_report;
    std::unique_ptr<SettingsStore> m_store = std::make_unique<SettingsStore>();
};

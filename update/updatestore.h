#pragma once

#include <QString>
#include <memory>

class QSettings;

// The update check's per-user records ("ShowUpdate", "LastUpdateCheck",
// "LastUpdateCheckCount", "InstalledVersion", "HowMany"), group "Settings" of the
// platform's native settings store (an INI file under ~/.config here, the registry
// under HKEY_CURRENT_USER on Windows). Not shared between threads at once: the worker
// uses it first, the GUI thread only after the check is done.
class UpdateStore
{
public:
    // The per-user store of the maker's program.
    static std::unique_ptr<UpdateStore> openNative(const QString &company, const QString &product);
    // A store in the given INI file (tests).
    static std::unique_ptr<UpdateStore> openFile(const QString &path);
    ~UpdateStore();

    // False when the store can neither be read nor created; reads then give defaults.
    bool isUsable() const;
    QString readString(const QString &name, const QString &fallback = QString()) const;
    // Decimal text; anything else gives the fallback.
    int readInteger(const QString &name, int fallback) const;
    void writeString(const QString &name, const QString &value);
    void writeInteger(const QString &name, int value);

private:
    explicit UpdateStore(std::unique_ptr<QSettings> settings);
    std::unique_ptr<QSettings> m_settings;
};

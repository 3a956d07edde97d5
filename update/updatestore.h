#pragma once

#include "base/inifile.h"

#include <QString>
#include <memory>

class QSettings;

// The update check's per-user records ("ShowUpdate", "LastUpdateCheck",
// "LastUpdateCheckCount", "InstalledVersion", "HowMany") in group "Settings": an INI file
// under ~/.config here, the registry under HKEY_CURRENT_USER on Windows. The worker uses
// it first, the GUI thread only after the check is done; it is never used by both at once.
// The INI road creates no QObject, so the worker thread needs no Qt thread of its own.
class UpdateStore
{
public:
    // The error log's line for a store that cannot be opened, naming what the store is
    // on this system.
    static QString openErrorText();
    // The per-user store of the maker's program.
    static std::unique_ptr<UpdateStore> openNative(const QString &company, const QString &product);
    // A store in the given INI file.
    static std::unique_ptr<UpdateStore> openFile(const QString &path);
    ~UpdateStore();

    // False when the store can be neither read nor created; reads then give defaults.
    bool isUsable() const { return m_usable; }
    QString readString(const QString &name, const QString &fallback = QString()) const;
    // Decimal text; anything else gives the fallback.
    int readInteger(const QString &name, int fallback) const;
    // Written through at once; a failure to write is not reported. A file that exists but
    // cannot be read is never written: replacing it would lose what the user chose there
    // (ShowUpdate=0), so the value is only kept in memory.
    void writeString(const QString &name, const QString &value);

private:
    UpdateStore() = default;

    bool m_usable = false;
    bool m_keepsUnreadableFile = false;
    IniFile m_file;
    std::unique_ptr<QSettings> m_registry; // Windows only
};

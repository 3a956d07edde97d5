#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

// Starting the program when the user logs in: a freedesktop autostart entry in
// ~/.config/autostart/, or on Windows a value under the current user's Run key. The
// entry itself is the truth: nothing about it is kept in settings.ini.
class DesktopAutostart
{
public:
    class WriteError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    static constexpr const char *EntryName = "com.tambrix.Murmlet.desktop";

    // entryFile: the autostart entry (unused on Windows); program: what it starts.
    DesktopAutostart(QString entryFile, QString program);
    // For the user running the program. The installed launcher is started when it leads
    // to the running program (a packaged install: the entry survives upgrades); any
    // other copy (a build folder, an unpacked archive) starts itself.
    static DesktopAutostart forCurrentUser(const QString &runningProgram,
                                           const QString &installedLauncher);

    static QString programToStart(const QString &runningProgram, const QString &installedLauncher);
    // The program as one argument of an entry's Exec key: quoted when it holds a
    // reserved character, with the string escapes of a desktop entry value.
    static QString execArgument(const QString &program);
    static QByteArray entryText(const QString &program);

    QString program() const { return m_program; }
    QString entryFile() const { return m_entryFile; }
    bool isEnabled() const;
    // Both throw WriteError when the entry cannot be written or removed.
    void enable();
    void disable();

private:
    QString m_entryFile;
    QString m_program;
};

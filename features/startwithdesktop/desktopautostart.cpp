#include "features/startwithdesktop/desktopautostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <utility>

#ifdef Q_OS_WIN
#include <QSettings>

namespace {
const QString RunKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString RunValue = QStringLiteral("Murmlet");
} // namespace
#endif

DesktopAutostart::DesktopAutostart(QString entryFile, QString program)
    : m_entryFile(std::move(entryFile)), m_program(std::move(program))
{
}

DesktopAutostart DesktopAutostart::forCurrentUser(const QString &runningProgram,
                                                  const QString &installedLauncher)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/autostart/");
    return DesktopAutostart(folder + QLatin1String(EntryName),
                            programToStart(runningProgram, installedLauncher));
}

QString DesktopAutostart::programToStart(const QString &runningProgram,
                                         const QString &installedLauncher)
{
    const QString running = QFileInfo(runningProgram).canonicalFilePath();
    if (!installedLauncher.isEmpty() && !running.isEmpty() &&
        QFileInfo(installedLauncher).canonicalFilePath() == running)
        return installedLauncher;
    return running.isEmpty() ? QFileInfo(runningProgram).absoluteFilePath() : running;
}

QString DesktopAutostart::execArgument(const QString &program)
{
    // The Exec key of a freedesktop.org desktop entry: reserved characters need quoting,
    // and inside quotes ", `, $ and \ take a backslash. "%" is always doubled. The value
    // as a whole is a string, whose own escape turns each backslash into two.
    static const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = program;
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool quote = false;
    for (const QChar c : program)
        quote = quote || Reserved.contains(c);
    if (quote) {
        QString escaped;
        for (const QChar c : std::as_const(argument)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                escaped += QLatin1Char('\\');
            escaped += c;
        }
        argument = QLatin1Char('"') + escaped + QLatin1Char('"');
    }
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    argument.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    argument.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    return argument;
}

QByteArray DesktopAutostart::entryText(const QString &program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Murmlet\n"
                          "Exec=%1\n"
                          "Icon=murmlet\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program))
        .toUtf8();
}

#ifdef Q_OS_WIN
bool DesktopAutostart::isEnabled() const
{
    return QSettings(RunKey, QSettings::NativeFormat).contains(RunValue);
}

void DesktopAutostart::enable()
{
    QSettings run(RunKey, QSettings::NativeFormat);
    run.setValue(RunValue,
                 QLatin1Char('"') + QDir::toNativeSeparators(m_program) + QLatin1Char('"'));
    run.sync();
    if (run.status() != QSettings::NoError)
        throw WriteError("The Run key could not be written");
}

void DesktopAutostart::disable()
{
    QSettings run(RunKey, QSettings::NativeFormat);
    run.remove(RunValue);
    run.sync();
    if (run.status() != QSettings::NoError)
        throw WriteError("The Run key could not be written");
}
#else
bool DesktopAutostart::isEnabled() const
{
    return QFileInfo::exists(m_entryFile);
}

void DesktopAutostart::enable()
{
    if (!QDir().mkpath(QFileInfo(m_entryFile).absolutePath()))
        throw WriteError("The autostart folder could not be created");
    QSaveFile file(m_entryFile);
    const QByteArray text = entryText(m_program);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw WriteError("The autostart entry could not be written");
}

void DesktopAutostart::disable()
{
    if (QFileInfo::exists(m_entryFile) && !QFile::remove(m_entryFile))
        throw WriteError("The autostart entry could not be removed");
}
#endif

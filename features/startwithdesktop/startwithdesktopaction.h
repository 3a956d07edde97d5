#pragma once

#include <QAction>
#include <functional>

class Settings;

// Settings > Start with the Desktop: a check mark that adds the program to the
// desktop's autostart and takes it out again. The check mark follows the entry itself,
// read afresh whenever the menu opens. A school's policy sets the entry at start: a
// locked value always (the item is then disabled), a preset until the user has chosen
// here once.
class StartWithDesktopAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    using ReportError = std::function<void(const QString &message)>;

    // programFile: the running program.
    StartWithDesktopAction(QString programFile, Settings &settings, Translator translate,
                           ReportError report, QObject *parent);

    // The check mark as the entry is now.
    void showState();

private:
    void onToggled(bool checked);
    void applyPolicy();

    QString m_programFile;
    Settings &m_settings;
    Translator m_translate;
    ReportError m_report;
};

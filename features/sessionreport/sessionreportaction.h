#pragma once

#include <QAction>
#include <functional>

class ListeningSession;
class SessionReportWindow;
class Settings;

// File > Session Report...: shows the session's report window (one for the program's
// life, made at first use) beside the window that offers it.
class SessionReportAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    SessionReportAction(const ListeningSession &session, const Settings &settings,
                        Translator translate, QWidget *window);

    void showReport();
    SessionReportWindow *report() const { return m_report; }

private:
    const ListeningSession &m_session;
    const Settings &m_settings;
    Translator m_translate;
    QWidget *m_window;
    SessionReportWindow *m_report = nullptr;
};

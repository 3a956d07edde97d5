#include "features/sessionreport/sessionreportaction.h"

#include "features/levels/calibration.h"
#include "features/sessionreport/sessionreportwindow.h"
#include "monitor/decibels.h"
#include "session/listeningsession.h"

#include <utility>

SessionReportAction::SessionReportAction(const ListeningSession &session, const Settings &settings,
                                         Translator translate, QWidget *window)
    : QAction(window), m_session(session), m_settings(settings), m_translate(std::move(translate)),
      m_window(window)
{
    setObjectName(QStringLiteral("SessionReport1"));
    setText(m_translate(QStringLiteral("Session Report...")));
    connect(this, &QAction::triggered, this, &SessionReportAction::showReport);
}

void SessionReportAction::showReport()
{
    if (!m_report) {
        m_report = new SessionReportWindow(
            m_session.record(), m_translate,
            {[this] { return Decibels::thresholdDbfs(m_session.threshold()); },
             [this] { return Calibration::current(m_settings); }},
            m_window);
    }
    m_report->show();
    m_report->raise();
    m_report->activateWindow();
}

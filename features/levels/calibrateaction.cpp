#include "features/levels/calibrateaction.h"

#include "base/settings.h"
#include "features/levels/calibratedialog.h"
#include "features/levels/calibration.h"
#include "monitor/decibels.h"
#include "session/listeningsession.h"

#include <utility>

CalibrateAction::CalibrateAction(const ListeningSession &session, Settings &settings,
                                 Translator translate, QWidget *dialogParent)
    : QAction(dialogParent), m_session(session), m_settings(settings),
      m_translate(std::move(translate)), m_dialogParent(dialogParent)
{
    setObjectName(QStringLiteral("Calibrate1"));
    setText(m_translate(QStringLiteral("Calibrate...")));
    connect(this, &QAction::triggered, this, &CalibrateAction::calibrate);
}

void CalibrateAction::calibrate()
{
    CalibrateDialog dialog(
        m_translate, [this] { return Decibels::dbfsOfLevel(m_session.record().latestLevel()); },
        Calibration::current(m_settings), m_dialogParent);
    dialog.exec();
    switch (dialog.outcome()) {
    case CalibrateDialog::Outcome::Calibrated:
        Calibration::store(m_settings, dialog.offset());
        break;
    case CalibrateDialog::Outcome::Forgotten:
        Calibration::store(m_settings, std::nullopt);
        break;
    case CalibrateDialog::Outcome::Unchanged:
        break;
    }
}

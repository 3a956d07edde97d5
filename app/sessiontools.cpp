#include "app/sessiontools.h"

#include "app/pausemenu.h"
#include "base/desktopautostart.h"
#include "dialogs/calibratedialog.h"
#include "dialogs/sessionreportwindow.h"
#include "monitor/calibration.h"
#include "monitor/decibels.h"

#include <QAction>
#include <QCursor>
#include <QDateTime>
#include <QHelpEvent>
#include <QMenu>
#include <QSlider>
#include <QToolTip>
#include <utility>

namespace {
const QString CalibrationKeyName = QLatin1String(SessionTools::CalibrationKey);

DesktopAutostart autostartOf(const QString &programFile)
{
    return DesktopAutostart::forCurrentUser(programFile, QStringLiteral(MURMLET_INSTALLED_PROGRAM));
}
} // namespace

SessionTools::SessionTools(QWidget *window, Hooks hooks)
    : QObject(window), m_window(window), m_hooks(std::move(hooks)),
      m_wallNow([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_pauseMenu = new PauseMenu(m_hooks.translate, window);
    connect(m_pauseMenu, &PauseMenu::pauseChosen, this, &SessionTools::pauseAlarm);
    connect(m_pauseMenu, &PauseMenu::resumeChosen, this, &SessionTools::resumeAlarm);
    m_trayMenu = new QMenu(window);
    m_trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    m_trayMenu->addMenu(m_pauseMenu);
    connect(m_trayMenu, &QMenu::aboutToShow, this, &SessionTools::refreshMenus);
}

SessionTools::~SessionTools() = default;

void SessionTools::addMenuEntries(QMenu *fileMenu, QMenu *settingsMenu)
{
    QAction *first = fileMenu->actions().value(0);
    m_reportItem = new QAction(fileMenu);
    m_reportItem->setObjectName(QStringLiteral("SessionReport1"));
    connect(m_reportItem, &QAction::triggered, this, &SessionTools::showSessionReport);
    fileMenu->insertAction(first, m_reportItem);
    fileMenu->insertSeparator(first);

    m_calibrateItem = settingsMenu->addAction(QString());
    m_calibrateItem->setObjectName(QStringLiteral("Calibrate1"));
    connect(m_calibrateItem, &QAction::triggered, this, &SessionTools::showCalibrateDialog);
    settingsMenu->addMenu(m_pauseMenu);
    m_startWithDesktopItem = settingsMenu->addAction(QString());
    m_startWithDesktopItem->setObjectName(QStringLiteral("StartWithDesktop1"));
    m_startWithDesktopItem->setCheckable(true);
    connect(m_startWithDesktopItem, &QAction::triggered, this,
            &SessionTools::onStartWithDesktopToggled);
    connect(fileMenu, &QMenu::aboutToShow, this, &SessionTools::refreshMenus);
    connect(settingsMenu, &QMenu::aboutToShow, this, &SessionTools::refreshMenus);
}

void SessionTools::explainLevels(QWidget *meter, QSlider *thresholdBar)
{
    m_meter = meter;
    m_thresholdBar = thresholdBar;
    meter->installEventFilter(this);
    thresholdBar->installEventFilter(this);
    // While the bar is dragged, each position shows what it means.
    connect(thresholdBar, &QSlider::valueChanged, this, [this] {
        if (m_thresholdBar->isSliderDown())
            QToolTip::showText(QCursor::pos(),
                               m_thresholdBar->toolTip() + QLatin1Char('\n') + thresholdLevelText(),
                               m_thresholdBar);
    });
}

bool SessionTools::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || (watched != m_meter && watched != m_thresholdBar))
        return QObject::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    const QString level = watched == m_meter ? meterLevelText() : thresholdLevelText();
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                       widget->toolTip() + QLatin1Char('\n') + level, widget);
    return true;
}

void SessionTools::refreshMenus()
{
    const Translator &tr = m_hooks.translate;
    if (m_reportItem) {
        m_reportItem->setText(tr(QStringLiteral("Session Report...")));
        m_calibrateItem->setText(tr(QStringLiteral("Calibrate...")));
        m_startWithDesktopItem->setText(tr(QStringLiteral("Start with the Desktop")));
        m_startWithDesktopItem->setChecked(autostartOf(m_hooks.programFile).isEnabled());
    }
    m_pauseMenu->showState(isPaused());
}

void SessionTools::noteReading(qint64 level)
{
    m_session.noteReading(level);
}

bool SessionTools::closeSecond(bool noisy, bool alarmDue)
{
    const bool paused = isPaused();
    m_session.closeSecond(m_wallNow(), noisy, alarmDue && !paused);
    return !paused;
}

QString SessionTools::statusText(const QString &countText) const
{
    if (!isPaused())
        return countText;
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(m_pause.wallEnd());
    const QString note = m_hooks.translate(QStringLiteral("Alarm paused until %1"))
                             .arg(QLocale::system().toString(end.time(), QLocale::ShortFormat));
    // The count stays first: it is what the room is told.
    return countText.isEmpty() ? note : countText + QStringLiteral(" \u2013 ") + note;
}

QString SessionTools::levelText(double dbfs) const
{
    return Decibels::levelText(dbfs, calibration(),
                               m_hooks.translate(QStringLiteral("dB (calibrated)")), QLocale());
}

QString SessionTools::meterLevelText() const
{
    return levelText(Decibels::dbfsOfLevel(m_session.latestLevel()));
}

QString SessionTools::thresholdLevelText() const
{
    const int position = m_hooks.thresholdPosition();
    return QStringLiteral("%1: ").arg(position) + levelText(Decibels::thresholdDbfs(position));
}

std::optional<double> SessionTools::calibration() const
{
    return Calibration::fromStored(m_hooks.readSetting(CalibrationKeyName));
}

bool SessionTools::isPaused() const
{
    return m_pause.isPaused(m_hooks.now(), m_wallNow());
}

void SessionTools::pauseAlarm(int minutes)
{
    m_pause.pauseFor(minutes, m_hooks.now(), m_wallNow());
    m_pauseMenu->showState(true);
}

void SessionTools::resumeAlarm()
{
    m_pause.resume();
    m_pauseMenu->showState(false);
}

void SessionTools::showSessionReport()
{
    if (!m_report) {
        m_report = new SessionReportWindow(
            m_session, m_hooks.translate,
            {[this] { return Decibels::thresholdDbfs(m_hooks.thresholdPosition()); },
             [this] { return calibration(); }},
            m_window);
    }
    m_report->show();
    m_report->raise();
    m_report->activateWindow();
}

void SessionTools::showCalibrateDialog()
{
    CalibrateDialog dialog(
        m_hooks.translate, [this] { return Decibels::dbfsOfLevel(m_session.latestLevel()); },
        calibration(), m_window);
    dialog.exec();
    switch (dialog.outcome()) {
    case CalibrateDialog::Outcome::Calibrated:
        m_hooks.writeSetting(CalibrationKeyName, Calibration::toStored(*dialog.offset()));
        break;
    case CalibrateDialog::Outcome::Forgotten:
        m_hooks.writeSetting(CalibrationKeyName, QString());
        break;
    case CalibrateDialog::Outcome::Unchanged:
        break;
    }
}

void SessionTools::onStartWithDesktopToggled(bool checked)
{
    DesktopAutostart autostart = autostartOf(m_hooks.programFile);
    try {
        if (checked)
            autostart.enable();
        else
            autostart.disable();
    } catch (const DesktopAutostart::WriteError &) {
        m_hooks.showError(
            m_hooks.translate(QStringLiteral("The start entry could not be written.")));
    }
    m_startWithDesktopItem->setChecked(autostart.isEnabled());
}

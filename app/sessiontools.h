#pragma once

#include "monitor/alarmpause.h"
#include "monitor/sessionrecord.h"

#include <QObject>
#include <functional>
#include <optional>

class CalibrateDialog;
class PauseMenu;
class QAction;
class QMenu;
class QSlider;
class QWidget;
class SessionReportWindow;

// What the main window offers beyond the meter: levels in dBFS (calibrated when the
// user has calibrated) in the meter's and the threshold bar's tooltips, a pause of the
// warning sound, the per-second session record with its report window, and starting
// with the desktop. The main window feeds it every reading and every second.
class SessionTools : public QObject
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    struct Hooks
    {
        Translator translate;
        std::function<QString(const QString &)> readSetting;
        std::function<void(const QString &, const QString &)> writeSetting;
        std::function<void(const QString &)> showError;
        std::function<qint64()> now; // monotonic milliseconds
        std::function<int()> thresholdPosition;
        QString programFile; // the running program
    };
    static constexpr const char *CalibrationKey = "CalibrationOffset";

    SessionTools(QWidget *window, Hooks hooks);
    ~SessionTools() override;

    // File > Session Report... above Exit; Settings > Calibrate..., Pause Alarm and
    // Start with the Desktop at the end of the menu as it is now.
    void addMenuEntries(QMenu *fileMenu, QMenu *settingsMenu);
    QMenu *trayMenu() const { return m_trayMenu; }
    // Shows the level behind the meter's and the threshold bar's own tooltips.
    void explainLevels(QWidget *meter, QSlider *thresholdBar);
    // Captions in the interface language, Resume and the start entry's check mark as
    // they are now.
    void refreshMenus();

    // Every 50 ms reading's level (peak x 65536).
    void noteReading(qint64 level);
    // Closes the second; true when a due alarm may sound (it is not paused).
    bool closeSecond(bool noisy, bool alarmDue);
    // The count text with the pause's end after it while paused.
    QString statusText(const QString &countText) const;

    QString meterLevelText() const;
    QString thresholdLevelText() const;
    std::optional<double> calibration() const;
    bool isPaused() const;
    const SessionRecord &session() const { return m_session; }
    // Milliseconds since the epoch; replaceable for tests.
    void setWallClock(std::function<qint64()> wallNow) { m_wallNow = std::move(wallNow); }

public slots:
    void pauseAlarm(int minutes);
    void resumeAlarm();
    void showSessionReport();
    void showCalibrateDialog();
    void onStartWithDesktopToggled(bool checked);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString levelText(double dbfs) const;

    QWidget *m_window;
    Hooks m_hooks;
    std::function<qint64()> m_wallNow;
    SessionRecord m_session;
    AlarmPause m_pause;
    PauseMenu *m_pauseMenu = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_reportItem = nullptr;
    QAction *m_calibrateItem = nullptr;
    QAction *m_startWithDesktopItem = nullptr;
    QWidget *m_meter = nullptr;
    QSlider *m_thresholdBar = nullptr;
    SessionReportWindow *m_report = nullptr;
};

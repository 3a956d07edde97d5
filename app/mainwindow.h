#pragma once

#include "base/appidentity.h"
#include "base/apppaths.h"
#include "monitor/alarmechoguard.h"
#include "monitor/noisedetector.h"
#include "monitor/signalwatch.h"
#include "monitor/soundchoice.h"
#include "update/updatecheck.h"
#include "update/updateworker.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class Desktop;
class LanguageCatalogue;
class MicrophoneCapture;
class MicrophoneMenu;
class NoiseMeter;
class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QSystemTrayIcon;
class QTimer;
class SessionTools;
class SettingsStore;
class SoundPlayer;
class UpdateNotice;

// The main window: start button, noise meter, threshold bar, tolerance and sound
// controls, status bar, menu, the three timers and the notification-area icon.
// Its handlers move values between the controls and the core; the arithmetic lives in
// NoiseDetector.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // How the update check reaches the maker's service, given the program's identity.
    using UpdateCheckFactory = std::function<UpdateCheckSetup(const AppIdentity &)>;

    MainWindow(MicrophoneCapture &capture, SoundPlayer &player, Desktop &desktop,
               LanguageCatalogue &language, const AppPaths &paths, UpdateCheckFactory updates,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    int scaleDimension(int x) const;
    void setLanguageFile(const QString &filename);

    const AppIdentity &identity() const { return m_identity; }
    const SettingsStore &settings() const { return *m_store; }
    QString settingsFolder() const { return m_settingsFolder; }
    // The update notice, once the check has announced a version.
    UpdateNotice *updateNotice() const { return m_notice.get(); }
    const CheckState &checkState() const { return *m_checkState; }
    QString statusText() const;
    SoundChoice soundChoice() const;
    const NoiseDetector &detector() const { return m_detector; }
    // Levels in dB, the alarm pause, the session report and start with the desktop.
    SessionTools &tools() const { return *m_tools; }

    // A millisecond clock for the signal and echo guards; replaceable for tests.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }

    // Whether the desktop offers a notification area; replaceable for tests.
    void setTrayAvailability(std::function<bool()> available)
    {
        m_trayAvailable = std::move(available);
    }

public slots:
    void startListening();
    void onMeterTick();
    void onCountTick();
    void onInputsTick();
    void chooseInput(const QString &id);
    void onUpdateCheckTick();
    void onThresholdChanged();
    void onToleranceChanged();
    void onCustomSoundPathChanged();
    void browseForCustomSound();
    void exitAtOnce();
    void onAutoStartToggled();
    void onMinimizeToTrayToggled();
    void resetToDefaults();
    void openOnlineHelp();
    void onUpdateNotificationsToggled();
    void showLanguageDialog();
    void showFeedbackDialog();
    void showAboutBox();
    void onMinimized();
    void restoreFromTray();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createOptions();
    void createTimers();
    void createMenu();
    void restoreSettings();
    void stopListening();
    void restoreControls();
    void onSoundChosen(SoundChoice choice);
    void toggleStoredOption(QAction *item, const QString &name);
    // Writes one option through to disk; a failed write shows the general error message.
    void store(const QString &name, const QString &value);
    void playAlarm();
    void setStatusText(const QString &text);
    void showSignalState(bool live);
    QRadioButton *soundButton(SoundChoice choice) const;
    QString translated(const QString &text) const;

    MicrophoneCapture &m_capture;
    SoundPlayer &m_player;
    Desktop &m_desktop;
    LanguageCatalogue &m_language;
    const AppPaths m_paths;
    AppIdentity m_identity;
    QString m_settingsFolder;
    std::unique_ptr<SettingsStore> m_store; // in memory until the settings file is open
    NoiseDetector m_detector;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_now; // milliseconds for the guards below
    SignalWatch m_signal;
    AlarmEchoGuard m_echoGuard;
    QString m_chosenInput; // empty: the sound system's default input
    bool m_inputsShown = false;
    std::function<bool()> m_trayAvailable;
    UpdateCheckFactory m_updates;
    std::shared_ptr<CheckState> m_checkState = std::make_shared<CheckState>();
    // Its end stops a check still under way and waits for it briefly: the window ends
    // before main() returns.
    UpdateWorker m_updateWorker;
    std::unique_ptr<UpdateNotice> m_notice;
    SessionTools *m_tools = nullptr;
    bool m_centred = false;

    QPushButton *m_startButton = nullptr;
    NoiseMeter *m_meter = nullptr;
    QSlider *m_thresholdBar = nullptr;
    QWidget *m_optionsPanel = nullptr;
    QSpinBox *m_toleranceBox = nullptr;
    std::array<QRadioButton *, 5> m_soundButtons{}; // in the order of SoundChoice
    QLineEdit *m_customSoundPath = nullptr;
    QPushButton *m_browseButton = nullptr;
    QLabel *m_statusText = nullptr;
    QTimer *m_meterTimer = nullptr;
    QTimer *m_countTimer = nullptr;
    QTimer *m_updateCheckTimer = nullptr;
    QTimer *m_inputsTimer = nullptr;
    MicrophoneMenu *m_microphoneMenu = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QAction *m_autoStartItem = nullptr;
    QAction *m_minimizeToTrayItem = nullptr;
    QAction *m_updateNotificationsItem = nullptr;
};

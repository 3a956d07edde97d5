#pragma once

#include "app/appidentity.h"
#include "app/apppaths.h"
#include "monitor/noisedetector.h"
#include "monitor/soundchoice.h"
#include "update/check.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class Desktop;
class LanguageCatalogue;
class MicrophoneCapture;
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
class SettingsStore;
class SoundPlayer;
class TNewVer;

// The main window: start button, noise meter, threshold bar, tolerance and sound
// controls, status bar, menu, the three timers and the notification-area icon.
// Its handlers move values between the controls and the core; the arithmetic lives in
// NoiseDetector.
class TAppForm : public QMainWindow
{
    Q_OBJECT
public:
    // How the update check reaches the maker's service, given the program's identity.
    using UpdateCheckFactory = std::function<UpdateCheckSetup(const AppIdentity &)>;

    TAppForm(MicrophoneCapture &capture, SoundPlayer &player, Desktop &desktop,
             LanguageCatalogue &language, const AppPaths &paths, UpdateCheckFactory updates,
             QWidget *parent = nullptr);
    ~TAppForm() override;

    // The application's title: the caption of the general error message.
    static constexpr const char *ApplicationTitle = "Murmlet";

    // Tahoma at 11 pixels, or the nearest face installed.
    static QFont windowFont();

    int ScaleDimension(int x) const;
    void SetLanguageFile(const QString &filename);

    const AppIdentity &identity() const { return m_identity; }
    const SettingsStore &settings() const { return *m_store; }
    QString settingsFolder() const { return m_settingsFolder; }
    // The update notice, once the check has announced a version.
    TNewVer *updateNotice() const { return m_notice.get(); }
    const CheckState &checkState() const { return *m_checkState; }
    QString statusText() const;
    SoundChoice soundChoice() const;
    const NoiseDetector &detector() const { return m_detector; }

    // Whether the desktop offers a notification area; replaceable for tests.
    void setTrayAvailability(std::function<bool()> available)
    {
        m_trayAvailable = std::move(available);
    }

public slots:
    void ButtonStartClick();
    void Timer1Timer();
    void Timer2Timer();
    void TimerCheckerTimer();
    void TrackBar1Change();
    void SpinEdit1Change();
    void Edit1Change();
    void Button1Click();
    void Exit1Click();
    void AutoStartMicrophone1Click();
    void MinimizetoSystemTray1Click();
    void ResettoDefaults1Click();
    void Help2Click();
    void UpdateNotifications1Click();
    void Language1Click();
    void SendFeedback1Click();
    void About1Click();
    void ApplicationEvents1Minimize();
    void TrayIcon1Click();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createMenu();
    void FormCreate();
    void FormClose();
    void RestoreControls();
    void RadioButtonClick(SoundChoice choice);
    void toggleStoredOption(QAction *item, const QString &name);
    // Writes one option through to disk; a failed write shows the general error message.
    void store(const QString &name, const QString &value);
    void playAlarm();
    void setStatusText(const QString &text);
    void showGeneralError(const QString &message);
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
    std::function<bool()> m_trayAvailable;
    UpdateCheckFactory m_updates;
    std::shared_ptr<CheckState> m_checkState = std::make_shared<CheckState>();
    bool m_checkerStarted = false;
    std::unique_ptr<TNewVer> m_notice;
    bool m_centred = false;

    QPushButton *ButtonStart = nullptr;
    NoiseMeter *Gauge1 = nullptr;
    QSlider *TrackBar1 = nullptr;
    QWidget *Panel2 = nullptr;
    QSpinBox *SpinEdit1 = nullptr;
    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr;
    QRadioButton *RadioButton4 = nullptr;
    QRadioButton *RadioButton5 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QLabel *StatusPanel = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *TimerChecker = nullptr;
    QSystemTrayIcon *TrayIcon1 = nullptr;
    QAction *AutoStartMicrophone1 = nullptr;
    QAction *MinimizetoSystemTray1 = nullptr;
    QAction *UpdateNotifications1 = nullptr;
};

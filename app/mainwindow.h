#pragma once

#include "base/appidentity.h"
#include "base/apppaths.h"
#include "base/settings.h"
#include "monitor/soundchoice.h"
#include "update/updatecheck.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class Desktop;
class LanguageCatalogue;
class ListeningSession;
class NoiseMeter;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QSystemTrayIcon;
class UpdateCheckPoller;

// The main window: start button, noise meter, threshold bar, tolerance and sound
// controls, status bar, menu and the notification-area icon.
// It presents the listening session (the meter and the status bar follow its signals)
// and hands it the controls' values, keeping each in the settings as it changes. The
// features (levels, calibration, pause, session report, start with the desktop, the
// microphone menu, the class display) bring their own menu entries, which the window
// only places.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // How the update check reaches the maker's service, given the program's identity.
    using UpdateCheckFactory = std::function<UpdateCheckSetup(const AppIdentity &)>;
    using Translator = std::function<QString(const QString &)>;

    MainWindow(ListeningSession &session, Desktop &desktop, LanguageCatalogue &language,
               const AppPaths &paths, UpdateCheckFactory updates, QWidget *parent = nullptr);
    ~MainWindow() override;

    int scaleDimension(int x) const;
    void setLanguageFile(const QString &filename);

    const AppIdentity &identity() const { return m_identity; }
    const SettingsStore &settings() const { return m_settings.store(); }
    QString settingsFolder() const { return m_settingsFolder; }
    // The update check, started a second after the window opens.
    UpdateCheckPoller &updateCheck() const { return *m_updateCheck; }
    QString statusText() const;
    SoundChoice soundChoice() const;

    // Whether the desktop offers a notification area; replaceable for tests.
    void setTrayAvailability(std::function<bool()> available)
    {
        m_trayAvailable = std::move(available);
    }

public slots:
    void startListening();
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
    void createTrayIcon();
    void startUpdateCheck();
    void createMenu();
    void addFeatures();
    void restoreSettings();
    void restoreControls();
    // Disables the controls of values the computer's administrator has locked.
    void lockPolicyControls();
    // The title, and the school link's state while it is on.
    QString trayToolTip() const;
    void presentSession();
    void showListening();
    void onSoundChosen(SoundChoice choice);
    void setStatusText(const QString &text);
    void showSignalState(bool live);
    void reportSettingsFailure(const SettingsStore::WriteError &error);
    QRadioButton *soundButton(SoundChoice choice) const;
    QString translated(const QString &text) const;
    Translator translator() const;

    ListeningSession &m_session;
    Desktop &m_desktop;
    LanguageCatalogue &m_language;
    const AppPaths m_paths;
    AppIdentity m_identity;
    QString m_linkState; // the school link's state in words; empty while it is off
    QString m_settingsFolder;
    Settings m_settings;
    std::function<bool()> m_trayAvailable;
    UpdateCheckFactory m_updates;
    UpdateCheckPoller *m_updateCheck = nullptr;
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
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_settingsMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_exitItem = nullptr;
    QAction *m_resetSeparator = nullptr;
    QAction *m_autoStartItem = nullptr;
    QAction *m_minimizeToTrayItem = nullptr;
    QAction *m_updateNotificationsItem = nullptr;
};

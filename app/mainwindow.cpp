#include "app/mainwindow.h"

#include "app/noisemeter.h"
#include "base/applicationsetup.h"
#include "base/desktop.h"
#include "base/lockedbypolicy.h"
#include "base/pictures.h"
#include "base/programmessages.h"
#include "base/settingsfolder.h"
#include "base/settingspolicy.h"
#include "base/tahomafont.h"
#include "base/windowplacement.h"
#include "features/about/aboutbox.h"
#include "features/alarm/alarmmodemenu.h"
#include "features/alarm/alarmvolumemenu.h"
#include "features/classdisplay/classdisplaymenu.h"
#include "features/feedback/feedbackdialog.h"
#include "features/lessontimes/lessontimesaction.h"
#include "features/levels/calibrateaction.h"
#include "features/levels/leveltooltips.h"
#include "features/microphone/microphonemenu.h"
#include "features/pause/pausemenu.h"
#include "features/pause/pausenote.h"
#include "features/schoollink/schoollinkaction.h"
#include "features/schoolview/schoolviewaction.h"
#include "features/sessionreport/sessionreportaction.h"
#include "features/startwithdesktop/startwithdesktopaction.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagedialog.h"
#include "localisation/userlanguage.h"
#include "monitor/soundplayer.h"
#include "monitor/wavsound.h"
#include "session/listeningsession.h"
#include "update/postform.h"
#include "update/updatecheckpoller.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <stdexcept>

namespace {
const QColor Lime(0, 255, 0);
const QColor Red(255, 0, 0);

constexpr int ClientWidth = 403;
constexpr int ClientHeight = 245;
constexpr int StatusBarHeight = 19;

// A picture from the desktop's icon theme, or our own drawing when the theme has none.
QIcon picture(const char *themeName, const char *ownName)
{
    return QIcon::fromTheme(
        QString::fromLatin1(themeName),
        Pictures::icon(QStringLiteral(":/icons/%1").arg(QLatin1String(ownName))));
}

template <typename T> T *placed(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}
} // namespace

MainWindow::MainWindow(ListeningSession &session, Desktop &desktop, LanguageCatalogue &language,
                       const AppPaths &paths, UpdateCheckFactory updates, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_desktop(desktop), m_language(language),
      m_paths(paths),
      m_settings([this](const SettingsStore::WriteError &error) { reportSettingsFailure(error); }),
      m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable), m_updates(std::move(updates))
{
    setObjectName(QStringLiteral("AppForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(ApplicationSetup::windowFont());
    setWindowIcon(Pictures::icon(QStringLiteral(":/icons/murmlet")));
    createControls();
    createMenu();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    presentSession();
    restoreSettings();
    addFeatures(); // in the interface language, loaded by now
    startUpdateCheck();
}

// The update check ends first, with its notice: its end stops a check still under way
// and waits for it briefly, and the window ends before main() returns.
MainWindow::~MainWindow()
{
    delete m_updateCheck;
}

void MainWindow::createControls()
{
    auto *client = new QWidget(this);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *startHolder = new QWidget(client);
    auto *startMargins = new QVBoxLayout(startHolder);
    startMargins->setContentsMargins(3, 3, 3, 3);
    m_startButton = new QPushButton(picture("audio-input-microphone", "microphone"),
                                    QStringLiteral("Start Microphone"), startHolder);
    m_startButton->setObjectName(QStringLiteral("ButtonStart"));
    m_startButton->setFont(tahomaFont(13, true));
    m_startButton->setIconSize(QSize(16, 16));
    startMargins->addWidget(m_startButton);
    column->addWidget(startHolder);
    connect(m_startButton, &QPushButton::clicked, this, &MainWindow::startListening);

    m_meter = new NoiseMeter(client);
    m_meter->setObjectName(QStringLiteral("Gauge1"));
    m_meter->setFixedHeight(25);
    m_meter->setToolTip(QStringLiteral("Noise Meter"));
    m_meter->hide();
    column->addWidget(m_meter);

    m_thresholdBar = new QSlider(Qt::Horizontal, client);
    m_thresholdBar->setObjectName(QStringLiteral("TrackBar1"));
    m_thresholdBar->setFixedHeight(45);
    m_thresholdBar->setRange(0, 10);
    m_thresholdBar->setValue(SettingsTable::NoiseThreshold.fallback);
    m_thresholdBar->setTickPosition(QSlider::TicksBothSides);
    m_thresholdBar->setTickInterval(1);
    m_thresholdBar->setPageStep(1);
    m_thresholdBar->setToolTip(QStringLiteral("Noise Threshold"));
    m_thresholdBar->hide();
    column->addWidget(m_thresholdBar);
    connect(m_thresholdBar, &QSlider::valueChanged, this, &MainWindow::onThresholdChanged);

    m_optionsPanel = new QWidget(client);
    m_optionsPanel->setObjectName(QStringLiteral("Panel2"));
    column->addWidget(m_optionsPanel, 1);
    createOptions();

    setCentralWidget(client);

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setFixedHeight(StatusBarHeight);
    statusBar->setSizeGripEnabled(false);
    m_statusText = new QLabel(statusBar);
    m_statusText->setObjectName(QStringLiteral("StatusPanel"));
    statusBar->addWidget(m_statusText, 1);
    setStatusBar(statusBar);

    createTrayIcon();
}

// The tolerance box, the warning-sound choices and the custom-sound path with its button.
void MainWindow::createOptions()
{
    auto *toleranceLabel = placed<QLabel>(m_optionsPanel, "Label1", 3, 11, 84, 14);
    toleranceLabel->setText(QStringLiteral("Tolerance (sec):"));
    toleranceLabel->adjustSize();
    m_toleranceBox = placed<QSpinBox>(m_optionsPanel, "SpinEdit1", 87, 8, 97, 22);
    m_toleranceBox->setRange(SettingsTable::Tolerance.minimum, SettingsTable::Tolerance.maximum);
    m_toleranceBox->setValue(SettingsTable::Tolerance.fallback);
    connect(m_toleranceBox, &QSpinBox::textChanged, this, &MainWindow::onToleranceChanged);
    auto *soundLabel = placed<QLabel>(m_optionsPanel, "Label3", 3, 38, 84, 14);
    soundLabel->setText(QStringLiteral("Warning Sound:"));
    soundLabel->adjustSize();

    // One button per choice, in the order of SoundChoice, with their places and captions.
    struct SoundButton
    {
        SoundChoice choice;
        const char *name;
        int y;
        int width;
        const char *caption;
    };
    const std::array<SoundButton, 5> soundButtons{{
        {SoundChoice::None, "RadioButton1", 36, 113, "None"},
        {SoundChoice::Beep, "RadioButton2", 59, 113, "Beep"},
        {SoundChoice::Male, "RadioButton3", 82, 113, "Shhh (Male)"},
        {SoundChoice::Female, "RadioButton4", 105, 113, "Shhh (Female)"},
        {SoundChoice::Custom, "RadioButton5", 128, 90, "Custom"},
    }};
    auto *group = new QButtonGroup(this);
    for (const SoundButton &entry : soundButtons) {
        QRadioButton *button =
            placed<QRadioButton>(m_optionsPanel, entry.name, 87, entry.y, entry.width, 17);
        button->setText(QString::fromLatin1(entry.caption));
        group->addButton(button);
        m_soundButtons[static_cast<std::size_t>(entry.choice)] = button;
    }
    // The initial choice, before any handler is attached.
    soundButton(SoundChoice::None)->setChecked(true);
    for (const SoundButton &entry : soundButtons) {
        connect(soundButton(entry.choice), &QRadioButton::toggled, this,
                [this, choice = entry.choice](bool checked) {
                    if (checked)
                        onSoundChosen(choice);
                });
    }

    m_customSoundPath = placed<QLineEdit>(m_optionsPanel, "Edit1", 176, 128, 146, 21);
    m_customSoundPath->hide();
    connect(m_customSoundPath, &QLineEdit::textChanged, this,
            &MainWindow::onCustomSoundPathChanged);
    m_browseButton = placed<QPushButton>(m_optionsPanel, "Button1", 325, 126, 68, 25);
    m_browseButton->setText(QStringLiteral("Browse..."));
    m_browseButton->hide();
    const QString soundLimit =
        translated(QStringLiteral("Only the first 10 seconds of the sound are played."));
    m_customSoundPath->setToolTip(soundLimit);
    m_browseButton->setToolTip(soundLimit);
    connect(m_browseButton, &QPushButton::clicked, this, &MainWindow::browseForCustomSound);
}

// The notification-area icon with its menu.
void MainWindow::createTrayIcon()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    m_trayIcon = new QSystemTrayIcon(windowIcon(), this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    restoreFromTray();
            });
}

void MainWindow::createMenu()
{
    auto item = [this](QMenu *menu, const char *name, const QString &caption, auto handler) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto separator = [](QMenu *menu, const char *name) {
        QAction *action = menu->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    m_fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    m_fileMenu->setObjectName(QStringLiteral("File1"));
    m_exitItem = item(m_fileMenu, "Exit1", QStringLiteral("Exit"), &MainWindow::exitAtOnce);
    m_exitItem->setIcon(picture("application-exit", "exit"));

    m_settingsMenu = menuBar()->addMenu(QStringLiteral("Settings"));
    m_settingsMenu->setObjectName(QStringLiteral("Settings1"));
    m_autoStartItem =
        item(m_settingsMenu, "AutoStartMicrophone1", QStringLiteral("Auto Start Microphone"),
             &MainWindow::onAutoStartToggled);
    m_minimizeToTrayItem =
        item(m_settingsMenu, "MinimizetoSystemTray1", QStringLiteral("Minimize to System Tray"),
             &MainWindow::onMinimizeToTrayToggled);
    for (QAction *option : {m_autoStartItem, m_minimizeToTrayItem})
        option->setCheckable(true);
    m_resetSeparator = separator(m_settingsMenu, "N1");
    item(m_settingsMenu, "ResettoDefaults1", QStringLiteral("Reset to Defaults"),
         &MainWindow::resetToDefaults);

    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    m_helpMenu = helpMenu;
    QAction *onlineHelp =
        item(helpMenu, "Help2", QStringLiteral("Online Help"), &MainWindow::openOnlineHelp);
    onlineHelp->setIcon(picture("help-browser", "help"));
    onlineHelp->setShortcut(QKeySequence(Qt::Key_F1));
    onlineHelp->setShortcutContext(Qt::ApplicationShortcut);
    separator(helpMenu, "N3");
    // Enabled once the update check has finished; nothing shows it.
    m_updateNotificationsItem =
        item(helpMenu, "UpdateNotifications1", QStringLiteral("Update Notifications"),
             &MainWindow::onUpdateNotificationsToggled);
    m_updateNotificationsItem->setCheckable(true);
    m_updateNotificationsItem->setChecked(true);
    m_updateNotificationsItem->setEnabled(false);
    m_updateNotificationsItem->setVisible(false);
    separator(helpMenu, "UpdateNotificationsBar")->setVisible(false);
    QAction *language =
        item(helpMenu, "Language1", QStringLiteral("Language..."), &MainWindow::showLanguageDialog);
    language->setIcon(picture("preferences-desktop-locale", "flag"));
    language->setVisible(false); // nothing in the program shows it
    item(helpMenu, "SendFeedback1", QStringLiteral("Send &Feedback..."),
         &MainWindow::showFeedbackDialog)
        ->setIcon(picture("mail-send", "feedback"));
    item(helpMenu, "About1", QStringLiteral("&About..."), &MainWindow::showAboutBox)
        ->setIcon(picture("help-about", "about"));
}

// The features' own entries: Session Report... above Exit; Microphone, Calibrate...,
// Pause Alarm (also the tray icon's menu), Lesson Times..., Alarm, Alarm Volume and Start
// with the Desktop after the two options of the Settings menu; the View menu (the class
// display, then School) before Help; the levels behind the meter's and the bar's tooltips.
void MainWindow::addFeatures()
{
    const Translator tr = translator();
    new LevelTooltips(m_session, m_settings, tr, m_meter, m_thresholdBar);

    m_fileMenu->insertAction(m_exitItem, new SessionReportAction(m_session, m_settings, tr, this));
    m_fileMenu->insertSeparator(m_exitItem);

    m_settingsMenu->insertMenu(m_resetSeparator,
                               new MicrophoneMenu(m_session, m_settings, tr, this));
    m_settingsMenu->insertAction(m_resetSeparator,
                                 new CalibrateAction(m_session, m_settings, tr, this));
    auto *pause = new PauseMenu(m_session, tr, this);
    m_settingsMenu->insertMenu(m_resetSeparator, pause);
    m_trayMenu->addMenu(pause);
    m_settingsMenu->insertAction(m_resetSeparator,
                                 new LessonTimesAction(m_session, m_settings, tr, this));
    m_settingsMenu->insertMenu(m_resetSeparator,
                               new AlarmModeMenu(m_session, m_settings, tr, this));
    m_settingsMenu->insertMenu(m_resetSeparator,
                               new AlarmVolumeMenu(m_session, m_settings, tr, this));
    auto *startWithDesktop = new StartWithDesktopAction(
        m_paths.programFile, m_settings, tr,
        [this](const QString &message) { ProgramMessages::showGeneralError(this, message); }, this);
    m_settingsMenu->insertAction(m_resetSeparator, startWithDesktop);
    connect(m_settingsMenu, &QMenu::aboutToShow, startWithDesktop,
            &StartWithDesktopAction::showState);
    auto *schoolLink = new SchoolLinkAction(m_session, m_settings, tr, this);
    m_settingsMenu->insertAction(m_resetSeparator, schoolLink);
    statusBar()->addPermanentWidget(schoolLink->stateLabel());
    // Minimised to the tray, the link's state is in the icon's tooltip.
    connect(schoolLink, &SchoolLinkAction::stateShown, this, [this](const QString &text) {
        m_linkState = text;
        m_trayIcon->setToolTip(trayToolTip());
    });
    m_linkState = schoolLink->stateLabel()->isHidden() ? QString() : schoolLink->stateText();
    auto *view = new ClassDisplayMenu(m_session, m_settings, tr, this);
    view->addSeparator();
    view->addAction(new SchoolViewAction(m_settings, tr, view));
    menuBar()->insertMenu(m_helpMenu->menuAction(), view);
}

// The meter and the status bar follow the session; the meter shows its visual alarm.
void MainWindow::presentSession()
{
    connect(&m_session, &ListeningSession::listeningStarted, this, &MainWindow::showListening);
    connect(&m_session, &ListeningSession::signalChanged, this, &MainWindow::showSignalState);
    connect(&m_session, &ListeningSession::flashChanged, m_meter, &NoiseMeter::setFlashLit);
    connect(&m_session, &ListeningSession::readingTaken, this,
            [this](const NoiseDetector::Reading &reading) {
                m_meter->setBarColor(reading.noisy ? Red : Lime);
                m_meter->setValue(reading.meterValue);
            });
    connect(&m_session, &ListeningSession::secondCounted, this,
            [this](const ListeningSession::Second &second) {
                setStatusText(PauseNote::statusText(second.countText, m_session, translator()));
            });
}

void MainWindow::restoreSettings()
{
    try {
        // Identity: from the version record in the program's own file.
        m_identity = AppIdentity::fromVersionRecord(m_paths.programFile);
        setWindowTitle(m_identity.title);
        m_settingsFolder = SettingsFolder::choose(m_paths.programFolder, m_identity.companyName,
                                                  m_identity.productName);
        SettingsPolicy policy =
            SettingsPolicy::loadFromSystem(m_identity.companyName, m_identity.productName);
        for (const QString &problem : policy.problems())
            qWarning("Settings policy: %s", qUtf8Printable(problem));
        m_settings.open(m_settingsFolder + QStringLiteral("settings.ini"), std::move(policy));
        restoreControls();
        // Older files have no choice: the default input.
        m_session.setMicrophone(m_settings.read(SettingsTable::Microphone));
        m_startButton->setFixedHeight(scaleDimension(64));
        if (m_settings.read(SettingsTable::MinimizeToSystemTray))
            m_minimizeToTrayItem->setChecked(true);
        if (m_settings.read(SettingsTable::AutoStartMicrophone)) {
            m_autoStartItem->setChecked(true);
            m_startButton->click();
        }
        const QString language = m_settings.read(SettingsTable::Language);
        if (!language.isEmpty())
            m_language.setUserLanguage(UserLanguage::fromPolicy(language));
        m_language.loadLanguage(QString());
        lockPolicyControls();
    } catch (const std::exception &error) {
        ProgramMessages::showGeneralError(this, QString::fromUtf8(error.what()));
    }
    if (!m_settings.store().savesChanges()) {
        // Said once, in the interface language: the user would otherwise lose every change
        // without knowing.
        ProgramMessages::showGeneralError(
            this,
            translated(QStringLiteral("The settings file cannot be read.")) + QLatin1Char('\n') +
                QDir::toNativeSeparators(m_settings.store().fileName()) + QStringLiteral("\n\n") +
                translated(
                    QStringLiteral("The default settings are used and changes are not saved.")));
    }
}

void MainWindow::restoreControls()
{
    {
        const QSignalBlocker detached(m_thresholdBar);
        m_thresholdBar->setValue(m_settings.read(SettingsTable::NoiseThreshold));
    }
    m_session.setThreshold(m_thresholdBar->value());
    // Stays attached: a held value whose text differs from "5" is stored back.
    m_toleranceBox->setValue(m_settings.read(SettingsTable::Tolerance));
    // The alarm plays the stored file, whichever sound is chosen now.
    m_session.setCustomSoundFile(m_settings.read(SettingsTable::CustomSound));

    // Custom counts only with a path; anything unknown stays None.
    const SoundChoice sound = SoundChoices::fromStoredName(m_settings.read(SettingsTable::Sound));
    if (sound == SoundChoice::Custom) {
        const QString custom = m_settings.read(SettingsTable::CustomSound);
        if (custom.isEmpty())
            return;
        m_customSoundPath->setText(custom);
    }
    if (sound != SoundChoice::None)
        soundButton(sound)->setChecked(true);
}

void MainWindow::lockPolicyControls()
{
    const QString note = translated(QLatin1String(LockedByPolicy::Note));
    // Their locked items say so in a tooltip; only items with one of their own show any.
    m_settingsMenu->setToolTipsVisible(true);
    m_helpMenu->setToolTipsVisible(true);
    if (m_settings.isLocked(SettingsTable::NoiseThreshold))
        LockedByPolicy::mark(m_thresholdBar, note);
    if (m_settings.isLocked(SettingsTable::Tolerance))
        LockedByPolicy::mark(m_toleranceBox, note);
    if (m_settings.isLocked(SettingsTable::Sound)) {
        for (QRadioButton *button : m_soundButtons)
            LockedByPolicy::mark(button, note);
    }
    if (m_settings.isLocked(SettingsTable::CustomSound)) {
        LockedByPolicy::mark(m_customSoundPath, note);
        LockedByPolicy::mark(m_browseButton, note);
    }
    if (m_settings.isLocked(SettingsTable::AutoStartMicrophone))
        LockedByPolicy::mark(m_autoStartItem, note);
    if (m_settings.isLocked(SettingsTable::MinimizeToSystemTray))
        LockedByPolicy::mark(m_minimizeToTrayItem, note);
    if (m_settings.isLocked(SettingsTable::UpdateNotifications))
        LockedByPolicy::mark(m_updateNotificationsItem, note);
}

int MainWindow::scaleDimension(int x) const
{
    // Qt scales whole windows itself; the screen's and the window's logical DPI agree.
    const QScreen *display = screen();
    const double screenDpi = display ? display->logicalDotsPerInch() : 96.0;
    const double windowDpi = logicalDpiY() > 0 ? logicalDpiY() : screenDpi;
    return qRound(x * screenDpi / windowDpi);
}

void MainWindow::setLanguageFile(const QString &) {}

void MainWindow::startListening()
{
    try {
        m_session.start();
    } catch (const std::exception &error) {
        QMessageBox::critical(this, QStringLiteral("ERROR"), QString::fromUtf8(error.what()));
    }
}

void MainWindow::showListening()
{
    m_startButton->hide();
    m_meter->show();
    m_thresholdBar->show();
}

void MainWindow::showSignalState(bool live)
{
    m_meter->setSignalLost(!live);
    m_meter->setToolTip(
        live ? QStringLiteral("Noise Meter")
             : translated(QStringLiteral("No sound is coming in from the microphone.")));
}

void MainWindow::startUpdateCheck()
{
    const SettingsPolicy &policy = m_settings.store().policy();
    const auto policyValue = [&policy](std::optional<QString> value) -> std::optional<bool> {
        return value ? std::optional<bool>(*value == QLatin1String("ON")) : std::nullopt;
    };
    const QString section = QLatin1String(SettingsTable::UpdateNotifications.section);
    const QString name = QLatin1String(SettingsTable::UpdateNotifications.name);
    const std::optional<bool> preset = policyValue(policy.preset(section, name));
    const std::optional<bool> locked = policyValue(policy.locked(section, name));
    m_updateCheck = new UpdateCheckPoller(
        [this, preset, locked] {
            UpdateCheckSetup setup = m_updates(m_identity);
            setup.presetNotifications = preset;
            setup.lockedNotifications = locked;
            return setup;
        },
        m_identity, m_desktop, m_language, this);
    connect(m_updateCheck, &UpdateCheckPoller::finished, this,
            [this, locked](bool notificationsOn) {
                m_updateNotificationsItem->setEnabled(!locked);
                if (!notificationsOn)
                    m_updateNotificationsItem->setChecked(false);
            });
}

void MainWindow::onUpdateNotificationsToggled()
{
    // The action has toggled its check mark already. Governs the next program start.
    m_updateCheck->keepShowingUpdates(m_updateNotificationsItem->isChecked());
}

void MainWindow::onThresholdChanged()
{
    const int position = m_thresholdBar->value();
    m_session.setThreshold(position);
    setStatusText(NoiseDetector::thresholdText(position));
    m_settings.write(SettingsTable::NoiseThreshold, position);
}

void MainWindow::onToleranceChanged()
{
    const int tolerance = NoiseDetector::toleranceFromText(m_toleranceBox->text());
    m_session.setTolerance(tolerance);
    m_settings.write(SettingsTable::Tolerance, tolerance);
}

void MainWindow::onSoundChosen(SoundChoice choice)
{
    m_session.setSound(choice);
    m_settings.write(SettingsTable::Sound, SoundChoices::storedName(choice));
    const bool custom = choice == SoundChoice::Custom;
    m_customSoundPath->setVisible(custom);
    m_browseButton->setVisible(custom);
}

void MainWindow::onCustomSoundPathChanged()
{
    m_session.setCustomSoundFile(m_customSoundPath->text());
    m_settings.write(SettingsTable::CustomSound, m_customSoundPath->text());
}

void MainWindow::browseForCustomSound()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("WAV File (*.wav)"), QStringLiteral("Any File (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = dialog.selectedFiles().constFirst();
    // Only a sound whose length we know is taken: while it plays the room is not heard,
    // and that must end when the sound does, not before.
    QFile file(chosen);
    if (file.size() > SoundPlayer::MaximumFileBytes || !file.open(QIODevice::ReadOnly) ||
        !WavSound::parse(file.readAll())) {
        ProgramMessages::showGeneralError(
            this, translated(QStringLiteral("This sound cannot be used. Murmlet plays "
                                            "uncompressed WAV files only (PCM or 32-bit "
                                            "float). Please choose another file.")));
        return;
    }
    m_customSoundPath->setText(QDir::toNativeSeparators(chosen));
}

void MainWindow::exitAtOnce()
{
    // Ends at once: the window is not closed, so the microphone is not released here.
    QCoreApplication::exit(0);
}

void MainWindow::reportSettingsFailure(const SettingsStore::WriteError &error)
{
    if (dynamic_cast<const SettingsStore::NotOpenError *>(&error))
        ProgramMessages::showGeneralError(
            this, translated(QStringLiteral("The settings cannot be saved.")));
    else
        ProgramMessages::showGeneralError(this, QString::fromUtf8(error.what()));
}

// Both options only change what is stored; they act at the next start or minimise.
void MainWindow::onAutoStartToggled()
{
    m_settings.write(SettingsTable::AutoStartMicrophone, m_autoStartItem->isChecked());
}

void MainWindow::onMinimizeToTrayToggled()
{
    m_settings.write(SettingsTable::MinimizeToSystemTray, m_minimizeToTrayItem->isChecked());
}

void MainWindow::resetToDefaults()
{
    if (!ProgramMessages::confirmRestart(this, translator()))
        return;
    // The ending copy writes nothing more: the new one starts from the defaults. Only the
    // store's own file goes; a store that was never opened has none, and an unreadable
    // file that the store keeps in place stays (the new copy cannot read it either).
    const QString file = m_settings.store().fileName();
    if (!file.isEmpty() && m_settings.store().savesChanges())
        QFile::remove(file);
    QCoreApplication::processEvents();
    m_desktop.startProgram(m_paths.programFile);
    QCoreApplication::exit(0);
}

void MainWindow::openOnlineHelp()
{
    m_desktop.openUrl(m_identity.helpAddress(QStringLiteral(MURMLET_WEB_HOST)));
}

// The dialogs: a fresh one at every use, shown modally.
void MainWindow::showLanguageDialog()
{
    LanguageDialog dialog(
        m_language, m_desktop, m_settingsFolder, m_paths.programFile,
        [this](const QString &file) { setLanguageFile(file); }, this);
    dialog.exec();
}
void MainWindow::showFeedbackDialog()
{
    auto *form = new FeedbackDialog(
        m_language, m_identity,
        WebService::atHost(QStringLiteral(MURMLET_WEB_HOST), PostForm::feedback()), this);
    form->exec(); // frees itself when it closes
}

void MainWindow::showAboutBox()
{
    AboutBox box(m_language, m_identity, m_desktop, m_paths, this);
    box.exec();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible())
        QMetaObject::invokeMethod(this, &MainWindow::onMinimized, Qt::QueuedConnection);
}

void MainWindow::onMinimized()
{
    if (!m_minimizeToTrayItem->isChecked())
        return;
    // Without a notification area a hidden window could never come back.
    if (!m_trayAvailable || !m_trayAvailable())
        return;
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
    m_trayIcon->setToolTip(trayToolTip());
    m_trayIcon->show();
}

QString MainWindow::trayToolTip() const
{
    return m_linkState.isEmpty() ? m_identity.title
                                 : m_identity.title + QLatin1Char('\n') + m_linkState;
}

void MainWindow::restoreFromTray()
{
    m_trayIcon->hide();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_session.stop();
    QMainWindow::closeEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Under Wayland the compositor places the window; a move() there is ignored.
    if (!m_centred && !WindowPlacement::byCompositor()) {
        m_centred = true;
        if (const QScreen *display = screen())
            move(display->availableGeometry().center() - rect().center());
    }
}

QString MainWindow::statusText() const
{
    return m_statusText->text();
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusText->setText(text);
}

SoundChoice MainWindow::soundChoice() const
{
    for (std::size_t i = 0; i < m_soundButtons.size(); ++i) {
        if (m_soundButtons[i]->isChecked())
            return static_cast<SoundChoice>(i);
    }
    return SoundChoice::None;
}

QRadioButton *MainWindow::soundButton(SoundChoice choice) const
{
    return m_soundButtons[static_cast<std::size_t>(choice)];
}

QString MainWindow::translated(const QString &text) const
{
    return m_language.translate(text);
}

MainWindow::Translator MainWindow::translator() const
{
    return [this](const QString &text) { return translated(text); };
}

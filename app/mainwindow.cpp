#include "app/mainwindow.h"

#include "app/microphonemenu.h"
#include "app/noisemeter.h"
#include "app/sessiontools.h"
#include "base/applicationsetup.h"
#include "base/desktop.h"
#include "base/pictures.h"
#include "base/programmessages.h"
#include "base/settingsfolder.h"
#include "base/settingsstore.h"
#include "base/tahomafont.h"
#include "dialogs/aboutbox.h"
#include "dialogs/feedbackdialog.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagedialog.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"
#include "update/postform.h"
#include "update/updatenotice.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
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
#include <QTimer>
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

MainWindow::MainWindow(MicrophoneCapture &capture, SoundPlayer &player, Desktop &desktop,
                       LanguageCatalogue &language, const AppPaths &paths,
                       UpdateCheckFactory updates, QWidget *parent)
    : QMainWindow(parent), m_capture(capture), m_player(player), m_desktop(desktop),
      m_language(language), m_paths(paths), m_store(std::make_unique<SettingsStore>()),
      m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable), m_updates(std::move(updates))
{
    m_elapsed.start();
    m_now = [this] { return m_elapsed.elapsed(); };
    setObjectName(QStringLiteral("AppForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(ApplicationSetup::windowFont());
    setWindowIcon(Pictures::icon(QStringLiteral(":/icons/murmlet")));
    m_tools = new SessionTools(
        this, {[this](const QString &text) { return translated(text); },
               [this](const QString &name) { return m_store->readString(name); },
               [this](const QString &name, const QString &value) { store(name, value); },
               [this](const QString &text) { ProgramMessages::showGeneralError(this, text); },
               [this] { return m_now(); }, [this] { return m_thresholdBar->value(); },
               m_paths.programFile});
    createControls();
    createMenu();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    restoreSettings();
    m_tools->refreshMenus(); // in the interface language, loaded by now
}

MainWindow::~MainWindow() = default;

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
    m_thresholdBar->setValue(NoiseDetector::DefaultThreshold);
    m_thresholdBar->setTickPosition(QSlider::TicksBothSides);
    m_thresholdBar->setTickInterval(1);
    m_thresholdBar->setPageStep(1);
    m_thresholdBar->setToolTip(QStringLiteral("Noise Threshold"));
    m_thresholdBar->hide();
    m_tools->explainLevels(m_meter, m_thresholdBar);
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

    createTimers();
}

// The tolerance box, the warning-sound choices and the custom-sound path with its button.
void MainWindow::createOptions()
{

    auto *toleranceLabel = placed<QLabel>(m_optionsPanel, "Label1", 3, 11, 84, 14);
    toleranceLabel->setText(QStringLiteral("Tolerance (sec):"));
    toleranceLabel->adjustSize();
    m_toleranceBox = placed<QSpinBox>(m_optionsPanel, "SpinEdit1", 87, 8, 97, 22);
    m_toleranceBox->setRange(NoiseDetector::MinimumTolerance, NoiseDetector::MaximumTolerance);
    m_toleranceBox->setValue(NoiseDetector::DefaultTolerance);
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
    connect(m_browseButton, &QPushButton::clicked, this, &MainWindow::browseForCustomSound);
}

// The meter tick, the count tick, the update-check tick and the notification-area icon.
void MainWindow::createTimers()
{
    m_meterTimer = new QTimer(this);
    m_meterTimer->setObjectName(QStringLiteral("Timer1"));
    m_meterTimer->setInterval(50);
    m_meterTimer->setTimerType(Qt::PreciseTimer);
    connect(m_meterTimer, &QTimer::timeout, this, &MainWindow::onMeterTick);
    m_countTimer = new QTimer(this);
    m_countTimer->setObjectName(QStringLiteral("Timer2"));
    m_countTimer->setInterval(1000);
    connect(m_countTimer, &QTimer::timeout, this, &MainWindow::onCountTick);
    m_updateCheckTimer = new QTimer(this);
    m_updateCheckTimer->setObjectName(QStringLiteral("TimerChecker"));
    m_updateCheckTimer->setInterval(1000);
    connect(m_updateCheckTimer, &QTimer::timeout, this, &MainWindow::onUpdateCheckTick);
    m_updateCheckTimer->start();
    // Keeps the microphone list current and the sound system connected, listening or not.
    m_inputsTimer = new QTimer(this);
    m_inputsTimer->setObjectName(QStringLiteral("TimerInputs"));
    m_inputsTimer->setInterval(1000);
    connect(m_inputsTimer, &QTimer::timeout, this, &MainWindow::onInputsTick);
    m_inputsTimer->start();

    m_trayIcon = new QSystemTrayIcon(windowIcon(), this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon->setContextMenu(m_tools->trayMenu());
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

    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    item(fileMenu, "Exit1", QStringLiteral("Exit"), &MainWindow::exitAtOnce)
        ->setIcon(picture("application-exit", "exit"));

    QMenu *settingsMenu = menuBar()->addMenu(QStringLiteral("Settings"));
    settingsMenu->setObjectName(QStringLiteral("Settings1"));
    m_autoStartItem =
        item(settingsMenu, "AutoStartMicrophone1", QStringLiteral("Auto Start Microphone"),
             &MainWindow::onAutoStartToggled);
    m_minimizeToTrayItem =
        item(settingsMenu, "MinimizetoSystemTray1", QStringLiteral("Minimize to System Tray"),
             &MainWindow::onMinimizeToTrayToggled);
    for (QAction *option : {m_autoStartItem, m_minimizeToTrayItem})
        option->setCheckable(true);
    m_microphoneMenu =
        new MicrophoneMenu([this](const QString &text) { return translated(text); }, this);
    settingsMenu->addMenu(m_microphoneMenu);
    connect(m_microphoneMenu, &MicrophoneMenu::inputChosen, this, &MainWindow::chooseInput);
    m_tools->addMenuEntries(fileMenu, settingsMenu);
    separator(settingsMenu, "N1");
    item(settingsMenu, "ResettoDefaults1", QStringLiteral("Reset to Defaults"),
         &MainWindow::resetToDefaults);

    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
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

void MainWindow::restoreSettings()
{
    try {
        // Identity: from the version record in the program's own file.
        m_identity = AppIdentity::fromVersionRecord(m_paths.programFile);
        setWindowTitle(m_identity.title);
        m_settingsFolder = SettingsFolder::choose(m_paths.programFolder, m_identity.companyName,
                                                  m_identity.productName);
        m_store = SettingsStore::open(m_settingsFolder + QStringLiteral("settings.ini"));
        restoreControls();
        // Older files have no choice: the default input.
        m_chosenInput = m_store->readString(QStringLiteral("Microphone"));
        m_capture.setPreferredInput(m_chosenInput);
        m_startButton->setFixedHeight(scaleDimension(64));
        if (m_store->readString(QStringLiteral("MinimizeToSystemTray")) == QLatin1String("ON"))
            m_minimizeToTrayItem->setChecked(true);
        if (m_store->readString(QStringLiteral("AutoStartMicrophone")) == QLatin1String("ON")) {
            m_autoStartItem->setChecked(true);
            m_startButton->click();
        }
        m_language.loadLanguage(QString());
        onInputsTick(); // the list in the interface language, and the first connection
    } catch (const std::exception &error) {
        ProgramMessages::showGeneralError(this, QString::fromUtf8(error.what()));
    }
    if (!m_store->savesChanges()) {
        // Said once, in the interface language: the user would otherwise lose every change
        // without knowing.
        ProgramMessages::showGeneralError(
            this,
            translated(QStringLiteral("The settings file cannot be read.")) + QLatin1Char('\n') +
                QDir::toNativeSeparators(m_store->fileName()) + QStringLiteral("\n\n") +
                translated(
                    QStringLiteral("The default settings are used and changes are not saved.")));
    }
}

void MainWindow::restoreControls()
{
    {
        const QSignalBlocker detached(m_thresholdBar);
        m_thresholdBar->setValue(m_store->readInteger(QStringLiteral("NoiseThreshold"),
                                                      NoiseDetector::DefaultThreshold));
    }
    // Stays attached: a held value whose text differs from "5" is stored back.
    m_toleranceBox->setValue(
        m_store->readInteger(QStringLiteral("Tolerance"), NoiseDetector::DefaultTolerance));

    // Custom counts only with a path; anything unknown stays None.
    const SoundChoice sound =
        SoundChoices::fromStoredName(m_store->readString(QStringLiteral("Sound")));
    if (sound == SoundChoice::Custom) {
        const QString custom = m_store->readString(QStringLiteral("CustomSound"));
        if (custom.isEmpty())
            return;
        m_customSoundPath->setText(custom);
    }
    if (sound != SoundChoice::None)
        soundButton(sound)->setChecked(true);
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
        m_capture.openMicrophone(); // a failure shows as a greyed meter, not as a message
        m_signal.start(m_now());
        m_meterTimer->start();
        m_countTimer->start();
        m_startButton->hide();
        m_meter->show();
        m_thresholdBar->show();
    } catch (const std::exception &error) {
        QMessageBox::critical(this, QStringLiteral("ERROR"), QString::fromUtf8(error.what()));
    }
}

void MainWindow::onMeterTick()
{
    const qint64 now = m_now();
    if (m_capture.readMicrophoneBuffer())
        m_signal.noteCapture(now);
    // Without sound coming in, the room counts as silent rather than as loud as it last was.
    const bool live = m_signal.isLive(now);
    const bool ownSound = m_echoGuard.isOwnSound(m_player.isPlaying(), now);
    const NoiseDetector::Reading reading =
        m_detector.measure(live ? m_capture.rawLevel() : 0, m_thresholdBar->value(), ownSound);
    m_tools->noteReading(reading.level);
    showSignalState(live);
    m_meter->setBarColor(reading.noisy ? Red : Lime);
    m_meter->setValue(reading.meterValue);
}

void MainWindow::showSignalState(bool live)
{
    if (live != m_meter->isSignalLost())
        return;
    m_meter->setSignalLost(!live);
    m_meter->setToolTip(
        live ? QStringLiteral("Noise Meter")
             : translated(QStringLiteral("No sound is coming in from the microphone.")));
}

void MainWindow::onInputsTick()
{
    if (m_capture.maintain() || !m_inputsShown) {
        m_inputsShown = true;
        m_microphoneMenu->showInputs(m_capture.inputs(), m_chosenInput);
    }
}

void MainWindow::chooseInput(const QString &id)
{
    m_chosenInput = id;
    m_capture.setPreferredInput(id);
    store(QStringLiteral("Microphone"), id);
    m_microphoneMenu->showInputs(m_capture.inputs(), m_chosenInput);
}

void MainWindow::onCountTick()
{
    const NoiseDetector::Second second =
        m_detector.tick(NoiseDetector::toleranceFromText(m_toleranceBox->text()));
    // A paused alarm still counts and resets; it only stays silent.
    const bool maySound = m_tools->closeSecond(m_detector.noiseDetected(), second.alarm);
    setStatusText(m_tools->statusText(second.statusText));
    if (second.alarm && maySound)
        playAlarm();
}

void MainWindow::playAlarm()
{
    const SoundChoice choice = soundChoice();
    if (choice == SoundChoice::Custom) {
        // The stored path, not the edit box: every change of the box is stored anyway.
        const QString path = m_store->readString(QStringLiteral("CustomSound"));
        if (!path.isEmpty() && QFileInfo(path).isFile())
            m_player.playFile(path);
        return;
    }
    const QString resource = SoundChoices::resourceName(choice);
    if (!resource.isEmpty())
        m_player.playResource(resource);
}

void MainWindow::onUpdateCheckTick()
{
    if (!m_updateWorker.isStarted()) {
        m_updateWorker.start(m_updates(m_identity), m_identity.title, m_identity.version,
                             m_checkState);
        return;
    }
    // The worker wrote everything else before it set the flag.
    if (!m_checkState->checkDone.load(std::memory_order_acquire))
        return;
    m_updateCheckTimer->stop();
    m_updateNotificationsItem->setEnabled(true);
    if (m_checkState->showUpdateSetting == 0)
        m_updateNotificationsItem->setChecked(false);
    if (m_checkState->newVersionAvailable && !m_notice) {
        m_notice = std::make_unique<UpdateNotice>(
            m_desktop, m_language,
            UpdateNotice::Announcement{m_identity.productName, m_checkState->latestVersion,
                                       m_checkState->downloadUrl,
                                       QStringLiteral("http://" MURMLET_WEB_HOST "/")},
            this);
    }
}

void MainWindow::onUpdateNotificationsToggled()
{
    // The action has toggled its check mark already. Governs the next program start.
    if (m_checkState->store)
        m_checkState->store->writeString(
            QStringLiteral("ShowUpdate"),
            m_updateNotificationsItem->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::onThresholdChanged()
{
    setStatusText(NoiseDetector::thresholdText(m_thresholdBar->value()));
    store(QStringLiteral("NoiseThreshold"), QString::number(m_thresholdBar->value()));
}

void MainWindow::onToleranceChanged()
{
    store(QStringLiteral("Tolerance"),
          QString::number(NoiseDetector::toleranceFromText(m_toleranceBox->text())));
}

void MainWindow::onSoundChosen(SoundChoice choice)
{
    store(QStringLiteral("Sound"), SoundChoices::storedName(choice));
    const bool custom = choice == SoundChoice::Custom;
    m_customSoundPath->setVisible(custom);
    m_browseButton->setVisible(custom);
}

void MainWindow::onCustomSoundPathChanged()
{
    store(QStringLiteral("CustomSound"), m_customSoundPath->text());
}

void MainWindow::browseForCustomSound()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("WAV File (*.wav)"), QStringLiteral("Any File (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_customSoundPath->setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

void MainWindow::exitAtOnce()
{
    // Ends at once: the window is not closed, so stopListening does not run.
    QCoreApplication::exit(0);
}

void MainWindow::toggleStoredOption(QAction *item, const QString &name)
{
    // The action toggled its own check mark before this runs.
    store(name, item->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void MainWindow::store(const QString &name, const QString &value)
{
    try {
        m_store->writeString(name, value);
    } catch (const SettingsStore::NotOpenError &) {
        ProgramMessages::showGeneralError(
            this, translated(QStringLiteral("The settings cannot be saved.")));
    } catch (const std::exception &error) {
        ProgramMessages::showGeneralError(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::onAutoStartToggled()
{
    toggleStoredOption(m_autoStartItem, QStringLiteral("AutoStartMicrophone"));
}

void MainWindow::onMinimizeToTrayToggled()
{
    toggleStoredOption(m_minimizeToTrayItem, QStringLiteral("MinimizeToSystemTray"));
}

void MainWindow::resetToDefaults()
{
    if (!ProgramMessages::confirmRestart(this,
                                         [this](const QString &text) { return translated(text); }))
        return;
    // The ending copy writes nothing more: the new one starts from the defaults. Only the
    // store's own file goes; a store that was never opened has none.
    if (!m_store->fileName().isEmpty())
        QFile::remove(m_store->fileName());
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
    m_trayIcon->setToolTip(m_identity.title);
    m_trayIcon->show();
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
    stopListening();
    QMainWindow::closeEvent(event);
}

void MainWindow::stopListening()
{
    m_capture.closeMicrophone();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
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

#include "app/main.h"

#include "app/captionedmessagedialog.h"
#include "app/desktop.h"
#include "app/noisemeter.h"
#include "app/settingsfolder.h"
#include "app/settingsstore.h"
#include "app/tahomafont.h"
#include "dialogs/about.h"
#include "dialogs/feedback.h"
#include "localisation/languagecatalogue.h"
#include "localisation/translation.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"
#include "update/newversion.h"

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
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(ownName))));
}

template <typename T> T *placed(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}
} // namespace

TAppForm::TAppForm(MicrophoneCapture &capture, SoundPlayer &player, Desktop &desktop,
                   LanguageCatalogue &language, const AppPaths &paths, UpdateCheckFactory updates,
                   QWidget *parent)
    : QMainWindow(parent), m_capture(capture), m_player(player), m_desktop(desktop),
      m_language(language), m_paths(paths), m_store(std::make_unique<SettingsStore>()),
      m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable), m_updates(std::move(updates))
{
    setObjectName(QStringLiteral("AppForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    setWindowIcon(QIcon(QStringLiteral(":/icons/murmlet.svg")));
    createControls();
    createMenu();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    FormCreate();
}

TAppForm::~TAppForm() = default;

QFont TAppForm::windowFont()
{
    return tahomaFont(11);
}

void TAppForm::createControls()
{
    auto *client = new QWidget(this);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *startHolder = new QWidget(client);
    auto *startMargins = new QVBoxLayout(startHolder);
    startMargins->setContentsMargins(3, 3, 3, 3);
    ButtonStart = new QPushButton(picture("audio-input-microphone", "microphone"),
                                  QStringLiteral("Start Microphone"), startHolder);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonStart->setFont(tahomaFont(13, true));
    ButtonStart->setIconSize(QSize(16, 16));
    startMargins->addWidget(ButtonStart);
    column->addWidget(startHolder);
    connect(ButtonStart, &QPushButton::clicked, this, &TAppForm::ButtonStartClick);

    Gauge1 = new NoiseMeter(client);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setFixedHeight(25);
    Gauge1->setToolTip(QStringLiteral("Noise Meter"));
    Gauge1->hide();
    column->addWidget(Gauge1);

    TrackBar1 = new QSlider(Qt::Horizontal, client);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setFixedHeight(45);
    TrackBar1->setRange(0, 10);
    TrackBar1->setValue(NoiseDetector::DefaultThreshold);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setToolTip(QStringLiteral("Noise Threshold"));
    TrackBar1->hide();
    column->addWidget(TrackBar1);
    connect(TrackBar1, &QSlider::valueChanged, this, &TAppForm::TrackBar1Change);

    Panel2 = new QWidget(client);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    column->addWidget(Panel2, 1);

    auto *label1 = placed<QLabel>(Panel2, "Label1", 3, 11, 84, 14);
    label1->setText(QStringLiteral("Tolerance (sec):"));
    label1->adjustSize();
    SpinEdit1 = placed<QSpinBox>(Panel2, "SpinEdit1", 87, 8, 97, 22);
    SpinEdit1->setRange(NoiseDetector::MinimumTolerance, NoiseDetector::MaximumTolerance);
    SpinEdit1->setValue(NoiseDetector::DefaultTolerance);
    connect(SpinEdit1, &QSpinBox::textChanged, this, &TAppForm::SpinEdit1Change);
    auto *label3 = placed<QLabel>(Panel2, "Label3", 3, 38, 84, 14);
    label3->setText(QStringLiteral("Warning Sound:"));
    label3->adjustSize();

    RadioButton1 = placed<QRadioButton>(Panel2, "RadioButton1", 87, 36, 113, 17);
    RadioButton2 = placed<QRadioButton>(Panel2, "RadioButton2", 87, 59, 113, 17);
    RadioButton3 = placed<QRadioButton>(Panel2, "RadioButton3", 87, 82, 113, 17);
    RadioButton4 = placed<QRadioButton>(Panel2, "RadioButton4", 87, 105, 113, 17);
    RadioButton5 = placed<QRadioButton>(Panel2, "RadioButton5", 87, 128, 90, 17);
    const std::array<std::pair<QRadioButton *, SoundChoice>, 5> choices{{
        {RadioButton1, SoundChoice::None},
        {RadioButton2, SoundChoice::Beep},
        {RadioButton3, SoundChoice::Male},
        {RadioButton4, SoundChoice::Female},
        {RadioButton5, SoundChoice::Custom},
    }};
    const std::array<const char *, 5> captions{"None", "Beep", "Shhh (Male)", "Shhh (Female)",
                                               "Custom"};
    auto *group = new QButtonGroup(this);
    RadioButton1->setChecked(true); // the initial choice, before any handler is attached
    for (std::size_t i = 0; i < choices.size(); ++i) {
        auto [button, choice] = choices[i];
        button->setText(QString::fromLatin1(captions[i]));
        group->addButton(button);
        connect(button, &QRadioButton::toggled, this, [this, choice = choice](bool checked) {
            if (checked)
                RadioButtonClick(choice);
        });
    }

    Edit1 = placed<QLineEdit>(Panel2, "Edit1", 176, 128, 146, 21);
    Edit1->hide();
    connect(Edit1, &QLineEdit::textChanged, this, &TAppForm::Edit1Change);
    Button1 = placed<QPushButton>(Panel2, "Button1", 325, 126, 68, 25);
    Button1->setText(QStringLiteral("Browse..."));
    Button1->hide();
    connect(Button1, &QPushButton::clicked, this, &TAppForm::Button1Click);

    setCentralWidget(client);

    auto *statusBar1 = new QStatusBar(this);
    statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusBar1->setFixedHeight(StatusBarHeight);
    statusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel(statusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    statusBar1->addWidget(StatusPanel, 1);
    setStatusBar(statusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TAppForm::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TAppForm::Timer2Timer);
    TimerChecker = new QTimer(this);
    TimerChecker->setObjectName(QStringLiteral("TimerChecker"));
    TimerChecker->setInterval(1000);
    connect(TimerChecker, &QTimer::timeout, this, &TAppForm::TimerCheckerTimer);
    TimerChecker->start();

    TrayIcon1 = new QSystemTrayIcon(windowIcon(), this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    TrayIcon1Click();
            });
}

void TAppForm::createMenu()
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

    QMenu *file1 = menuBar()->addMenu(QStringLiteral("File"));
    file1->setObjectName(QStringLiteral("File1"));
    item(file1, "Exit1", QStringLiteral("Exit"), &TAppForm::Exit1Click)
        ->setIcon(picture("application-exit", "exit"));

    QMenu *settings1 = menuBar()->addMenu(QStringLiteral("Settings"));
    settings1->setObjectName(QStringLiteral("Settings1"));
    AutoStartMicrophone1 =
        item(settings1, "AutoStartMicrophone1", QStringLiteral("Auto Start Microphone"),
             &TAppForm::AutoStartMicrophone1Click);
    MinimizetoSystemTray1 =
        item(settings1, "MinimizetoSystemTray1", QStringLiteral("Minimize to System Tray"),
             &TAppForm::MinimizetoSystemTray1Click);
    for (QAction *option : {AutoStartMicrophone1, MinimizetoSystemTray1})
        option->setCheckable(true);
    separator(settings1, "N1");
    item(settings1, "ResettoDefaults1", QStringLiteral("Reset to Defaults"),
         &TAppForm::ResettoDefaults1Click);

    QMenu *help1 = menuBar()->addMenu(QStringLiteral("Help"));
    help1->setObjectName(QStringLiteral("Help1"));
    QAction *help2 = item(help1, "Help2", QStringLiteral("Online Help"), &TAppForm::Help2Click);
    help2->setIcon(picture("help-browser", "help"));
    help2->setShortcut(QKeySequence(Qt::Key_F1));
    help2->setShortcutContext(Qt::ApplicationShortcut);
    separator(help1, "N3");
    // Enabled once the update check has finished; nothing shows it.
    UpdateNotifications1 =
        item(help1, "UpdateNotifications1", QStringLiteral("Update Notifications"),
             &TAppForm::UpdateNotifications1Click);
    UpdateNotifications1->setCheckable(true);
    UpdateNotifications1->setChecked(true);
    UpdateNotifications1->setEnabled(false);
    UpdateNotifications1->setVisible(false);
    separator(help1, "UpdateNotificationsBar")->setVisible(false);
    QAction *language =
        item(help1, "Language1", QStringLiteral("Language..."), &TAppForm::Language1Click);
    language->setIcon(picture("preferences-desktop-locale", "flag"));
    language->setVisible(false); // nothing in the program shows it
    item(help1, "SendFeedback1", QStringLiteral("Send &Feedback..."), &TAppForm::SendFeedback1Click)
        ->setIcon(picture("mail-send", "feedback"));
    item(help1, "About1", QStringLiteral("&About..."), &TAppForm::About1Click)
        ->setIcon(picture("help-about", "about"));
}

void TAppForm::FormCreate()
{
    try {
        // Identity: from the version record in the program's own file.
        m_identity = AppIdentity::fromVersionRecord(m_paths.programFile);
        setWindowTitle(m_identity.title);
        m_settingsFolder = SettingsFolder::choose(m_paths.programFolder, m_identity.companyName,
                                                  m_identity.productName);
        m_store = SettingsStore::open(m_settingsFolder + QStringLiteral("settings.ini"));
        RestoreControls();
        ButtonStart->setFixedHeight(ScaleDimension(64));
        if (m_store->ReadString(QStringLiteral("MinimizeToSystemTray")) == QLatin1String("ON"))
            MinimizetoSystemTray1->setChecked(true);
        if (m_store->ReadString(QStringLiteral("AutoStartMicrophone")) == QLatin1String("ON")) {
            AutoStartMicrophone1->setChecked(true);
            ButtonStart->click();
        }
        m_language.LoadLanguage(QString());
    } catch (const std::exception &error) {
        showGeneralError(QString::fromUtf8(error.what()));
    }
}

void TAppForm::RestoreControls()
{
    {
        const QSignalBlocker detached(TrackBar1);
        TrackBar1->setValue(m_store->ReadInteger(QStringLiteral("NoiseThreshold"),
                                                 NoiseDetector::DefaultThreshold));
    }
    // Stays attached: a held value whose text differs from "5" is stored back.
    SpinEdit1->setValue(
        m_store->ReadInteger(QStringLiteral("Tolerance"), NoiseDetector::DefaultTolerance));

    const QString sound = m_store->ReadString(QStringLiteral("Sound"));
    switch (SoundChoices::fromStoredName(sound)) {
    case SoundChoice::Beep:
        RadioButton2->setChecked(true);
        break;
    case SoundChoice::Male:
        RadioButton3->setChecked(true);
        break;
    case SoundChoice::Female:
        RadioButton4->setChecked(true);
        break;
    case SoundChoice::Custom: {
        const QString custom = m_store->ReadString(QStringLiteral("CustomSound"));
        if (!custom.isEmpty()) {
            Edit1->setText(custom);
            RadioButton5->setChecked(true);
        }
        break;
    }
    case SoundChoice::None:
        break;
    }
}

int TAppForm::ScaleDimension(int x) const
{
    // Qt scales whole windows itself; the screen's and the window's logical DPI agree.
    const QScreen *display = screen();
    const double screenDpi = display ? display->logicalDotsPerInch() : 96.0;
    const double windowDpi = logicalDpiY() > 0 ? logicalDpiY() : screenDpi;
    return qRound(x * screenDpi / windowDpi);
}

void TAppForm::SetLanguageFile(const QString &) {}

void TAppForm::ButtonStartClick()
{
    try {
        m_capture.OpenMicrophone(); // a failure shows as an empty meter, not as a message
        Timer1->start();
        Timer2->start();
        ButtonStart->hide();
        Gauge1->show();
        TrackBar1->show();
    } catch (const std::exception &error) {
        QMessageBox::critical(this, QStringLiteral("ERROR"), QString::fromUtf8(error.what()));
    }
}

void TAppForm::Timer1Timer()
{
    m_capture.ReadMicrophoneBuffer();
    const NoiseDetector::Reading reading =
        m_detector.measure(m_capture.RawLevel(), TrackBar1->value());
    Gauge1->setBarColor(reading.noisy ? Red : Lime);
    Gauge1->setValue(reading.meterValue);
}

void TAppForm::Timer2Timer()
{
    const NoiseDetector::Second second =
        m_detector.tick(NoiseDetector::toleranceFromText(SpinEdit1->text()));
    setStatusText(second.statusText);
    if (second.alarm)
        playAlarm();
}

void TAppForm::playAlarm()
{
    const SoundChoice choice = soundChoice();
    if (choice == SoundChoice::Custom) {
        // The stored path, not the edit box: every change of the box is stored anyway.
        const QString path = m_store->ReadString(QStringLiteral("CustomSound"));
        if (!path.isEmpty() && QFileInfo(path).isFile())
            m_player.PlayFile(path);
        return;
    }
    const QString resource = SoundChoices::resourceName(choice);
    if (!resource.isEmpty())
        m_player.PlayResource(resource);
}

void TAppForm::TimerCheckerTimer()
{
    if (!m_checkerStarted) {
        m_checkerStarted = true;
        TChecker::start(m_updates(m_identity), m_identity.title, m_identity.version, m_checkState);
        return;
    }
    // The worker wrote everything else before it set the flag.
    if (!m_checkState->checkDone.load(std::memory_order_acquire))
        return;
    TimerChecker->stop();
    UpdateNotifications1->setEnabled(true);
    if (m_checkState->showUpdateSetting == 0)
        UpdateNotifications1->setChecked(false);
    if (m_checkState->newVersionAvailable && !m_notice) {
        m_notice = std::make_unique<TNewVer>(
            m_desktop, m_language,
            TNewVer::Announcement{m_identity.productName, m_checkState->latestVersion,
                                  m_checkState->downloadUrl,
                                  QStringLiteral("http://" MURMLET_WEB_HOST "/")},
            this);
    }
}

void TAppForm::UpdateNotifications1Click()
{
    // The action has toggled its check mark already. Governs the next program start.
    if (m_checkState->store)
        m_checkState->store->writeString(QStringLiteral("ShowUpdate"),
                                         UpdateNotifications1->isChecked() ? QStringLiteral("1")
                                                                           : QStringLiteral("0"));
}

void TAppForm::TrackBar1Change()
{
    setStatusText(NoiseDetector::thresholdText(TrackBar1->value()));
    store(QStringLiteral("NoiseThreshold"), QString::number(TrackBar1->value()));
}

void TAppForm::SpinEdit1Change()
{
    store(QStringLiteral("Tolerance"),
          QString::number(NoiseDetector::toleranceFromText(SpinEdit1->text())));
}

void TAppForm::RadioButtonClick(SoundChoice choice)
{
    store(QStringLiteral("Sound"), SoundChoices::storedName(choice));
    const bool custom = choice == SoundChoice::Custom;
    Edit1->setVisible(custom);
    Button1->setVisible(custom);
}

void TAppForm::Edit1Change()
{
    store(QStringLiteral("CustomSound"), Edit1->text());
}

void TAppForm::Button1Click()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("WAV File (*.wav)"), QStringLiteral("Any File (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        Edit1->setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

void TAppForm::Exit1Click()
{
    // Ends at once: the window is not closed, so FormClose does not run.
    QCoreApplication::exit(0);
}

void TAppForm::toggleStoredOption(QAction *item, const QString &name)
{
    // The action toggled its own check mark before this runs.
    store(name, item->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void TAppForm::store(const QString &name, const QString &value)
{
    try {
        m_store->WriteString(name, value);
    } catch (const std::exception &error) {
        showGeneralError(QString::fromUtf8(error.what()));
    }
}

void TAppForm::AutoStartMicrophone1Click()
{
    toggleStoredOption(AutoStartMicrophone1, QStringLiteral("AutoStartMicrophone"));
}

void TAppForm::MinimizetoSystemTray1Click()
{
    toggleStoredOption(MinimizetoSystemTray1, QStringLiteral("MinimizeToSystemTray"));
}

void TAppForm::ResettoDefaults1Click()
{
    const int answer = CaptionedMessageDialog(
        this, translated(QStringLiteral("Restart Application?")), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No, translated(QStringLiteral("Confirmation")),
        {translated(QStringLiteral("Yes")), translated(QStringLiteral("No"))});
    if (answer != DialogResult::Yes)
        return;
    // The ending copy writes nothing more: the new one starts from the defaults.
    QFile::remove(m_settingsFolder + QStringLiteral("settings.ini"));
    QCoreApplication::processEvents();
    m_desktop.startProgram(m_paths.programFile);
    QCoreApplication::exit(0);
}

void TAppForm::Help2Click()
{
    m_desktop.openUrl(m_identity.helpAddress(QStringLiteral(MURMLET_WEB_HOST)));
}

// The dialogs: a fresh one at every use, shown modally.
void TAppForm::Language1Click()
{
    TTranslateForm dialog(
        m_language, m_desktop, m_settingsFolder, m_paths.programFile,
        [this](const QString &file) { SetLanguageFile(file); }, this);
    dialog.exec();
}
void TAppForm::SendFeedback1Click()
{
    auto *form = new TFeedbackForm(
        m_language, m_identity, FeedbackService::forHost(QStringLiteral(MURMLET_WEB_HOST)), this);
    form->exec(); // frees itself when it closes
}

void TAppForm::About1Click()
{
    TAboutBox box(m_language, m_identity, m_desktop, m_paths, this);
    box.exec();
}

void TAppForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible())
        QMetaObject::invokeMethod(this, &TAppForm::ApplicationEvents1Minimize,
                                  Qt::QueuedConnection);
}

void TAppForm::ApplicationEvents1Minimize()
{
    if (!MinimizetoSystemTray1->isChecked())
        return;
    // Without a notification area a hidden window could never come back.
    if (!m_trayAvailable || !m_trayAvailable())
        return;
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
    TrayIcon1->setToolTip(m_identity.title);
    TrayIcon1->show();
}

void TAppForm::TrayIcon1Click()
{
    TrayIcon1->hide();
    showNormal();
    raise();
    activateWindow();
}

void TAppForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TAppForm::FormClose()
{
    m_capture.CloseMicrophone();
}

void TAppForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *display = screen())
            move(display->availableGeometry().center() - rect().center());
    }
}

QString TAppForm::statusText() const
{
    return StatusPanel->text();
}

void TAppForm::setStatusText(const QString &text)
{
    StatusPanel->setText(text);
}

SoundChoice TAppForm::soundChoice() const
{
    if (RadioButton2->isChecked())
        return SoundChoice::Beep;
    if (RadioButton3->isChecked())
        return SoundChoice::Male;
    if (RadioButton4->isChecked())
        return SoundChoice::Female;
    if (RadioButton5->isChecked())
        return SoundChoice::Custom;
    return SoundChoice::None;
}

void TAppForm::showGeneralError(const QString &message)
{
    QString text = message;
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    QMessageBox::critical(this, QString::fromLatin1(ApplicationTitle), text);
}

QString TAppForm::translated(const QString &text) const
{
    return m_language.Translate(text);
}

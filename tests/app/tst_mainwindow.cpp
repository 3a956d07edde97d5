#include "app/mainwindow.h"
#include "app/noisemeter.h"
#include "base/captionedmessagedialog.h"
#include "base/qtdesktop.h"
#include "base/settingsstore.h"
#include "localisation/languagecatalogue.h"
#include "monitor/alarmechoguard.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "support/mainloop.h"
#include "support/namedchild.h"
#include "support/sourcedir.h"
#include "update/updatecheckpoller.h"
#include "update/updatenotice.h"
#include <QFile>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// One main window with test doubles for every platform layer, in a program folder of
// its own. `ini` (CR LF added) is the settings.ini found there at start; the shipped
// Languages folder lies beside the program when `languages` is set.
struct Fixture
{
    // beforeStart runs just before the window is made, to prepare its folder.
    explicit Fixture(const QStringList &ini = {}, quint16 userLanguage = 1033,
                     bool languages = false, const std::function<void(Fixture &)> &beforeStart = {})
    {
        if (languages) {
            QDir(folder.path()).mkdir("Languages");
            const QDir shipped(SourceDir::path() + "/resources/Languages");
            for (const QString &name : shipped.entryList(QDir::Files))
                QFile::copy(shipped.filePath(name), folder.filePath("Languages/" + name));
        }
        language = std::make_unique<LanguageCatalogue>(folder.path(), userLanguage);
        if (!ini.isEmpty()) {
            QFile file(settingsFile());
            file.open(QIODevice::WriteOnly);
            file.write("\xEF\xBB\xBF" + ini.join("\r\n").toUtf8() + "\r\n");
        }
        auto steady = std::make_unique<SteadyDevice>();
        device = steady.get();
        capture = std::make_unique<MicrophoneCapture>(std::move(steady));
        session = std::make_unique<ListeningSession>(*capture, player);
        if (beforeStart)
            beforeStart(*this);
        form = std::make_unique<MainWindow>(
            *session, desktop, *language, AppPaths{programFile, folder.path()},
            [this](const AppIdentity &) {
                return offlineUpdates(folder.filePath("updates.ini"), updateReply);
            });
    }
    template <typename T> T *child(const char *name) const
    {
        return namedChild<T>(*form, *session, name);
    }
    void secondsOfNoise(int seconds, qint16 peak)
    {
        device->peak = peak;
        for (int s = 0; s < seconds; ++s) {
            session->onMeterTick();
            session->onCountTick();
            statuses << form->statusText();
        }
    }
    QString settingsFile() const { return folder.filePath("settings.ini"); }
    // The value lines of settings.ini as they are on disk.
    QStringList fileLines() const
    {
        QFile file(settingsFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll().mid(3)).split("\r\n");
        lines.removeAll(QString());
        return lines;
    }
    QString stored(const QString &name) const { return form->settings().readString(name); }

    QTemporaryDir folder;
    QString programFile = QCoreApplication::applicationFilePath(); // holds the version record
    SteadyDevice *device = nullptr;
    std::unique_ptr<MicrophoneCapture> capture;
    RecordingPlayer player;
    std::unique_ptr<ListeningSession> session;
    RecordingDesktop desktop;
    std::unique_ptr<LanguageCatalogue> language;
    QString updateReply; // what the update service answers; null: it cannot be reached
    std::unique_ptr<MainWindow> form;
    QStringList statuses;
};

// Presses a button of the next modal message box once it shows.
void answerNextMessageBox(QMessageBox::StandardButton button, QStringList *captions = nullptr,
                          QString *title = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (captions) {
            for (QAbstractButton *b : box->buttons())
                *captions << QString::number(box->standardButton(b)) + b->text();
        }
        if (title)
            *title = box->windowTitle();
        if (button == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}
// While it lives, answers every message box that has an OK button and keeps its text.
struct MessageBoxes
{
    MessageBoxes()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->button(QMessageBox::Ok)) {
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer.start(10);
    }
    QStringList texts;
    QTimer timer;
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void freshWindow();
    void startMonitoring();
    void autoStartOpensMonitoring();
    void meterFollowsLevel_data();
    void meterFollowsLevel();
    void lostMicrophoneShowsAndCountsAsSilence();
    void ownAlarmIsNotNoise();
    void microphoneMenu_data();
    void microphoneMenu();
    void alarmPlaysChosenSound_data();
    void alarmPlaysChosenSound();
    void thresholdBarWritesStatus();
    void radioButtonsShowCustomControls();
    void menuOptionsStoreOnOff();
    void restoreFromSettingsFile_data();
    void restoreFromSettingsFile();
    void failedWriteIsReportedAndKept();
    void storeNeverOpenedReportsEveryWriteAndDeletesNothing();
    void unreadableSettingsThatCannotBeMovedAsideAreKept();
    void minimiseToTray_data();
    void minimiseToTray();
    void onlineHelp();
    void closeReleasesMicrophoneButExitDoesNot();
    void captionedMessageDialog_data();
    void captionedMessageDialog();
    void resetQuestionSpeaksTheUsersLanguage_data();
    void resetQuestionSpeaksTheUsersLanguage();
    void resetStartsANewCopy();
    void menuOpensDialogs_data();
    void menuOpensDialogs();
    void updateNotice_data();
    void updateNotice();
    void updateCheckSwitchedOff();
    void resetToDefaults_data();
    void resetToDefaults();
};

void TestMainWindow::freshWindow()
{
    Fixture f;
    QCOMPARE(f.form->windowTitle(), QString("TAMBRIX - Murmlet"));
    QCOMPARE(f.form->width(), 403);
    QCOMPARE(f.child<QPushButton>("ButtonStart")->height(), 64);
    QVERIFY(!f.child<QPushButton>("ButtonStart")->isHidden());
    QVERIFY(f.child<NoiseMeter>("Gauge1")->isHidden());
    QVERIFY(f.child<QSlider>("TrackBar1")->isHidden());
    QCOMPARE(f.child<QSlider>("TrackBar1")->value(), 5);
    QCOMPARE(f.child<QSpinBox>("SpinEdit1")->value(), 5);
    QVERIFY(f.child<QRadioButton>("RadioButton1")->isChecked());
    QVERIFY(!f.child<QTimer>("Timer1")->isActive());
    QVERIFY(!f.child<QTimer>("Timer2")->isActive());
    QVERIFY(f.child<QTimer>("TimerChecker")->isActive());
    QVERIFY(f.statuses.isEmpty() && f.form->statusText().isEmpty());
    QVERIFY(!QFile::exists(f.settingsFile())); // nothing is stored until the user changes something
    QCOMPARE(f.form->settingsFolder(), QDir::toNativeSeparators(f.folder.path() + "/"));

    for (const char *hidden : {"Language1", "UpdateNotifications1", "UpdateNotificationsBar"})
        QVERIFY2(!f.child<QAction>(hidden)->isVisible(), hidden);
    QVERIFY(f.child<QAction>("UpdateNotifications1")->isChecked());
    QVERIFY(!f.child<QAction>("UpdateNotifications1")->isEnabled());
    QCOMPARE(f.child<QAction>("Help2")->shortcut(), QKeySequence(Qt::Key_F1));
    for (const char *pictured : {"Exit1", "Help2", "Language1", "SendFeedback1", "About1"})
        QVERIFY2(!f.child<QAction>(pictured)->icon().isNull(), pictured);
}

void TestMainWindow::startMonitoring()
{
    Fixture f;
    f.form->show();
    QTest::mouseClick(f.child<QPushButton>("ButtonStart"), Qt::LeftButton);
    QVERIFY(!f.child<QPushButton>("ButtonStart")->isVisible());
    QVERIFY(f.child<NoiseMeter>("Gauge1")->isVisible());
    QVERIFY(f.child<QSlider>("TrackBar1")->isVisible());
    QCOMPARE(f.child<QTimer>("Timer1")->interval(), 50);
    QCOMPARE(f.child<QTimer>("Timer2")->interval(), 1000);
    QVERIFY(f.child<QTimer>("Timer1")->isActive());
    QVERIFY(f.child<QTimer>("Timer2")->isActive());
    QCOMPARE(f.device->opens, 1);
    // The meter and the threshold bar take the button's place: the panel below stays put.
    QCOMPARE(f.child<NoiseMeter>("Gauge1")->height() + f.child<QSlider>("TrackBar1")->height(), 70);
}

void TestMainWindow::autoStartOpensMonitoring()
{
    Fixture f({"[Settings]", "AutoStartMicrophone=ON", "MinimizeToSystemTray=on"});
    QVERIFY(f.child<QAction>("AutoStartMicrophone1")->isChecked());
    QVERIFY(!f.child<QAction>("MinimizetoSystemTray1")->isChecked()); // only exactly "ON"
    QVERIFY(f.child<QPushButton>("ButtonStart")->isHidden());
    QVERIFY(f.child<QTimer>("Timer1")->isActive());
    QCOMPARE(f.device->opens, 1);
}

void TestMainWindow::meterFollowsLevel_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("peak");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("percent");
    QTest::newRow("silence is green and empty") << 5 << 0 << QColor(0, 255, 0) << 0;
    QTest::newRow("above the default threshold is red") << 5 << 1000 << QColor(255, 0, 0) << 65;
    QTest::newRow("the same sound under threshold 10 is green")
        << 10 << 1000 << QColor(0, 255, 0) << 65;
    QTest::newRow("full scale is a full red bar") << 10 << -32768 << QColor(255, 0, 0) << 100;
}

void TestMainWindow::meterFollowsLevel()
{
    QFETCH(int, threshold);
    QFETCH(int, peak);
    QFETCH(QColor, color);
    QFETCH(int, percent);
    Fixture f;
    f.child<QSlider>("TrackBar1")->setValue(threshold);
    f.device->peak = qint16(peak);
    f.session->onMeterTick();
    QCOMPARE(f.child<NoiseMeter>("Gauge1")->barColor(), color);
    QCOMPARE(f.child<NoiseMeter>("Gauge1")->percent(), percent);
}

// A microphone that stops delivering: after half a second the meter is greyed and the
// room counts as silent, so no alarm follows; sound coming in again shows at once.
void TestMainWindow::lostMicrophoneShowsAndCountsAsSilence()
{
    Fixture f({"[Settings]", "Tolerance=1", "Sound=Beep"});
    qint64 now = 0;
    f.session->setClock([&] { return now; });
    f.form->startListening();
    auto *meter = f.child<NoiseMeter>("Gauge1");
    f.device->peak = 20000;
    f.session->onMeterTick();
    QCOMPARE(meter->barColor(), QColor(255, 0, 0));

    f.device->delivering = false;
    now = 499;
    f.session->onMeterTick();
    QCOMPARE(meter->barColor(), QColor(255, 0, 0)); // the last capture is still recent
    QVERIFY(!meter->isSignalLost());
    now = 500;
    f.session->onMeterTick();
    QVERIFY(meter->isSignalLost());
    QCOMPARE(meter->barColor(), QColor(0, 255, 0));
    QCOMPARE(meter->percent(), 0);
    QCOMPARE(meter->toolTip(), QString("No sound is coming in from the microphone."));
    f.player.played.clear();
    for (int second = 0; second < 10; ++second) {
        now += 1000;
        f.session->onMeterTick();
        f.session->onCountTick();
        QCOMPARE(f.form->statusText(), QString());
    }
    QCOMPARE(f.player.played, QStringList());

    f.device->delivering = true;
    now += 50;
    f.session->onMeterTick();
    QVERIFY(!meter->isSignalLost());
    QCOMPARE(meter->barColor(), QColor(255, 0, 0));
    QCOMPARE(meter->toolTip(), QString("Noise Meter"));
}

// While the warning sound plays, and for a short tail after it, what the microphone
// hears is the alarm itself: shown on the meter, never counted.
void TestMainWindow::ownAlarmIsNotNoise()
{
    Fixture f({"[Settings]", "Tolerance=1", "Sound=Female"});
    qint64 now = 0;
    f.session->setClock([&] { return now; });
    f.form->startListening();
    auto *meter = f.child<NoiseMeter>("Gauge1");
    f.device->peak = 20000;
    f.session->onMeterTick();
    f.session->onCountTick();
    QCOMPARE(f.player.played, QStringList({"Resource_3"}));

    f.player.playing = true;
    for (int tick = 1; tick <= 20; ++tick) {
        now += 50;
        f.session->onMeterTick();
    }
    QCOMPARE(meter->barColor(), QColor(0, 255, 0));
    QCOMPARE(meter->percent(), 100);
    f.session->onCountTick();
    QCOMPARE(f.form->statusText(), QString());
    QCOMPARE(f.player.played.size(), 1);

    f.player.playing = false;
    now += 50;
    f.session->onMeterTick();
    now += AlarmEchoGuard::TailMs - 51; // the last played moment was 50 ms earlier
    f.session->onMeterTick();
    QCOMPARE(meter->barColor(), QColor(0, 255, 0));
    now += 1;
    f.session->onMeterTick();
    QCOMPARE(meter->barColor(), QColor(255, 0, 0));
}

void TestMainWindow::microphoneMenu_data()
{
    QTest::addColumn<QString>("stored"); // the Microphone line, or none
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("checked");
    QTest::newRow("older files mean the default")
        << QString() << QStringList{"Default", "", "Built-in", "USB Microphone"} << "Default";
    QTest::newRow("a chosen microphone that is there")
        << "Microphone=usb" << QStringList{"Default", "", "Built-in", "USB Microphone"}
        << "USB Microphone";
    QTest::newRow("a chosen microphone that is not connected")
        << "Microphone=headset"
        << QStringList{"Default", "", "Built-in", "USB Microphone", "headset (not connected)"}
        << "headset (not connected)";
}

void TestMainWindow::microphoneMenu()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, captions);
    QFETCH(QString, checked);
    QStringList ini{"[Settings]", "Sound=Beep"};
    if (!stored.isNull())
        ini << stored;
    Fixture f(ini);
    const QString chosen = stored.section('=', 1);
    QCOMPARE(f.device->preferred, chosen); // before anything is recorded
    f.device->devices = {{"builtin", "Built-in"}, {"usb", "USB Microphone"}};
    f.device->devicesChanged = true;
    f.session->onInputsTick();

    auto *menu = f.child<QMenu>("Microphone1");
    QCOMPARE(menu->title(), QString("Microphone"));
    QStringList seen;
    QString seenChecked;
    for (QAction *action : menu->actions()) {
        seen << action->text();
        if (action->isChecked())
            seenChecked = action->text();
    }
    QCOMPARE(seen, captions);
    QCOMPARE(seenChecked, checked);

    f.form->startListening();
    QCOMPARE(f.device->preferredAtOpen, chosen);

    // Choosing takes effect at once and is kept; Default is stored as empty.
    menu->actions().at(2)->trigger();
    QCOMPARE(f.device->preferred, QString("builtin"));
    QCOMPARE(f.stored("Microphone"), QString("builtin"));
    QVERIFY(f.fileLines().contains("Microphone=builtin"));
    f.child<QMenu>("Microphone1")->actions().at(0)->trigger();
    QCOMPARE(f.device->preferred, QString());
    QVERIFY(f.fileLines().contains("Microphone="));
}

void TestMainWindow::alarmPlaysChosenSound_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("customExists");
    QTest::addColumn<QString>("played");
    QTest::newRow("none") << "RadioButton1" << false << "";
    QTest::newRow("beep") << "RadioButton2" << false << "Resource_1";
    QTest::newRow("male") << "RadioButton3" << false << "Resource_2";
    QTest::newRow("female") << "RadioButton4" << false << "Resource_3";
    QTest::newRow("custom file") << "RadioButton5" << true << "file:";
    QTest::newRow("custom file missing") << "RadioButton5" << false << "";
}

void TestMainWindow::alarmPlaysChosenSound()
{
    QFETCH(QString, radio);
    QFETCH(bool, customExists);
    QFETCH(QString, played);
    QTemporaryDir dir;
    const QString custom = dir.filePath("my sound.wav");
    if (customExists) {
        QFile file(custom);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Fixture f;
    f.child<QRadioButton>(radio.toLatin1().constData())->click();
    f.child<QLineEdit>("Edit1")->setText(custom);

    f.secondsOfNoise(4, 20000);
    QVERIFY(f.player.played.isEmpty());
    f.secondsOfNoise(2, 20000);
    QCOMPARE(f.statuses,
             QStringList({"Noise Detected! (1)", "Noise Detected! (2)", "Noise Detected! (3)",
                          "Noise Detected! (4)", "Noise Detected! (5)", "Noise Detected! (1)"}));
    const QStringList expected = played.isEmpty()    ? QStringList()
                                 : played == "file:" ? QStringList{"file:" + custom}
                                                     : QStringList{played};
    QCOMPARE(f.player.played, expected);

    f.secondsOfNoise(1, 0);
    QCOMPARE(f.form->statusText(), QString());
}

void TestMainWindow::thresholdBarWritesStatus()
{
    Fixture f;
    f.child<QSlider>("TrackBar1")->setValue(7);
    QCOMPARE(f.form->statusText(), QString("Noise Threshold: 7"));
    QCOMPARE(f.stored("NoiseThreshold"), QString("7"));
    f.secondsOfNoise(1, 0); // the next second replaces the text
    QCOMPARE(f.form->statusText(), QString());
}

void TestMainWindow::radioButtonsShowCustomControls()
{
    Fixture f;
    auto *edit = f.child<QLineEdit>("Edit1");
    auto *browse = f.child<QPushButton>("Button1");
    f.child<QRadioButton>("RadioButton5")->click();
    QVERIFY(!edit->isHidden() && !browse->isHidden());
    QCOMPARE(f.stored("Sound"), QString("Custom"));
    edit->setText("/tmp/x.wav");
    f.child<QRadioButton>("RadioButton3")->click();
    QVERIFY(edit->isHidden() && browse->isHidden());
    QCOMPARE(f.stored("Sound"), QString("Male"));
    QCOMPARE(f.stored("CustomSound"), QString("/tmp/x.wav")); // the path is kept
    QCOMPARE(f.form->soundChoice(), SoundChoice::Male);
}

void TestMainWindow::menuOptionsStoreOnOff()
{
    Fixture f;
    f.child<QAction>("MinimizetoSystemTray1")->trigger();
    f.child<QAction>("AutoStartMicrophone1")->trigger();
    QCOMPARE(f.stored("MinimizeToSystemTray"), QString("ON"));
    QCOMPARE(f.stored("AutoStartMicrophone"), QString("ON"));
    QVERIFY(f.child<QPushButton>("ButtonStart")->isVisibleTo(f.form.get())); // nothing starts now
    f.child<QAction>("AutoStartMicrophone1")->trigger();
    QCOMPARE(f.stored("AutoStartMicrophone"), QString("OFF"));
    QVERIFY(!f.child<QAction>("AutoStartMicrophone1")->isChecked());
}

void TestMainWindow::restoreFromSettingsFile_data()
{
    QTest::addColumn<QStringList>("ini");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QStringList>("fileAfterStart"); // empty: no file; "unchanged": as prepared

    const QStringList unchanged{"unchanged"};
    // A comment line shows whether the file was rewritten: writing drops comments.
    const QString note = "; prepared by the test";
    QTest::newRow("no file: defaults, nothing written") << QStringList() << 5 << 5 << "RadioButton1"
                                                        << "" << QStringList();
    QTest::newRow("all options") << QStringList{"[Settings]", "NoiseThreshold=7", "Tolerance=12",
                                                "Sound=Female"}
                                 << 7 << 12 << "RadioButton4"
                                 << ""
                                 << QStringList{"[Settings]", "NoiseThreshold=7", "Tolerance=12",
                                                "Sound=Female"};
    QTest::newRow("threshold 15 shows 10 and stays 15 in the file")
        << QStringList{note, "[Settings]", "NoiseThreshold=15"} << 10 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("threshold abc gives the default")
        << QStringList{note, "[Settings]", "NoiseThreshold=abc"} << 5 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("hexadecimal threshold")
        << QStringList{note, "[Settings]", "NoiseThreshold=0x3"} << 3 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("names in another letter case are found")
        << QStringList{note, "[SETTINGS]", "noisethreshold=2"} << 2 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("tolerance 0 comes back as 1")
        << QStringList{note, "[Settings]", "Tolerance=0"} << 5 << 1 << "RadioButton1"
        << "" << QStringList{"[Settings]", "Tolerance=1"};
    QTest::newRow("tolerance 5 writes nothing")
        << QStringList{note, "[Settings]", "Tolerance=5"} << 5 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("a stored Beep is written back with the same value")
        << QStringList{note, "[Settings]", "Sound=Beep"} << 5 << 5 << "RadioButton2"
        << "" << QStringList{"[Settings]", "Sound=Beep"};
    QTest::newRow("beep in lower case means None")
        << QStringList{note, "[Settings]", "Sound=beep"} << 5 << 5 << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("custom without a path means None and keeps Custom in the file")
        << QStringList{note, "[Settings]", "Sound=Custom", "CustomSound="} << 5 << 5
        << "RadioButton1"
        << "" << unchanged;
    QTest::newRow("custom with a path")
        << QStringList{"[Settings]", "Sound=Custom", "CustomSound=/home/a b/ß.wav"} << 5 << 5
        << "RadioButton5"
        << "/home/a b/ß.wav"
        << QStringList{"[Settings]", "Sound=Custom", "CustomSound=/home/a b/ß.wav"};
    QTest::newRow("unknown keys and sections are kept")
        << QStringList{"[Other]", "Colour = blue", "[Settings]", "Future=1", "Tolerance=0"} << 5
        << 1 << "RadioButton1"
        << "" << QStringList{"[Other]", "Colour=blue", "[Settings]", "Future=1", "Tolerance=1"};
}

void TestMainWindow::restoreFromSettingsFile()
{
    QFETCH(QStringList, ini);
    QFETCH(int, threshold);
    QFETCH(int, tolerance);
    QFETCH(QString, checked);
    QFETCH(QString, custom);
    QFETCH(QStringList, fileAfterStart);

    Fixture f(ini);
    QCOMPARE(f.child<QSlider>("TrackBar1")->value(), threshold);
    QCOMPARE(f.child<QSpinBox>("SpinEdit1")->value(), tolerance);
    QVERIFY(f.child<QRadioButton>(checked.toLatin1().constData())->isChecked());
    QCOMPARE(f.child<QLineEdit>("Edit1")->text(), custom);
    QCOMPARE(f.child<QLineEdit>("Edit1")->isHidden(), checked != "RadioButton5");
    QCOMPARE(f.form->statusText(), QString()); // restoring the threshold writes no status
    if (fileAfterStart == QStringList{"unchanged"})
        fileAfterStart = ini;
    QCOMPARE(f.fileLines(), fileAfterStart);
}

void TestMainWindow::failedWriteIsReportedAndKept()
{
    Fixture f;
    // A folder in the way of the file makes every write fail.
    QVERIFY(QDir(f.folder.path()).mkdir("settings.ini"));
    QString title;
    answerNextMessageBox(QMessageBox::Ok, nullptr, &title);
    f.child<QSlider>("TrackBar1")->setValue(8);
    QCOMPARE(title, QString("Murmlet"));
    QCOMPARE(f.child<QSlider>("TrackBar1")->value(), 8); // the control keeps its new state
    QCOMPARE(f.stored("NoiseThreshold"), QString("8"));
}

// A start-up step fails before the store is opened (here the version record cannot be
// read): every change says that it is not saved, and Reset to Defaults deletes no
// settings.ini of the working folder's.
void TestMainWindow::storeNeverOpenedReportsEveryWriteAndDeletesNothing()
{
    QTemporaryDir working;
    const QString stranger = working.filePath("settings.ini");
    QFile file(stranger);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not ours") == 8);
    file.close();
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working.path()));

    MessageBoxes boxes;
    Fixture f({}, 1033, false,
              [](Fixture &fixture) { fixture.programFile = fixture.folder.filePath("missing"); });
    QTRY_COMPARE(boxes.texts.size(), 1); // the start-up error
    f.child<QSlider>("TrackBar1")->setValue(8);
    f.child<QRadioButton>("RadioButton2")->click();
    QTRY_COMPARE(boxes.texts.size(), 3);
    QCOMPARE(boxes.texts.mid(1), QStringList(2, "The settings cannot be saved."));
    QCOMPARE(f.stored("NoiseThreshold"), QString("8")); // kept in memory all the same

    QVERIFY(endsApplication([&] {
        answerNextMessageBox(QMessageBox::Yes);
        f.child<QAction>("ResettoDefaults1")->trigger();
    }));
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(QFile::exists(stranger));
    QCOMPARE(f.desktop.started, QStringList{f.programFile});
}

// settings.ini cannot be read and cannot be moved aside (settings.ini.bak is a folder):
// the window runs on its defaults, says so once, and never overwrites nor deletes the
// file.
void TestMainWindow::unreadableSettingsThatCannotBeMovedAsideAreKept()
{
    const QByteArray latin1 =
        "\xEF\xBB\xBF[Settings]\r\nSound=Beep\r\nCustomSound=M\xFCsic.wav\r\n";
    MessageBoxes boxes;
    Fixture f({}, 1031, true, [&](Fixture &fixture) {
        QFile file(fixture.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(latin1) == latin1.size());
        QVERIFY(QDir(fixture.folder.path()).mkdir("settings.ini.bak"));
    });
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts[0].startsWith("Die Einstellungsdatei kann nicht gelesen werden."),
             qPrintable(boxes.texts[0]));
    QVERIFY(f.child<QRadioButton>("RadioButton1")->isChecked()); // the defaults

    f.child<QSlider>("TrackBar1")->setValue(8);
    f.child<QRadioButton>("RadioButton3")->click();
    QTest::qWait(50);
    QCOMPARE(boxes.texts.size(), 1); // once
    const auto onDisk = [&] {
        QFile file(f.settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<gone>");
    };
    QCOMPARE(onDisk(), latin1);

    // Reset to Defaults starts the new copy, which again cannot read the file and so
    // starts on the defaults; the file stays.
    QVERIFY(endsApplication([&] {
        answerNextMessageBox(QMessageBox::Yes);
        f.child<QAction>("ResettoDefaults1")->trigger();
    }));
    QCOMPARE(f.desktop.started, QStringList{f.programFile});
    QCOMPARE(onDisk(), latin1);
}

void TestMainWindow::minimiseToTray_data()
{
    QTest::addColumn<bool>("option");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("toTray");
    QTest::newRow("option off: ordinary minimise") << false << true << false;
    QTest::newRow("option on: into the notification area") << true << true << true;
    QTest::newRow("regression: option on without a notification area") << true << false << false;
}

void TestMainWindow::minimiseToTray()
{
    QFETCH(bool, option);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, toTray);
    Fixture f;
    f.form->setTrayAvailability([=] { return trayAvailable; });
    if (option)
        f.child<QAction>("MinimizetoSystemTray1")->trigger();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.form->showMinimized();
    QTest::qWait(50);
    auto *tray = f.child<QSystemTrayIcon>("TrayIcon1");
    QCOMPARE(tray->isVisible(), toTray);
    QCOMPARE(f.form->isVisible(), !toTray);
    if (!toTray)
        return;
    QCOMPARE(tray->toolTip(), QString("TAMBRIX - Murmlet"));
    emit tray->activated(QSystemTrayIcon::Trigger);
    QVERIFY(f.form->isVisible());
    QVERIFY(!f.form->isMinimized());
    QVERIFY(!tray->isVisible());
}

void TestMainWindow::onlineHelp()
{
    Fixture f;
    f.child<QAction>("Help2")->trigger();
    QCOMPARE(f.desktop.opened, QStringList{"http://" MURMLET_WEB_HOST "/help/murmlet/"});
}

void TestMainWindow::closeReleasesMicrophoneButExitDoesNot()
{
    Fixture closing;
    closing.form->show();
    closing.form->close();
    QCOMPARE(closing.device->closes, 1);

    Fixture exiting;
    exiting.form->show();
    exiting.child<QPushButton>("ButtonStart")->click();
    QVERIFY(endsApplication([&] { exiting.child<QAction>("Exit1")->trigger(); }));
    QCOMPARE(exiting.device->closes, 0);
    QVERIFY(exiting.form->isVisible());
}

void TestMainWindow::captionedMessageDialog_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("shown"); // standard button id + caption
    const QString yes = QString::number(QMessageBox::Yes), no = QString::number(QMessageBox::No);
    QTest::newRow("yes") << int(QMessageBox::Yes) << QStringList{"Ja", "Nein"} << 6
                         << QStringList{yes + "Ja", no + "Nein"};
    QTest::newRow("no") << int(QMessageBox::No) << QStringList{"Ja", "Nein"} << 7
                        << QStringList{yes + "Ja", no + "Nein"};
    QTest::newRow("escape answers no") << int(QMessageBox::Escape) << QStringList{"Ja", "Nein"} << 7
                                       << QStringList{yes + "Ja", no + "Nein"};
    QTest::newRow("too few captions keep the standard one")
        << int(QMessageBox::Yes) << QStringList{"Oui"} << 6 << QStringList{yes + "Oui", no + "&No"};
    QTest::newRow("surplus captions are ignored")
        << int(QMessageBox::No) << QStringList{"Sí", "No", "Extra"} << 7
        << QStringList{yes + "Sí", no + "No"};
}

void TestMainWindow::captionedMessageDialog()
{
    QFETCH(int, press);
    QFETCH(QStringList, captions);
    QFETCH(int, result);
    QFETCH(QStringList, shown);
    QStringList seen;
    QString title;
    answerNextMessageBox(QMessageBox::StandardButton(press), &seen, &title);
    const int answer =
        showCaptionedMessage(nullptr, "Restart Application?", QMessageBox::Question,
                             QMessageBox::Yes | QMessageBox::No, "Bestätigung", captions);
    QCOMPARE(answer, result);
    QCOMPARE(title, QString("Bestätigung"));
    seen.sort();
    shown.sort();
    QCOMPARE(seen, shown);
}

void TestMainWindow::resetQuestionSpeaksTheUsersLanguage_data()
{
    QTest::addColumn<int>("userLanguage");
    QTest::addColumn<bool>("languages");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("buttons");
    const QString yes = QString::number(QMessageBox::Yes), no = QString::number(QMessageBox::No);
    QTest::newRow("German display language")
        << 1031 << true << "Anwendung neu starten?"
        << "Bestätigung" << QStringList{yes + "Ja", no + "Nein"};
    QTest::newRow("Swiss German shares the file")
        << 2055 << true << "Anwendung neu starten?"
        << "Bestätigung" << QStringList{yes + "Ja", no + "Nein"};
    QTest::newRow("no Languages folder stays English")
        << 1031 << false << "Restart Application?"
        << "Confirmation" << QStringList{yes + "Yes", no + "No"};
    QTest::newRow("a language without a file stays English")
        << 1041 << true << "Restart Application?"
        << "Confirmation" << QStringList{yes + "Yes", no + "No"};
}

void TestMainWindow::resetQuestionSpeaksTheUsersLanguage()
{
    QFETCH(int, userLanguage);
    QFETCH(bool, languages);
    QFETCH(QString, question);
    QFETCH(QString, caption);
    QFETCH(QStringList, buttons);
    Fixture f({}, quint16(userLanguage), languages);
    QStringList seen;
    QString title, text;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            text = box->text();
    });
    answerNextMessageBox(QMessageBox::No, &seen, &title);
    f.child<QAction>("ResettoDefaults1")->trigger();
    QCOMPARE(text, question);
    QCOMPARE(title, caption);
    seen.sort();
    QCOMPARE(seen, buttons);
    QVERIFY(f.desktop.started.isEmpty());
}

// The real program, copied into a folder of its own, is started anew by the real desktop
// layer; the new process comes up without the deleted settings file.
void TestMainWindow::resetStartsANewCopy()
{
#ifdef Q_OS_WIN
    QSKIP("The new copy is found through /proc; tst_windowsplatform runs the batch file");
#endif
    QTemporaryDir folder;
    const QString program = folder.filePath("murmlet");
    QVERIFY(QFile::copy(MURMLET_PROGRAM, program));
    {
        QFile ini(folder.filePath("settings.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("\xEF\xBB\xBF[Settings]\r\nNoiseThreshold=2\r\n");
    }
    MicrophoneCapture capture(std::make_unique<SteadyDevice>());
    RecordingPlayer player;
    ListeningSession session(capture, player);
    QtDesktop desktop;
    LanguageCatalogue language(folder.path(), 1033);
    MainWindow form(
        session, desktop, language, AppPaths{program, folder.path()},
        [&](const AppIdentity &) { return offlineUpdates(folder.filePath("updates.ini")); });
    QCOMPARE(form.settings().readInteger("NoiseThreshold", 5), 2);

    // For the new copy: no display, and its update check goes nowhere but loopback.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ALL_PROXY", "http://127.0.0.1:9");
    QVERIFY(endsApplication([&] {
        answerNextMessageBox(QMessageBox::Yes);
        form.findChild<QAction *>("ResettoDefaults1")->trigger();
    }));
    QVERIFY(!QFile::exists(folder.filePath("settings.ini")));

    // Find the new process by its program file.
    qint64 started = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
                if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == program)
                    started = pid.toLongLong();
            }
            return started != 0;
        }(),
        10000);
    QTest::qWait(200);
    QVERIFY(!QFile::exists(folder.filePath("settings.ini"))); // it starts from the defaults
    QProcess::execute("kill", {QString::number(started)});
}

void TestMainWindow::menuOpensDialogs_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Send Feedback...") << "showFeedbackDialog"
                                      << "FeedbackDialog";
    QTest::newRow("About...") << "showAboutBox"
                              << "AboutBox";
    QTest::newRow("Language... (hidden item)") << "showLanguageDialog"
                                               << "LanguageDialog";
}

void TestMainWindow::menuOpensDialogs()
{
    QFETCH(QString, handler);
    QFETCH(QString, dialog);
    Fixture f;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->reject();
        }
    });
    QVERIFY(QMetaObject::invokeMethod(f.form.get(), handler.toLatin1().constData()));
    QCOMPARE(shown, dialog);
}

// Runs the window's update check to its end with the given service reply.
static void finishUpdateCheck(Fixture &f)
{
    f.form->updateCheck().onTick(); // starts the worker
    QTRY_VERIFY_WITH_TIMEOUT(
        f.form->updateCheck().checkState().checkDone.load(std::memory_order_acquire), 10000);
    f.form->updateCheck().onTick(); // acts on its result
    QVERIFY(!f.child<QTimer>("TimerChecker")->isActive());
    // Nothing in the program shows the item; shown, it is enabled now.
    f.child<QAction>("UpdateNotifications1")->setVisible(true);
    QVERIFY(f.child<QAction>("UpdateNotifications1")->isEnabled());
}

void TestMainWindow::updateNotice_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("opened");
    const QString home = "http://" MURMLET_WEB_HOST "/";
    QTest::newRow("download page") << "https://downloads.example/murmlet-2.0.zip"
                                   << "https://downloads.example/murmlet-2.0.zip";
    QTest::newRow("regression: file address opens the home page")
        << "file:///usr/bin/xterm" << home;
    QTest::newRow("regression: local path opens the home page") << "/usr/bin/xterm" << home;
    QTest::newRow("no address opens the home page") << "" << home;
}

void TestMainWindow::updateNotice()
{
    QFETCH(QString, url);
    QFETCH(QString, opened);
    Fixture f({}, 1031, true);
    f.updateReply = "<version>2.0</version>\r\n<url>" + url + "</url>\r\n\r\n<result>1</result>";
    finishUpdateCheck(f);
    UpdateNotice *notice = f.form->updateCheck().updateNotice();
    QVERIFY(notice);
    QCOMPARE(notice->title(), QString("UPDATE VERFÜGBAR"));
    QCOMPARE(notice->linkText(), QString("Zum Herunterladen klicken Murmlet 2.0"));
    const QRect display = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(notice->pos(), QPoint(display.right() + 1 - 320 - 5, display.top() + 5));
    QTRY_VERIFY(notice->isVisible());             // shown on the first tick of its start timer
    QTRY_COMPARE(notice->size(), QSize(320, 68)); // grown to full size

    QTest::mouseClick(notice->findChild<QLabel *>("Label2"), Qt::LeftButton);
    QCOMPARE(f.desktop.opened, QStringList{opened});
    QVERIFY(!notice->isVisible());
}

void TestMainWindow::updateCheckSwitchedOff()
{
    Fixture f;
    UpdateStore::openFile(f.folder.filePath("updates.ini"))->writeString("ShowUpdate", "0");
    f.updateReply = "<version>2.0</version>\n<url>https://x.example/</url>\n\n<result>1</result>";
    finishUpdateCheck(f);
    QVERIFY(!f.form->updateCheck().updateNotice());
    QVERIFY(!f.child<QAction>("UpdateNotifications1")->isChecked());
    f.child<QAction>("UpdateNotifications1")->trigger(); // on again, for the next start
    QCOMPARE(UpdateStore::openFile(f.folder.filePath("updates.ini"))->readString("ShowUpdate"),
             QString("1"));
}

void TestMainWindow::resetToDefaults_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("no changes nothing") << int(QMessageBox::No) << false;
    QTest::newRow("escape changes nothing") << int(QMessageBox::Escape) << false;
    QTest::newRow("yes starts a new copy") << int(QMessageBox::Yes) << true;
}

void TestMainWindow::resetToDefaults()
{
    QFETCH(int, press);
    QFETCH(bool, restarts);
    Fixture f({"[Settings]", "NoiseThreshold=2"});
    const auto reset = [&] {
        answerNextMessageBox(QMessageBox::StandardButton(press));
        f.child<QAction>("ResettoDefaults1")->trigger();
    };
    if (restarts)
        QVERIFY(endsApplication(reset));
    else
        reset();
    QCOMPARE(f.desktop.started,
             restarts ? QStringList{QCoreApplication::applicationFilePath()} : QStringList());
    QCOMPARE(QFile::exists(f.settingsFile()), !restarts);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

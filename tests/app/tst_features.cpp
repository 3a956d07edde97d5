// The features as the main window offers them, through its menus: the pause of the
// alarm, levels in the tooltips, calibration, the session report and start with the
// desktop. Clocks are the test's; nothing waits.
#include "app/mainwindow.h"
#include "app/noisemeter.h"
#include "base/inidocument.h"
#include "features/levels/calibratedialog.h"
#include "features/levels/leveltooltips.h"
#include "features/pause/pausenote.h"
#include "features/sessionreport/sessionplot.h"
#include "features/sessionreport/sessionreportwindow.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "support/namedchild.h"
#include "support/sourcedir.h"

#include <QAction>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString Minus = QString(QChar(0x2212));

// The main window over fakes in a program folder of its own, with settings.ini lines
// (section added) and clocks the test moves: monotonic `now`, wall clock `wallNow`.
struct Window
{
    explicit Window(const QStringList &settings = {}, quint16 userLanguage = 1033)
    {
        if (userLanguage != 1033) {
            QDir(folder.path()).mkdir("Languages");
            const QDir shipped(SourceDir::path() + "/resources/Languages");
            for (const QString &name : shipped.entryList(QDir::Files))
                QFile::copy(shipped.filePath(name), folder.filePath("Languages/" + name));
        }
        if (!settings.isEmpty()) {
            QFile file(folder.filePath("settings.ini"));
            file.open(QIODevice::WriteOnly);
            file.write(("[Settings]\r\n" + settings.join("\r\n") + "\r\n").toUtf8());
        }
        language = std::make_unique<LanguageCatalogue>(folder.path(), userLanguage);
        auto steady = std::make_unique<SteadyDevice>();
        device = steady.get();
        capture = std::make_unique<MicrophoneCapture>(std::move(steady));
        session = std::make_unique<ListeningSession>(*capture, player);
        form = std::make_unique<MainWindow>(
            *session, desktop, *language,
            AppPaths{QCoreApplication::applicationFilePath(), folder.path()},
            [this](const AppIdentity &) { return offlineUpdates(folder.filePath("u.ini")); });
        session->setClock([this] { return now; });
        session->setWallClock([this] { return wallNow; });
    }
    template <typename T> T *child(const char *name) const
    {
        return namedChild<T>(*form, *session, name);
    }
    // One second: twenty readings at `peak`, then the 1 s tick.
    QString second(qint16 peak)
    {
        device->peak = peak;
        for (int tick = 0; tick < 20; ++tick) {
            now += 50;
            session->onMeterTick();
        }
        wallNow += 1000;
        session->onCountTick();
        return form->statusText();
    }
    LevelTooltips *tooltips() const { return form->findChild<LevelTooltips *>(); }
    QByteArray settingsBytes() const
    {
        QFile file(folder.filePath("settings.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    qint64 now = 0;
    qint64 wallNow = QDateTime(QDate(2026, 3, 5), QTime(9, 58, 30)).toMSecsSinceEpoch();
    SteadyDevice *device = nullptr;
    std::unique_ptr<MicrophoneCapture> capture;
    RecordingPlayer player;
    std::unique_ptr<ListeningSession> session;
    RecordingDesktop desktop;
    std::unique_ptr<LanguageCatalogue> language;
    std::unique_ptr<MainWindow> form;
};

QString shortTime(int hour, int minute, int second = 30)
{
    return QLocale::system().toString(QTime(hour, minute, second), QLocale::ShortFormat);
}

// Answers the next modal dialog of type T once it shows.
template <typename T> void whenShown(std::function<void(T *)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
    });
}

// The school's policy for the windows made while it lives, where the program looks for it:
// preset.ini and locked.ini in a folder of $XDG_CONFIG_DIRS, or the policy keys of the
// registry on Windows (numbers as REG_DWORD, the rest as REG_SZ, as Group Policy writes).
struct SchoolPolicy
{
    SchoolPolicy(const QByteArray &preset, const QByteArray &locked)
    {
#ifdef Q_OS_WIN
        clear();
        for (const auto &[tree, text] :
             {std::pair{"Preset", preset}, std::pair{"Locked", locked}}) {
            QSettings registry(RegistryKey + QLatin1String(tree), QSettings::NativeFormat);
            const IniDocument document = IniDocument::parse(QString::fromUtf8(text));
            for (const IniDocument::Section &section : document.sections()) {
                for (const auto &[name, value] : section.values) {
                    bool number = false;
                    const int parsed = value.toInt(&number);
                    registry.setValue(section.name + QLatin1Char('/') + name,
                                      number ? QVariant(parsed) : QVariant(value));
                }
            }
        }
#else
        m_oldFolders = qgetenv("XDG_CONFIG_DIRS");
        QDir().mkpath(m_folder.filePath("TAMBRIX/Murmlet"));
        for (const auto &[name, text] :
             {std::pair{"preset.ini", preset}, std::pair{"locked.ini", locked}}) {
            QFile file(m_folder.filePath(QStringLiteral("TAMBRIX/Murmlet/") + QLatin1String(name)));
            file.open(QIODevice::WriteOnly);
            file.write(text);
        }
        qputenv("XDG_CONFIG_DIRS", m_folder.path().toLocal8Bit());
#endif
    }
    ~SchoolPolicy()
    {
#ifdef Q_OS_WIN
        clear();
#else
        qputenv("XDG_CONFIG_DIRS", m_oldFolders);
#endif
    }
#ifdef Q_OS_WIN
    static inline const QString RegistryKey =
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\TAMBRIX\\Murmlet\\");
    static void clear()
    {
        QSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies"), QSettings::NativeFormat)
            .remove(QStringLiteral("TAMBRIX"));
    }
#else
    QTemporaryDir m_folder;
    QByteArray m_oldFolders;
#endif
};
} // namespace

class TestFeatures : public QObject
{
    Q_OBJECT
private slots:
    void schoolPresetsAndLocks();
    void schoolSetsTheLanguage();
    void windowWithTheSchoolLinkOnEndsCleanly();
    void pauseKeepsCountingSilently_data();
    void pauseKeepsCountingSilently();
    void pauseIsOfferedInBothMenus();
    void lessonTimesFromTheSettings();
    void levelsInTooltips_data();
    void levelsInTooltips();
    void calibrateThroughTheMenu();
    void calibrateDialog();
    void sessionReport();
    void reportPlotDrawsEverySecond();
    void startWithTheDesktop();
    void newTextsAreTranslated();
    void alarmMenusRestoreTheirSettings_data();
    void alarmMenusRestoreTheirSettings();
    void alarmMenusStoreTheChoice();
    void meterPaintsTheFlash();
};

void TestFeatures::pauseKeepsCountingSilently_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("ten minutes pass") << "time";
    QTest::newRow("Resume") << "resume";
    QTest::newRow("the computer slept past the end") << "sleep";
}

// Tolerance 2, beep: a paused alarm counts, shows until when, plays nothing, and is
// not stored; once the pause ends the next due alarm sounds.
void TestFeatures::pauseKeepsCountingSilently()
{
    QFETCH(QString, ending);
    Window w({"Tolerance=2", "Sound=Beep"});
    w.form->startListening();
    w.child<QAction>("PauseFor10")->trigger();
    const QString note = "Alarm paused until " + shortTime(10, 8);
    QCOMPARE(w.second(0), note);
    QCOMPARE(w.second(20000), "Noise Detected! (1) \u2013 " + note);
    QCOMPARE(w.second(20000), "Noise Detected! (2) \u2013 " + note);
    QCOMPARE(w.player.played, QStringList());
    QVERIFY(w.child<QAction>("ResumeAlarm1")->isEnabled());
    QVERIFY(!w.settingsBytes().contains("ause"));

    if (ending == "time") {
        // The next tick comes a millisecond short of the end, the one after it past it.
        w.now += 10 * 60 * 1000 - 3000 - 1000 - 1;
        w.wallNow += 10 * 60 * 1000 - 3000 - 1000 - 1;
        QCOMPARE(w.second(0), note);
    } else if (ending == "resume") {
        w.child<QAction>("ResumeAlarm1")->trigger();
        QVERIFY(!w.child<QAction>("ResumeAlarm1")->isEnabled());
    } else {
        w.wallNow += 10 * 60 * 1000; // the monotonic clock stood still meanwhile
    }
    QCOMPARE(w.second(20000), QString("Noise Detected! (1)"));
    QCOMPARE(w.second(20000), QString("Noise Detected! (2)"));
    QCOMPARE(w.player.played, QStringList{"Resource_1"});
    QCOMPARE(w.second(0), QString());

    // A pause never outlives the program.
    Window again({"Tolerance=1", "Sound=Beep"});
    again.form->startListening();
    QCOMPARE(again.second(20000), QString("Noise Detected! (1)"));
    QCOMPARE(again.player.played, QStringList{"Resource_1"});
}

void TestFeatures::pauseIsOfferedInBothMenus()
{
    Window w;
    auto *pause = w.child<QMenu>("PauseAlarm1");
    QVERIFY(w.child<QMenu>("Settings1")->actions().contains(pause->menuAction()));
    QCOMPARE(w.child<QSystemTrayIcon>("TrayIcon1")->contextMenu()->actions(),
             QList<QAction *>{pause->menuAction()});
    QStringList captions;
    for (QAction *item : pause->actions())
        captions << item->text();
    QCOMPARE(captions, QStringList({"10 Minutes", "30 Minutes", "60 Minutes", "", "Resume"}));
    QVERIFY(!w.child<QAction>("ResumeAlarm1")->isEnabled());
    // A second choice replaces the first.
    w.child<QAction>("PauseFor60")->trigger();
    w.child<QAction>("PauseFor30")->trigger();
    QCOMPARE(PauseNote::statusText("", *w.session, [](const QString &text) { return text; }),
             "Alarm paused until " + shortTime(10, 28));
}

// Stored lesson times reach the session at start: outside them the status bar says until
// when the alarm is paused, and Resume is offered.
void TestFeatures::lessonTimesFromTheSettings()
{
    QTest::ignoreMessage(QtWarningMsg, "Lesson times: a stored range cannot be read and is left "
                                       "out: Thu nine to ten");
    Window w({"Tolerance=1", "Sound=Beep", "[LessonTimes]", "Enabled=ON", "Range1=Thu 09:00-09:59",
              "Range2=Thu nine to ten"});
    auto *entry = w.child<QAction>("LessonTimes1");
    QCOMPARE(entry->text(), QString("Lesson Times..."));
    QVERIFY(w.child<QMenu>("Settings1")->actions().contains(entry));
    w.form->startListening();
    QCOMPARE(w.second(20000), QString("Noise Detected! (1)"));
    QCOMPARE(w.player.played, QStringList{"Resource_1"});
    w.wallNow = QDateTime(QDate(2026, 3, 5), QTime(9, 58, 59)).toMSecsSinceEpoch();
    QCOMPARE(w.second(20000),
             QStringLiteral("Noise Detected! (1) \u2013 Alarm paused until ") + shortTime(9, 0, 0));
    QCOMPARE(w.player.played, QStringList{"Resource_1"});
    QVERIFY(w.child<QAction>("ResumeAlarm1")->isEnabled());
}

void TestFeatures::levelsInTooltips_data()
{
    QTest::addColumn<QString>("calibration"); // the settings line, if any
    QTest::addColumn<int>("peak");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("meter");
    QTest::addColumn<QString>("bar");
    QTest::newRow("silence") << "" << 0 << 5 << Minus + "\u221E dBFS"
                             << "5: " + Minus + "32.7 dBFS";
    QTest::newRow("half scale, threshold 0 means any sound")
        << "" << 16384 << 0 << Minus + "6.0 dBFS"
        << "0: " + Minus + "\u221E dBFS";
    QTest::newRow("calibrated") << "CalibrationOffset=92.00" << 1036 << 10
                                << Minus + "30.0 dBFS \u00B7 62.0 dB (calibrated)"
                                << "10: " + Minus + "26.6 dBFS \u00B7 65.4 dB (calibrated)";
    QTest::newRow("a broken calibration is none")
        << "CalibrationOffset=loud" << 32767 << 10 << "0.0 dBFS"
        << "10: " + Minus + "26.6 dBFS";
}

void TestFeatures::levelsInTooltips()
{
    QFETCH(QString, calibration);
    QFETCH(int, peak);
    QFETCH(int, threshold);
    QFETCH(QString, meter);
    QFETCH(QString, bar);
    QLocale::setDefault(QLocale::c());
    Window w(calibration.isEmpty() ? QStringList{"Sound=None"} : QStringList{calibration});
    w.child<QSlider>("TrackBar1")->setValue(threshold);
    w.device->peak = qint16(peak);
    w.session->onMeterTick();
    QCOMPARE(w.tooltips()->meterText(), meter);
    QCOMPARE(w.tooltips()->thresholdText(), bar);
}

// Settings > Calibrate...: the figure typed while the program hears -30 dBFS becomes
// the stored offset, and the tooltips show calibrated figures from then on.
void TestFeatures::calibrateThroughTheMenu()
{
    Window w({"Sound=None"});
    w.device->peak = 1036; // -30.0 dBFS
    w.session->onMeterTick();
    whenShown<CalibrateDialog>([](CalibrateDialog *dialog) {
        dialog->findChild<QDoubleSpinBox *>("MeterReading")->setValue(62.0);
        dialog->findChild<QPushButton *>("ButtonOK")->click();
    });
    w.child<QAction>("Calibrate1")->trigger();
    QVERIFY(w.settingsBytes().contains("CalibrationOffset=92.00\r\n"));
    QVERIFY(w.tooltips()->meterText().endsWith("62.0 dB (calibrated)"));

    whenShown<CalibrateDialog>(
        [](CalibrateDialog *dialog) { dialog->findChild<QPushButton *>("ButtonForget")->click(); });
    w.child<QAction>("Calibrate1")->trigger();
    QVERIFY(w.settingsBytes().contains("CalibrationOffset=\r\n"));
    QVERIFY(w.tooltips()->meterText().endsWith("dBFS"));
}

void TestFeatures::calibrateDialog()
{
    QLocale::setDefault(QLocale::c());
    double heard = -30.0;
    auto tr = [](const QString &text) { return text; };
    {
        // Uncalibrated: a quiet room's figure to start from, nothing to forget.
        CalibrateDialog dialog(
            tr, [&] { return heard; }, std::nullopt);
        QCOMPARE(dialog.findChild<QDoubleSpinBox *>("MeterReading")->value(), 50.0);
        QVERIFY(!dialog.findChild<QPushButton *>("ButtonForget")->isEnabled());
        QCOMPARE(dialog.findChild<QLabel *>("HeardLevel")->text(), Minus + "30.0 dBFS");
        // The level heard when OK is pressed counts, not the one when the dialog opened.
        heard = -40.0;
        dialog.findChild<QPushButton *>("ButtonOK")->click();
        QCOMPARE(dialog.outcome(), CalibrateDialog::Outcome::Calibrated);
        QCOMPARE(*dialog.offset(), 90.0);
    }
    {
        // Calibrated: the room's figure now; silence leaves nothing to calibrate against.
        CalibrateDialog dialog(
            tr, [&] { return heard; }, 90.0);
        QCOMPARE(dialog.findChild<QDoubleSpinBox *>("MeterReading")->value(), 50.0);
        heard = -std::numeric_limits<double>::infinity();
        dialog.showHeardLevel();
        QVERIFY(!dialog.findChild<QPushButton *>("ButtonOK")->isEnabled());
        dialog.findChild<QPushButton *>("ButtonOK")->click();
        QCOMPARE(dialog.outcome(), CalibrateDialog::Outcome::Unchanged);
        dialog.findChild<QPushButton *>("ButtonCancel")->click();
        QCOMPARE(dialog.outcome(), CalibrateDialog::Outcome::Unchanged);
        QCOMPARE(dialog.offset(), std::optional<double>(90.0));
    }
}

// File > Session Report...: one row a second with the second's highest peak; a paused
// alarm is no alarm; the CSV holds what the window shows.
void TestFeatures::sessionReport()
{
    QLocale::setDefault(QLocale::c());
    Window w({"Tolerance=2", "Sound=Beep"});
    w.form->startListening();
    w.second(0);
    w.second(20000);
    w.second(32767); // alarm
    w.child<QAction>("PauseFor10")->trigger();
    w.second(20000);
    w.second(20000);        // due, but paused
    w.device->peak = 32767; // a loud reading, then quiet: the second keeps its peak
    w.session->onMeterTick();
    w.second(100);
    QCOMPARE(w.player.played, QStringList{"Resource_1"});

    w.child<QAction>("SessionReport1")->trigger();
    auto *report = w.form->findChild<SessionReportWindow *>();
    QVERIFY(report && report->isVisible());
    QCOMPARE(report->noisySecondsText(), QString("4"));
    QCOMPARE(report->alarmsText(), QString("1"));
    QVERIFY2(report->loudestText().startsWith("0.0 dBFS, 09:58:33"),
             qPrintable(report->loudestText()));
    w.second(20000);
    report->refresh();
    QCOMPARE(report->noisySecondsText(), QString("5"));

    QTemporaryDir dir;
    QVERIFY(report->saveCsv(dir.filePath("session.csv")));
    QFile file(dir.filePath("session.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 7 + 1);
    QCOMPARE(lines[0], QByteArray("time,peak_dbfs,noisy,alarm\r"));
    auto row = [&](int i) { return lines[i].mid(lines[i].indexOf(',')); };
    QCOMPARE(row(1), QByteArray(",-inf,0,0\r"));
    QCOMPARE(row(3), QByteArray(",0.0,1,1\r"));
    QCOMPARE(row(5), QByteArray(",-4.3,1,0\r"));
    QCOMPARE(row(6), QByteArray(",0.0,0,0\r"));
    QVERIFY(lines[1].startsWith("2026-03-05T09:58:31"));
    QVERIFY(!report->saveCsv(dir.filePath("missing folder/session.csv")));
}

// A steady level far from the threshold: its line runs across the plot (up to the last
// second's place), whether seconds are fewer or more than the pixel columns.
void TestFeatures::reportPlotDrawsEverySecond()
{
    for (const int seconds : {3, 400, 5000}) {
        SessionRecord record;
        for (int second = 0; second < seconds; ++second) {
            record.noteReading(16384LL * 65536); // -6 dBFS
            record.closeSecond(second * 1000LL, true, false);
        }
        SessionPlot plot(record);
        plot.setThresholdDbfs(-60.0);
        plot.resize(400, 200);
        const QImage image = plot.grab().toImage();
        QSet<int> greenColumns;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.green() - c.red() > 50 && c.green() - c.blue() > 50) // the level's green
                    greenColumns << x;
            }
        }
        QVERIFY2(greenColumns.size() > 150,
                 qPrintable(QString("%1 seconds: %2").arg(seconds).arg(greenColumns.size())));
    }
}

// What the school presets is the default where the user has nothing; what it locks holds
// whatever the user has, its control disabled with a note, and settings.ini keeps the
// user's own values.
void TestFeatures::schoolPresetsAndLocks()
{
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QByteArray locked = "[Settings]\nNoiseThreshold=8\nSound=Beep\nUpdateNotifications=OFF\n";
#ifndef Q_OS_WIN
    locked += "StartWithDesktop=ON\n";
#endif
    const SchoolPolicy policy("[Settings]\nTolerance=9\nMinimizeToSystemTray=ON\n"
                              "AutoStartMicrophone=ON\n",
                              locked);
    const QStringList own{"NoiseThreshold=3", "Tolerance=4", "Sound=Male"};
    Window w(own);
    const QByteArray before = w.settingsBytes();
    const QString note = QStringLiteral("Set by your school");

    auto *bar = w.child<QSlider>("TrackBar1");
    QCOMPARE(bar->value(), 8);
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->toolTip(), QStringLiteral("Noise Threshold\n") + note);
    QCOMPARE(w.session->threshold(), 8);
    QCOMPARE(w.child<QSpinBox>("SpinEdit1")->value(), 4); // the user's own beats the preset
    QVERIFY(w.child<QSpinBox>("SpinEdit1")->isEnabled());
    QVERIFY(w.child<QRadioButton>("RadioButton2")->isChecked());
    for (const char *name : {"RadioButton1", "RadioButton3", "RadioButton5"}) {
        QVERIFY2(!w.child<QRadioButton>(name)->isEnabled(), name);
        QCOMPARE(w.child<QRadioButton>(name)->toolTip(), note);
    }
    QVERIFY(w.child<QAction>("MinimizetoSystemTray1")->isChecked()); // preset, no own value
    QVERIFY(w.child<QAction>("MinimizetoSystemTray1")->isEnabled());
    QVERIFY(w.child<QAction>("AutoStartMicrophone1")->isChecked());
    QVERIFY(w.session->isListening());
    QVERIFY(!w.child<QAction>("UpdateNotifications1")->isEnabled());
    QCOMPARE(w.child<QAction>("UpdateNotifications1")->toolTip(), note);
    QTRY_VERIFY(!w.child<QAction>("UpdateNotifications1")->isChecked());
    QVERIFY(!w.child<QAction>("UpdateNotifications1")->isEnabled());
#ifndef Q_OS_WIN
    QVERIFY(w.child<QAction>("StartWithDesktop1")->isChecked());
    QVERIFY(!w.child<QAction>("StartWithDesktop1")->isEnabled());
    QVERIFY(QFile::exists(config.filePath("autostart/com.tambrix.Murmlet.desktop")));
#endif
    // Nothing the school set went into the user's file.
    QCOMPARE(w.settingsBytes(), before);
    w.child<QSpinBox>("SpinEdit1")->setValue(6);
    QVERIFY(w.settingsBytes().contains("NoiseThreshold=3\r\nTolerance=6\r\nSound=Male\r\n"));
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

// A language the school sets replaces the user's display language, and the note speaks it.
void TestFeatures::schoolSetsTheLanguage()
{
    const SchoolPolicy policy("[Settings]\nLanguage=de-DE\n", "[Settings]\nTolerance=7\n");
    Window w({}, 1036); // French
    QCOMPARE(w.child<QAction>("StartWithDesktop1")->text(), QString("Mit dem Desktop starten"));
    QCOMPARE(w.child<QSpinBox>("SpinEdit1")->value(), 7);
    QCOMPARE(w.child<QSpinBox>("SpinEdit1")->toolTip(), QString("Von Ihrer Schule festgelegt"));
}

// The window goes while the link is on: the link says offline as it stops, and nothing it
// says then reaches a status bar or tray icon already gone.
void TestFeatures::windowWithTheSchoolLinkOnEndsCleanly()
{
    Window w({"", "[SchoolLink]", "Enabled=ON", "Host=127.0.0.1", "Port=9", "Tls=OFF"});
    auto *state = w.child<QLabel>("SchoolLinkState");
    QTRY_VERIFY(!state->isHidden());
    w.form.reset(); // ends as the program does: the link stops with the window
}

// Settings > Start with the Desktop writes the autostart entry for this program and
// removes it again; the check mark follows the entry, not settings.ini.
void TestFeatures::startWithTheDesktop()
{
#ifdef Q_OS_WIN
    QSKIP("The autostart entry is a file of the Linux desktop; tst_desktopautostart checks "
          "the Run key");
#endif
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString entry = config.filePath("autostart/com.tambrix.Murmlet.desktop");
    {
        Window w;
        auto *item = w.child<QAction>("StartWithDesktop1");
        QVERIFY(item->isCheckable() && !item->isChecked());
        item->trigger();
        QVERIFY(item->isChecked());
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Murmlet\n"
            "Exec=" +
                QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath().toUtf8() +
                "\n"
                "Icon=murmlet\n"
                "Terminal=false\n"
                "X-GNOME-Autostart-enabled=true\n");
        QVERIFY(!w.settingsBytes().contains("Desktop"));
    }
    {
        Window w; // a new start finds the entry
        auto *item = w.child<QAction>("StartWithDesktop1");
        QVERIFY(item->isChecked());
        item->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(!QFile::exists(entry));
        QVERIFY(QDir(config.filePath("autostart")).isEmpty());
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

// Every new text passes through the language file: German captions in the menus.
void TestFeatures::newTextsAreTranslated()
{
    Window w({}, 1031);
    QCOMPARE(w.child<QAction>("SessionReport1")->text(), QString("Sitzungsbericht..."));
    QCOMPARE(w.child<QAction>("StartWithDesktop1")->text(), QString("Mit dem Desktop starten"));
    QCOMPARE(w.child<QAction>("PauseFor30")->text(), QString("30 Minuten"));
    QCOMPARE(w.child<QMenu>("AlarmMode1")->title(), QString("Alarm"));
    QCOMPARE(w.child<QAction>("AlarmFlash1")->text(), QString("Blinken"));
    QCOMPARE(w.child<QMenu>("AlarmVolume1")->title(), QString("Alarmlautst\u00E4rke"));
    QCOMPARE(w.child<QAction>("AlarmVolume30")->text(), QString("30 %"));
    QCOMPARE(w.child<QAction>("SchoolLink1")->text(), QString("Schulanbindung..."));
}

namespace {
// The check-marked items of a menu, by name.
QStringList checkedItems(const QMenu *menu)
{
    QStringList names;
    for (const QAction *item : menu->actions()) {
        if (item->isChecked())
            names << item->objectName();
    }
    return names;
}
} // namespace

void TestFeatures::alarmMenusRestoreTheirSettings_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<int>("mode"); // AlarmMode
    QTest::addColumn<QString>("modeItem");
    QTest::addColumn<int>("volume");
    QTest::addColumn<QStringList>("volumeItems");
    QTest::newRow("nothing stored: the sound at full volume")
        << QStringList{"Sound=Beep"} << int(AlarmMode::Sound) << "AlarmSound1" << 100
        << QStringList{"AlarmVolume100"};
    QTest::newRow("stored") << QStringList{"AlarmMode=Both", "AlarmVolume=40"}
                            << int(AlarmMode::Both) << "AlarmBoth1" << 40
                            << QStringList{"AlarmVolume40"};
    QTest::newRow("Flash") << QStringList{"AlarmMode=Flash"} << int(AlarmMode::Flash)
                           << "AlarmFlash1" << 100 << QStringList{"AlarmVolume100"};
    QTest::newRow("unknown mode is Sound, a volume below 10 is 10")
        << QStringList{"AlarmMode=flash", "AlarmVolume=5"} << int(AlarmMode::Sound) << "AlarmSound1"
        << 10 << QStringList{"AlarmVolume10"};
    QTest::newRow("a volume between two steps plays as written, none checked")
        << QStringList{"AlarmVolume=35"} << int(AlarmMode::Sound) << "AlarmSound1" << 35
        << QStringList{};
    QTest::newRow("a volume that is no number is 100")
        << QStringList{"AlarmVolume=loud"} << int(AlarmMode::Sound) << "AlarmSound1" << 100
        << QStringList{"AlarmVolume100"};
}

// Settings > Alarm and Settings > Alarm Volume hand the stored choice to the session
// when the window opens, and show it checked.
void TestFeatures::alarmMenusRestoreTheirSettings()
{
    QFETCH(QStringList, settings);
    QFETCH(int, mode);
    QFETCH(QString, modeItem);
    QFETCH(int, volume);
    QFETCH(QStringList, volumeItems);
    Window w(settings);
    const QByteArray before = w.settingsBytes();
    auto *modes = w.child<QMenu>("AlarmMode1");
    auto *volumes = w.child<QMenu>("AlarmVolume1");
    const QList<QAction *> settingsItems = w.child<QMenu>("Settings1")->actions();
    QVERIFY(settingsItems.contains(modes->menuAction()));
    QCOMPARE(settingsItems.indexOf(volumes->menuAction()),
             settingsItems.indexOf(modes->menuAction()) + 1);
    QCOMPARE(int(w.session->alarmMode()), mode);
    QCOMPARE(checkedItems(modes), QStringList{modeItem});
    QCOMPARE(w.session->alarmVolume(), volume);
    QCOMPARE(w.player.volumes, QList<double>{volume / 100.0});
    QCOMPARE(checkedItems(volumes), volumeItems);
    QCOMPARE(w.settingsBytes(), before); // restoring writes nothing
}

void TestFeatures::alarmMenusStoreTheChoice()
{
    Window w;
    auto *modes = w.child<QMenu>("AlarmMode1");
    QStringList captions;
    for (QAction *item : modes->actions())
        captions << item->text();
    QCOMPARE(captions, QStringList({"Sound", "Flash", "Both"}));
    captions.clear();
    for (QAction *item : w.child<QMenu>("AlarmVolume1")->actions())
        captions << item->text();
    QCOMPARE(captions,
             QStringList({"100%", "90%", "80%", "70%", "60%", "50%", "40%", "30%", "20%", "10%"}));

    w.child<QAction>("AlarmFlash1")->trigger();
    QCOMPARE(w.session->alarmMode(), AlarmMode::Flash);
    QCOMPARE(checkedItems(modes), QStringList{"AlarmFlash1"});
    QVERIFY(w.settingsBytes().contains("AlarmMode=Flash\r\n"));
    w.child<QAction>("AlarmBoth1")->trigger();
    QVERIFY(w.settingsBytes().contains("AlarmMode=Both\r\n"));
    QCOMPARE(checkedItems(modes), QStringList{"AlarmBoth1"});

    w.child<QAction>("AlarmVolume30")->trigger();
    QCOMPARE(w.session->alarmVolume(), 30);
    QCOMPARE(w.player.volumes.last(), 0.3);
    QVERIFY(w.settingsBytes().contains("AlarmVolume=30\r\n"));
    // Choosing the checked step again keeps it checked.
    w.child<QAction>("AlarmVolume30")->trigger();
    QCOMPARE(checkedItems(w.child<QMenu>("AlarmVolume1")), QStringList{"AlarmVolume30"});

    // The next start finds both.
    const QByteArray stored = w.settingsBytes();
    const QString section = QString::fromUtf8(stored).section("[Settings]", 1);
    Window again(section.split("\r\n", Qt::SkipEmptyParts));
    QCOMPARE(again.session->alarmMode(), AlarmMode::Both);
    QCOMPARE(again.session->alarmVolume(), 30);
}

namespace {
// The times (the test's clock) at which a widget painted itself.
class PaintLog : public QObject
{
public:
    PaintLog(QWidget *widget, const qint64 &now) : m_now(now) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !grabbing)
            times << m_now;
        return false;
    }
    QList<qint64> times;
    bool grabbing = false;

private:
    const qint64 &m_now;
};
} // namespace

// With Flash, the alarm inverts the meter's colours while the visual alarm is lit: the
// red bar turns cyan and the white rest black, for a quarter second every half second,
// and the meter paints exactly when the session says lit or dark (and when its reading
// changes), never on ticks in between.
void TestFeatures::meterPaintsTheFlash()
{
    Window w({"Tolerance=1", "Sound=Beep", "AlarmMode=Flash"});
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    w.form->startListening();
    auto *meter = w.child<NoiseMeter>("Gauge1");
    QList<qint64> toggles;
    QObject::connect(w.session.get(), &ListeningSession::flashChanged,
                     [&](bool) { toggles << w.now; });
    PaintLog paints(meter, w.now);
    const auto colours = [&] {
        paints.grabbing = true;
        const QImage image = meter->grab().toImage();
        paints.grabbing = false;
        const int y = image.height() / 2;
        // Inside the bar (60 %) and beyond it.
        return QList<QColor>{image.pixelColor(image.width() * 3 / 10, y),
                             image.pixelColor(image.width() * 9 / 10, y)};
    };
    const QList<QColor> normal{QColor(255, 0, 0), QColor(255, 255, 255)};
    const QList<QColor> inverted{QColor(0, 255, 255), QColor(0, 0, 0)};

    w.device->peak = 916; // 60 % of the meter, above threshold 5: a red bar
    w.session->onMeterTick();
    QCoreApplication::processEvents();
    QCOMPARE(colours(), normal);
    paints.times.clear();
    w.second(916);
    QCoreApplication::processEvents();
    QCOMPARE(w.player.played, QStringList());
    QVERIFY(meter->isFlashLit());
    QCOMPARE(colours(), inverted);
    const qint64 alarmAt = w.now;
    w.device->peak = 916;
    while (w.now < alarmAt + 3000) {
        w.now += 50;
        w.session->onMeterTick();
        QCoreApplication::processEvents();
        const bool lit = AlarmFlash::litAt(w.now - alarmAt, 2000);
        QCOMPARE(meter->isFlashLit(), lit);
        QCOMPARE(colours(), lit ? inverted : normal);
    }
    QCOMPARE(toggles.size(), 8);
    QCOMPARE(paints.times, toggles);
}

QTEST_MAIN(TestFeatures)
#include "tst_features.moc"

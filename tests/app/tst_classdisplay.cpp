// View > Class Display as the main window offers it: the display's states and their
// colours, its pace, full screen and back, and the screen it fills. The offscreen
// platform runs with two screens, "Main" and "Projector" (see main() below); the
// session's clocks are the test's except where the pace is measured.
#include "app/mainwindow.h"
#include "features/classdisplay/classdisplay.h"
#include "features/classdisplay/classdisplaycolours.h"
#include "features/classdisplay/classdisplaymenu.h"
#include "features/classdisplay/contrastratio.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "support/namedchild.h"
#include "support/sourcedir.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

namespace {
using State = ClassDisplayModel::State;

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
    ClassDisplayMenu *menu() const { return child<ClassDisplayMenu>("View1"); }
    // View > Class Display, and the display it shows.
    ClassDisplay *openDisplay() const
    {
        child<QAction>("ClassDisplay1")->trigger();
        return menu()->display();
    }
    // One second: twenty readings at `peak`, then the 1 s tick.
    void second(qint16 peak)
    {
        device->peak = peak;
        for (int tick = 0; tick < 20; ++tick) {
            now += 50;
            session->onMeterTick();
        }
        wallNow += 1000;
        session->onCountTick();
    }
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

// The colours a picture of the display is painted in: the background as in its corner,
// the foreground as the commonest other colour (antialiased edges are rarer).
struct PaintedColours
{
    QRgb background;
    QRgb foreground;
};
PaintedColours paintedColours(QWidget &display)
{
    const QImage image = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(0, 0) & 0xFFFFFF;
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) != background)
                ++counts[line[x] & 0xFFFFFF];
        }
    }
    QRgb foreground = background;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            foreground = it.key();
        }
    }
    return {background, foreground};
}

QRgb rgbOf(const QColor &color)
{
    return color.rgb() & 0xFFFFFF;
}

QString shortTime(int hour, int minute, int second = 30)
{
    return QLocale::system().toString(QTime(hour, minute, second), QLocale::ShortFormat);
}

const QRect MainScreen(0, 0, 1024, 768);
const QRect ProjectorScreen(1024, 0, 1280, 720);
} // namespace

class TestClassDisplay : public QObject
{
    Q_OBJECT
private slots:
    void viewMenuSitsBeforeHelp();
    void states_data();
    void states();
    void flashShowsTheAlarmInverted();
    void repaintsNoFasterThanTheTick();
    void flashAlarmLightsTheDisplayAtMostThreeTimesASecond();
    void escapeAndDoubleClickLeaveFullScreen();
    void screenChoice_data();
    void screenChoice();
    void textsAreTranslated();
};

// View between Settings and Help; F11 belongs to Class Display alone.
void TestClassDisplay::viewMenuSitsBeforeHelp()
{
    Window w;
    QStringList menus;
    for (QAction *action : w.form->menuBar()->actions())
        menus << action->menu()->objectName();
    QCOMPARE(menus, QStringList({"File1", "Settings1", "View1", "Help1"}));
    QHash<QKeySequence, QStringList> byShortcut;
    for (QAction *action : w.form->findChildren<QAction *>()) {
        if (!action->shortcut().isEmpty())
            byShortcut[action->shortcut()] << action->objectName();
    }
    QCOMPARE(byShortcut.value(QKeySequence(Qt::Key_F11)), QStringList{"ClassDisplay1"});
    for (auto it = byShortcut.cbegin(); it != byShortcut.cend(); ++it)
        QVERIFY2(it.value().size() == 1, qPrintable(it.value().join(", ")));
}

void TestClassDisplay::states_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("delivering");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<QList<int>>("seconds"); // one peak a second
    QTest::addColumn<int>("reading");        // a last reading's peak, or -1
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("pause");

    const QList<int> alarm{20000, 20000, 20000};
    QTest::newRow("not listening")
        << false << true << false << QList<int>{} << -1 << int(State::Idle) << "Not listening"
        << "Noisy seconds: 0 of 3"
        << "";
    QTest::newRow("quiet") << true << true << false << QList<int>{0} << -1 << int(State::Quiet)
                           << "Quiet"
                           << "Noisy seconds: 0 of 3"
                           << "";
    QTest::newRow("noisy, under the tolerance")
        << true << true << false << QList<int>{0, 20000, 20000} << -1 << int(State::Noisy)
        << "Noisy"
        << "Noisy seconds: 2 of 3"
        << "";
    QTest::newRow("one loud reading before the count")
        << true << true << false << QList<int>{0} << 20000 << int(State::Noisy) << "Noisy"
        << "Noisy seconds: 0 of 3"
        << "";
    QTest::newRow("alarm") << true << true << false << alarm << -1 << int(State::Alarm)
                           << "Too loud!"
                           << "Noisy seconds: 0 of 3"
                           << "";
    QTest::newRow("alarm held through two quiet seconds")
        << true << true << false << alarm + QList<int>{0, 0} << -1 << int(State::Alarm)
        << "Too loud!"
        << "Noisy seconds: 0 of 3"
        << "";
    QTest::newRow("quiet after the third") << true << true << false << alarm + QList<int>{0, 0, 0}
                                           << -1 << int(State::Quiet) << "Quiet"
                                           << "Noisy seconds: 0 of 3"
                                           << "";
    QTest::newRow("paused: due, silent, the pause's end shown")
        << true << true << true << alarm << -1 << int(State::Noisy) << "Noisy"
        << "Noisy seconds: 0 of 3"
        << "Quiet time until " + shortTime(10, 28);
    QTest::newRow("paused and quiet")
        << true << true << true << QList<int>{0} << -1 << int(State::Quiet) << "Quiet"
        << "Noisy seconds: 0 of 3"
        << "Quiet time until " + shortTime(10, 28);
    QTest::newRow("signal lost") << true << false << false << QList<int>{20000} << -1
                                 << int(State::SignalLost) << "No sound"
                                 << "Noisy seconds: 0 of 3"
                                 << "";
}

// Each state in its word and its two colours, as painted, at least 4.5:1 apart.
void TestClassDisplay::states()
{
    QFETCH(bool, listening);
    QFETCH(bool, delivering);
    QFETCH(bool, paused);
    QFETCH(QList<int>, seconds);
    QFETCH(int, reading);
    QFETCH(int, state);
    QFETCH(QString, word);
    QFETCH(QString, count);
    QFETCH(QString, pause);

    Window w({"Tolerance=3", "Sound=Beep"});
    ClassDisplay *display = w.openDisplay();
    QVERIFY(display && display->isVisible());
    if (listening)
        w.form->startListening();
    if (paused)
        w.child<QAction>("PauseFor30")->trigger();
    w.device->delivering = delivering;
    for (const int peak : seconds)
        w.second(qint16(peak));
    if (reading >= 0) {
        w.device->peak = qint16(reading);
        w.session->onMeterTick();
    }

    QCOMPARE(int(display->look().state), state);
    QCOMPARE(display->word(), word);
    QCOMPARE(display->countText(), count);
    QCOMPARE(display->pauseText(), pause);
    const ClassDisplayColours colours = ClassDisplayColours::of(State(state));
    const PaintedColours painted = paintedColours(*display);
    QCOMPARE(painted.background, rgbOf(colours.background));
    QCOMPARE(painted.foreground, rgbOf(colours.foreground));
    const double contrast = ContrastRatio::between(painted.background, painted.foreground);
    QVERIFY2(contrast >= ContrastRatio::ForText, qPrintable(QString::number(contrast)));
}

// While the session's flash is lit the whole display is the alarm, inverted (alarm
// colour on white); between flashes it shows the room as before.
void TestClassDisplay::flashShowsTheAlarmInverted()
{
    Window w({"Tolerance=3", "Sound=Beep"});
    ClassDisplay *display = w.openDisplay();
    w.form->startListening();
    w.second(20000);
    const ClassDisplayColours noisy = ClassDisplayColours::of(State::Noisy);
    const ClassDisplayColours alarm = ClassDisplayColours::of(State::Alarm);

    emit w.session->flashChanged(true);
    QVERIFY(display->look().flashLit);
    PaintedColours painted = paintedColours(*display);
    QCOMPARE(painted.background, rgbOf(Qt::white));
    QCOMPARE(painted.foreground, rgbOf(alarm.background));
    QVERIFY(ContrastRatio::between(painted.background, painted.foreground) >=
            ContrastRatio::ForText);
    QTRY_VERIFY(!display->paints().isEmpty() && display->paints().constLast().lit);

    emit w.session->flashChanged(false);
    painted = paintedColours(*display);
    QCOMPARE(painted.background, rgbOf(noisy.background));
    QCOMPARE(painted.foreground, rgbOf(noisy.foreground));
    QTRY_VERIFY(!display->paints().constLast().lit);
}

// A second of readings that each change the level, with the flash toggled every 10 ms
// (far faster than any flash should be): the display paints at most once a tick, so a
// busy computer that delays the readings only spaces the paints further apart.
void TestClassDisplay::repaintsNoFasterThanTheTick()
{
    Window w({"Tolerance=999"});
    ClassDisplay *display = w.openDisplay();
    QTest::qWait(200); // the first paints after showing
    int readings = 0;
    QObject::connect(w.session.get(), &ListeningSession::readingTaken, display, [&] {
        ++readings;
        w.device->peak = w.device->peak == 0 ? 30000 : 0;
        w.now += 50;
    });
    bool lit = false;
    QTimer flasher;
    QObject::connect(&flasher, &QTimer::timeout, display,
                     [&] { emit w.session->flashChanged(lit = !lit); });
    flasher.start(10);
    const qsizetype before = display->paints().size();
    QElapsedTimer clock;
    clock.start();
    w.form->startListening();
    QTest::qWait(1000);
    flasher.stop();
    const qint64 elapsed = clock.elapsed();
    w.session->stop();

    const QList<ClassDisplay::Paint> paints = display->paints().mid(before);
    QStringList gaps;
    bool spaced = true;
    for (qsizetype i = 1; i < paints.size(); ++i) {
        const qint64 gap = paints[i].at - paints[i - 1].at;
        gaps << QString::number(gap);
        // Whole milliseconds: a paint 50 ms on may read as 49.
        spaced = spaced && gap >= ListeningSession::MeterTickMs - 1;
    }
    const QString figures = QString("%1 ms, %2 readings, %3 paints, gaps %4")
                                .arg(elapsed)
                                .arg(readings)
                                .arg(paints.size())
                                .arg(gaps.join(' '));
    qInfo("%s", qPrintable(figures));
    QVERIFY2(paints.size() >= 5, qPrintable(figures)); // it does paint while changing
    QVERIFY2(paints.size() <= elapsed / ListeningSession::MeterTickMs + 1, qPrintable(figures));
    QVERIFY2(spaced, qPrintable(figures));
}

// Settings > Alarm > Flash in a room that stays loud: alarm after alarm lights the
// display, and its paints show no more than three lit onsets in any one second (the
// photosensitivity limit), whatever the session's flashing and the display's pace.
void TestClassDisplay::flashAlarmLightsTheDisplayAtMostThreeTimesASecond()
{
    Window w({"Tolerance=1", "Sound=Beep", "AlarmMode=Flash"});
    ClassDisplay *display = w.openDisplay();
    QTest::qWait(200);
    QObject::connect(w.session.get(), &ListeningSession::readingTaken, display,
                     [&] { w.now += ListeningSession::MeterTickMs; });
    int alarms = 0;
    QObject::connect(w.session.get(), &ListeningSession::alarmSounded, display, [&] { ++alarms; });
    w.device->peak = 30000;
    const qsizetype before = display->paints().size();
    w.form->startListening();
    QTest::qWait(4500);
    w.session->stop();

    QList<qint64> onsets;
    bool wasLit = false;
    for (const ClassDisplay::Paint &paint : display->paints().mid(before)) {
        if (paint.lit && !wasLit)
            onsets << paint.at;
        wasLit = paint.lit;
    }
    int most = 0;
    for (qsizetype i = 0; i < onsets.size(); ++i) {
        int within = 0;
        for (qsizetype j = i; j < onsets.size() && onsets[j] - onsets[i] < 1000; ++j)
            ++within;
        most = qMax(most, within);
    }
    QStringList times;
    for (const qint64 at : onsets)
        times << QString::number(at - onsets.value(0));
    const QString figures = QString("%1 alarms, lit onsets at %2 ms; at most %3 in a second")
                                .arg(alarms)
                                .arg(times.join(' '))
                                .arg(most);
    qInfo("%s", qPrintable(figures));
    QVERIFY2(onsets.size() >= 4, qPrintable(figures)); // it does flash, alarm after alarm
    QVERIFY2(most <= 3, qPrintable(figures));
    QVERIFY(w.player.played.isEmpty()); // and nothing was heard
}

// Escape and a double click leave full screen, a double click or the menu return to it;
// the display is a window of its own that blocks nothing, and the main window's
// controls still reach it.
void TestClassDisplay::escapeAndDoubleClickLeaveFullScreen()
{
    Window w({"Tolerance=3"});
    w.form->show();
    w.form->startListening();
    ClassDisplay *display = w.openDisplay();
    QVERIFY(display->isWindow() && !display->parent());
    QVERIFY(!display->isModal() && !QApplication::activeModalWidget());
    QVERIFY(display->isFullScreen());

    QTest::keyClick(display, Qt::Key_Escape);
    QVERIFY(!display->isFullScreen() && display->isVisible());
    QTest::keyClick(display, Qt::Key_Escape); // stays a window
    QVERIFY(!display->isFullScreen() && display->isVisible());
    QTest::mouseDClick(display, Qt::LeftButton);
    QVERIFY(display->isFullScreen());
    QTest::mouseDClick(display, Qt::LeftButton);
    QVERIFY(!display->isFullScreen());
    w.child<QAction>("ClassDisplay1")->trigger();
    QVERIFY(display->isFullScreen());
    QTRY_COMPARE(display->geometry(), MainScreen);

    w.child<QSlider>("TrackBar1")->setValue(8);
    w.session->onMeterTick();
    QCOMPARE(display->look().thresholdPercent, 80);

    w.menu()->closeDisplay();
    QVERIFY(!display->isVisible());
    QVERIFY(w.form->isVisible());
}

void TestClassDisplay::screenChoice_data()
{
    QTest::addColumn<QString>("stored"); // the settings line, if any
    QTest::addColumn<QRect>("filled");
    QTest::newRow("nothing chosen: the main screen") << "" << MainScreen;
    QTest::newRow("the projector, remembered") << "ClassDisplayScreen=Projector" << ProjectorScreen;
    QTest::newRow("a screen no longer connected: the main screen")
        << "ClassDisplayScreen=HDMI-2" << MainScreen;
}

// The display fills the stored screen, or the main one without it; a screen chosen in
// the menu takes the display there at once and is added to the settings.
void TestClassDisplay::screenChoice()
{
    QFETCH(QString, stored);
    QFETCH(QRect, filled);
    QCOMPARE(QGuiApplication::screens().size(), 2);
    Window w(stored.isEmpty() ? QStringList{"Tolerance=3"} : QStringList{"Tolerance=3", stored});
    ClassDisplay *display = w.openDisplay();
    QTRY_COMPARE(display->geometry(), filled);

    auto *screens = w.child<QMenu>("ClassDisplayScreen1");
    emit screens->aboutToShow();
    QStringList captions, checked;
    for (QAction *item : screens->actions()) {
        captions << item->text();
        if (item->isChecked())
            checked << item->objectName();
    }
    QCOMPARE(captions,
             QStringList({"1: Main (1024 \u00D7 768)", "2: Projector (1280 \u00D7 720)"}));
    QCOMPARE(checked, QStringList{filled == MainScreen ? "ScreenChoice1" : "ScreenChoice2"});

    const QByteArray before = w.settingsBytes();
    w.child<QAction>("ScreenChoice2")->trigger();
    QTRY_COMPARE(display->geometry(), ProjectorScreen);
    QVERIFY(display->isFullScreen());
    QCOMPARE(display->screen()->name(), QString("Projector"));
    // Only the one key changes in the file.
    const QByteArray chosen = "ClassDisplayScreen=Projector\r\n";
    QByteArray after = w.settingsBytes();
    QVERIFY(after.contains(chosen));
    QCOMPARE(after.replace(chosen, stored.isEmpty() ? QByteArray() : stored.toUtf8() + "\r\n"),
             before);
    w.child<QAction>("ScreenChoice1")->trigger();
    QTRY_COMPARE(display->geometry(), MainScreen);
}

void TestClassDisplay::textsAreTranslated()
{
    Window w({}, 1031);
    QCOMPARE(w.menu()->title(), QString("Ansicht"));
    QCOMPARE(w.child<QAction>("ClassDisplay1")->text(), QString("Klassenanzeige"));
    ClassDisplay *display = w.openDisplay();
    QCOMPARE(display->word(), QString("Hört nicht zu"));
    QCOMPARE(display->countText(), QString("Laute Sekunden: 0 von 5"));
}

// Two screens side by side, from a configuration file of the offscreen platform in the
// working folder (a relative name: the platform's arguments are separated by colons).
int main(int argc, char *argv[])
{
    QTemporaryFile screens(QStringLiteral("murmlet-screens-XXXXXX.json"));
    if (!screens.open())
        return 2;
    screens.write(R"({"screens": [
        {"name": "Main", "x": 0, "y": 0, "width": 1024, "height": 768},
        {"name": "Projector", "x": 1024, "y": 0, "width": 1280, "height": 720}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM",
            "offscreen:configfile=" + QFileInfo(screens.fileName()).fileName().toLocal8Bit());
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestClassDisplay test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_classdisplay.moc"

// Shows each dialog and the update notice as the program builds them, with the theme,
// and saves a picture of each: run under a real X server (scripts/screenshots.sh).
// Usage: murmlet_screenshots <output folder>
#include "app/mainwindow.h"
#include "base/appidentity.h"
#include "base/applicationsetup.h"
#include "base/apppaths.h"
#include "features/about/aboutbox.h"
#include "features/classdisplay/classdisplay.h"
#include "features/feedback/feedbackdialog.h"
#include "features/lessontimes/lessontimesdialog.h"
#include "features/levels/calibratedialog.h"
#include "features/schoollink/linkmessages.h"
#include "features/schoolview/schooltiles.h"
#include "features/schoolview/schoolwindow.h"
#include "features/sessionreport/sessionreportwindow.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagedialog.h"
#include "monitor/decibels.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "session/sessionrecord.h"
#include "support/fakes.h"
#include "support/sourcedir.h"
#include "update/updatenotice.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

namespace {
void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget &window, int settleMs, const QString &file)
{
    window.show();
    wait(settleMs);
    return window.grab().save(file);
}

// Forty minutes of a lesson: a murmur that swells into two noisy spells, with the
// detector's rules at threshold 5 and tolerance 5.
void recordLesson(SessionRecord &record)
{
    QRandomGenerator random(13);
    const qint64 start = QDateTime(QDate(2026, 3, 5), QTime(9, 0)).toMSecsSinceEpoch();
    const qint64 threshold = 5 * 10000000LL;
    int count = 0;
    for (int second = 0; second < 40 * 60; ++second) {
        const bool spell = (second > 700 && second < 820) || (second > 1900 && second < 2050);
        const double swell = spell ? 0.3 : 0.012 + 0.008 * std::sin(second / 90.0);
        const qint64 level = qint64(32768 * swell * (0.4 + 0.6 * random.generateDouble())) * 65536;
        record.noteReading(level);
        const bool noisy = level > threshold;
        count = noisy ? count + 1 : 0;
        const bool alarm = count >= 5;
        if (alarm)
            count = 0;
        record.closeSecond(start + (second + 1) * 1000LL, noisy, alarm);
    }
}

// The class display at 800 x 450 over a session of its own, quiet, noisy, at the alarm
// and paused until 10:45; tolerance 5, the meter full at a peak of about 1526.
bool saveClassDisplay(const LanguageCatalogue &language, const QString &out)
{
    auto steady = std::make_unique<SteadyDevice>();
    SteadyDevice &device = *steady;
    MicrophoneCapture capture(std::move(steady));
    RecordingPlayer player;
    ListeningSession session(capture, player);
    qint64 now = 0;
    qint64 wallNow = QDateTime(QDate(2026, 3, 5), QTime(10, 14, 0)).toMSecsSinceEpoch();
    session.setClock([&] { return now; });
    session.setWallClock([&] { return wallNow; });
    const auto second = [&](qint16 peak) {
        device.peak = peak;
        for (int tick = 0; tick < 20; ++tick) {
            now += 50;
            session.onMeterTick();
        }
        wallNow += 1000;
        session.onCountTick();
    };
    ClassDisplay display(session, [&](const QString &text) { return language.translate(text); });
    display.resize(800, 450);
    const auto saved = [&](const char *name) {
        return display.grab().save(out + QStringLiteral("/class-display-%1.png").arg(name));
    };
    // The event loop never runs meanwhile, so only these readings count.
    session.start();
    bool ok = true;
    second(300);
    ok &= saved("quiet");
    second(1100);
    second(1100);
    ok &= saved("noisy");
    for (int i = 0; i < 3; ++i) // the count reaches 5: the alarm, and the count starts over
        second(1400);
    ok &= saved("alarm");
    wallNow = QDateTime(QDate(2026, 3, 5), QTime(10, 15, 0)).toMSecsSinceEpoch();
    session.pauseFor(30);
    for (int i = 0; i < ClassDisplayModel::AlarmHoldSeconds; ++i)
        second(250);
    ok &= saved("paused");
    session.stop();
    return ok;
}
// A school's thirty rooms: a few loud, one offline for the last 38 minutes, one whose
// microphone hears nothing; ten minutes of their readings behind each tile.
bool saveSchool(const LanguageCatalogue &language, const QString &folder, const QString &out)
{
    Settings settings([](const SettingsStore::WriteError &) {});
    settings.open(folder + QStringLiteral("/school.ini"));
    SchoolWindow window(
        settings, [&](const QString &text) { return language.translate(text); }, "murmlet");
    window.resize(4 * (SchoolTiles::TileWidth + SchoolTiles::Gap) + 40, 720);
    QStringList names;
    for (int i = 1; i <= 24; ++i)
        names << QStringLiteral("Room %1").arg(100 * (1 + (i - 1) / 8) + 1 + (i - 1) % 8);
    names << QStringLiteral("Library") << QStringLiteral("Music") << QStringLiteral("Science lab")
          << QStringLiteral("Art") << QStringLiteral("Hall") << QStringLiteral("Staff room");
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QRandomGenerator random(7);
    SchoolRooms &rooms = window.rooms();
    for (int n = 0; n < names.size(); ++n) {
        const QByteArray topic = "murmlet/" + names.at(n).toUtf8();
        if (names.at(n) == QLatin1String("Room 206")) {
            rooms.receive(topic + "/status", "offline", false, now - 38 * 60000);
            continue;
        }
        rooms.receive(topic + "/status", "online", true, now - 600000);
        const bool loud = n % 7 == 3, muffled = names.at(n) == QLatin1String("Art");
        int alarms = int(random.bounded(3)) + (loud ? 2 : 0);
        for (int s = 600; s >= 0; s -= 2) {
            const bool spell = loud && (s < 90 || (s > 300 && s < 330));
            LinkMessages::RoomSecond second;
            second.time = QDateTime::fromMSecsSinceEpoch(now - s * 1000LL, Qt::UTC);
            const double peak = spell ? -4.0 - random.bounded(6.0) : -66.0 + random.bounded(30.0);
            second.peakDbfs = peak;
            // As the room's own detector says it: above the threshold is noisy.
            second.noisy = peak > Decibels::thresholdDbfs(5);
            second.alarms = alarms;
            second.threshold = 5;
            second.listening = true;
            second.soundComingIn = !muffled;
            rooms.receive(topic + "/state", LinkMessages::state(names.at(n), second), false,
                          now - s * 1000LL);
        }
    }
    window.show();
    window.showLinkState(language.translate(QStringLiteral("School link: connected")));
    window.takeChanges();
    return save(window, 500, out + QStringLiteral("/school.png"));
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    ApplicationSetup::apply(app);

    const AppIdentity identity =
        AppIdentity::fromVersionRecord(QCoreApplication::applicationFilePath());
    const AppPaths paths{QCoreApplication::applicationFilePath(),
                         SourceDir::path() + QStringLiteral("/resources")};
    LanguageCatalogue language(paths.programFolder, 1033);
    language.loadLanguage(QString());
    RecordingDesktop desktop;
    QTemporaryDir settings;

    bool ok = true;
    {
        auto *feedback = new FeedbackDialog(language, identity, WebService{}, nullptr);
        ok &= save(*feedback, 500, out + QStringLiteral("/feedback.png"));
        feedback->close();
    }
    {
        AboutBox about(language, identity, desktop, paths);
        ok &= save(about, 2500, out + QStringLiteral("/about.png"));
    }
    {
        LanguageDialog languages(language, desktop, settings.path() + QLatin1Char('/'),
                                 paths.programFile, [](const QString &) {});
        ok &= save(languages, 500, out + QStringLiteral("/language.png"));
    }
    {
        UpdateNotice notice(desktop, language,
                            {identity.productName, QStringLiteral("1.2"),
                             QStringLiteral("https://x.example/"),
                             QStringLiteral("http://" MURMLET_WEB_HOST "/")},
                            nullptr);
        wait(600); // appears on its own start timer and grows to full size
        ok &= notice.grab().save(out + QStringLiteral("/update-notice.png"));
    }
    {
        CalibrateDialog calibrate([&](const QString &text) { return language.translate(text); },
                                  [] { return -31.4; }, std::nullopt);
        ok &= save(calibrate, 500, out + QStringLiteral("/calibrate.png"));
    }
    {
        SessionRecord record;
        recordLesson(record);
        SessionReportWindow report(
            record, [&](const QString &text) { return language.translate(text); },
            {[] { return Decibels::thresholdDbfs(5); }, [] { return std::optional(92.0); }});
        report.resize(640, 360);
        ok &= save(report, 500, out + QStringLiteral("/session-report.png"));
    }
    {
        const LessonTimes week(true, {*LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 08:00-12:30"),
                                      *LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 13:15-15:00")});
        LessonTimesDialog lessons([&](const QString &text) { return language.translate(text); },
                                  week);
        ok &= save(lessons, 500, out + QStringLiteral("/lesson-times.png"));
    }
    ok &= saveClassDisplay(language, out);
    ok &= saveSchool(language, settings.path(), out);
    return ok ? 0 : 1;
}

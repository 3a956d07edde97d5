// Murmlet's monitoring window, built as main() builds it over the real capture layer:
// its CPU while listening to noise beside parec recording the same source, the
// GUI thread's time per 50 ms meter tick (and how much of it is painting), and the delay
// from a sound onset on the virtual microphone to a red meter.
// Prints figures; asserts nothing. Run through bench/run-bench.sh.
#include "app/mainwindow.h"
#include "base/applicationsetup.h"
#include "base/runningmarker.h"
#include "e2e/pulsetools.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "monitor/pulsecapturedevice.h"
#include "monitor/soundplayer.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <pulse/simple.h>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 clockNs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}
qint64 threadCpuNs()
{
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}
qint64 nowNs()
{
    return clockNs(CLOCK_MONOTONIC);
}

// utime + stime from a /proc/.../stat file, in seconds; -1 when it cannot be read.
double statCpuSeconds(const QString &statFile)
{
    QFile stat(statFile);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The command name may hold blanks and brackets: the fields start after the last ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// CPU seconds of each of our threads, keyed by "name/tid".
std::map<QString, double> threadCpuSeconds()
{
    std::map<QString, double> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        const QString name =
            comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : "?";
        threads[name + '/' + tid] = statCpuSeconds(tasks.filePath(tid + QStringLiteral("/stat")));
    }
    return threads;
}

// Splits the GUI thread's CPU time by what the event loop was doing: painting (update
// requests and paint events, however deeply nested), the meter tick's timer event (the
// tick handler as the loop runs it) and all other events; what remains is the loop
// itself (polling, waking, timer bookkeeping). Painting is deferred by update(), so it
// never runs inside another event's time. Counts only while `accounting` is set.
class BenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!accounting || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const bool paint = !m_painting && (type == QEvent::UpdateRequest ||
                                           type == QEvent::UpdateLater || type == QEvent::Paint);
        const bool outermost = m_depth == 0;
        if (!paint && !outermost)
            return QApplication::notify(receiver, event);

        const bool tick = outermost && receiver == meterTimer && type == QEvent::Timer;
        m_painting = m_painting || paint;
        ++m_depth;
        const qint64 cpu0 = threadCpuNs(), wall0 = nowNs();
        const bool result = QApplication::notify(receiver, event);
        const qint64 cpu = threadCpuNs() - cpu0, wall = nowNs() - wall0;
        --m_depth;
        if (paint) {
            m_painting = false;
            paintCpuNs += cpu;
            ++paints;
            if (!outermost) // nested in another event: not that event's own time
                m_nestedPaintNs += cpu;
        }
        if (!outermost)
            return result;
        const qint64 own = cpu - (paint ? 0 : m_nestedPaintNs);
        m_nestedPaintNs = 0;
        if (tick) {
            tickCpuNs += own;
            tickWallNs += wall;
            tickWallMaxNs = std::max(tickWallMaxNs, wall);
            ++tickEvents;
        } else if (!paint) {
            otherCpuNs += own;
            ++otherEvents;
        }
        return result;
    }

    bool accounting = false;
    const QObject *meterTimer = nullptr;
    qint64 paintCpuNs = 0, tickCpuNs = 0, otherCpuNs = 0, tickWallNs = 0, tickWallMaxNs = 0;
    int paints = 0, tickEvents = 0, otherEvents = 0;

private:
    bool m_painting = false;
    int m_depth = 0;
    qint64 m_nestedPaintNs = 0;
};

void runFor(int ms)
{
    QEventLoop loop;
    // Precise: a coarse timer may end a 60 s phase up to 3 s late.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// micfeed's configured latency in ms from pactl (how far it renders ahead), or -1.
double micfeedLatencyMs()
{
    const QString sinks = PulseTools::pactl({"list", "sinks"}).value_or(QString());
    const qsizetype at = sinks.indexOf(QStringLiteral("Name: micfeed"));
    if (at < 0)
        return -1;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Latency: \\d+ usec, configured (\\d+) usec"))
            .match(sinks, at);
    return match.hasMatch() ? match.captured(1).toDouble() / 1000 : -1;
}

// Plays silence into the virtual microphone's feed without a break, on a thread of its
// own so it never holds up the GUI loop, and on request a loud 300 ms burst of noise.
//
// The burst's onset is the moment its first sample is due to play on micfeed: the time
// just before it is written plus the stream's latency reported then (everything queued
// ahead of it, plus micfeed's own latency). The queue's end is fixed in time, so the
// write itself may come a little later without moving the onset. An underrun would only
// delay the burst, making the measured delay longer, never shorter.
class OnsetFeeder
{
public:
    OnsetFeeder()
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 1};
        pa_buffer_attr attr{};
        attr.maxlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.tlength = 441 * 2 * 2; // 20 ms queued ahead
        attr.fragsize = uint32_t(-1);
        m_stream = pa_simple_new(nullptr, "murmlet-bench", PA_STREAM_PLAYBACK, "micfeed", "onsets",
                                 &format, nullptr, &attr, nullptr);
        if (m_stream)
            m_thread = std::thread([this] { run(); });
    }
    ~OnsetFeeder()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_stream)
            pa_simple_free(m_stream);
    }
    bool ok() const { return m_stream != nullptr; }
    void trigger()
    {
        m_onsetNs = 0;
        m_trigger = true;
    }
    qint64 onsetNs() const { return m_onsetNs; } // 0 until the burst is queued

private:
    void run()
    {
        std::vector<qint16> silence(441, 0), burst(441 * 30);
        for (std::size_t i = 0; i < burst.size(); ++i) // loud from the very first sample
            burst[i] = qint16(int(i * 7919 % 40000) - 20000);
        while (!m_stop) {
            if (m_trigger.exchange(false)) {
                const qint64 before = nowNs();
                const pa_usec_t latency = pa_simple_get_latency(m_stream, nullptr);
                const qint64 after = nowNs();
                m_onsetNs = (before + after) / 2 + qint64(latency) * 1000;
                pa_simple_write(m_stream, burst.data(), burst.size() * 2, nullptr);
            } else {
                pa_simple_write(m_stream, silence.data(), silence.size() * 2, nullptr);
            }
        }
    }

    pa_simple *m_stream = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_trigger{false};
    std::atomic<qint64> m_onsetNs{0};
};

// Raw mono 44100 Hz s16le noise whose peak jumps every 50 ms between quiet and loud
// (either side of the default threshold), so every meter tick finds a new percentage
// and often a new colour: the most repainting a room can cause.
bool writeVaryingNoise(const QString &path, int seconds)
{
    constexpr std::size_t segment = 2205;
    std::vector<qint16> samples(std::size_t(seconds) * 44100);
    QRandomGenerator random(11);
    for (std::size_t start = 0; start < samples.size(); start += segment) {
        const int peak = random.bounded(200, 1500); // meter 13 % ... 98 %
        for (std::size_t i = start; i < std::min(start + segment, samples.size()); ++i)
            samples[i] = qToLittleEndian(qint16(random.bounded(-peak, peak + 1)));
    }
    QFile file(path);
    const auto bytes = qint64(samples.size() * sizeof(qint16));
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char *>(samples.data()), bytes) == bytes;
}

struct Options
{
    int seconds = 60;
    int onsets = 20;
    std::uint32_t fragment = 0; // 0: the program's own capture device, as main() makes it
    bool varying = false;       // steady white noise, or noise that changes every tick
};

bool parse(const QStringList &args, Options &options)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--noise" && i + 1 < args.size() &&
            (args[i + 1] == "steady" || args[i + 1] == "varying")) {
            options.varying = args[++i] == "varying";
            continue;
        }
        bool ok = i + 1 < args.size();
        const int value = ok ? args[i + 1].toInt(&ok) : 0;
        if (!ok || value <= 0)
            return false;
        if (args[i] == "--seconds")
            options.seconds = value;
        else if (args[i] == "--onsets")
            options.onsets = value;
        else if (args[i] == "--fragment")
            options.fragment = std::uint32_t(value);
        else
            return false;
        ++i;
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    BenchApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr, "usage: murmlet_bench [--seconds N] [--onsets N] [--fragment BYTES] "
                             "[--noise steady|varying]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "run me through bench/run-bench.sh (it starts the sound server)\n");
        return 2;
    }

    QTemporaryDir folder;
    const QString noise = folder.filePath("noise");
    const int noiseSeconds = options.seconds + 10;
    if (!(options.varying ? writeVaryingNoise(noise, noiseSeconds)
                          : PulseTools::writeNoiseWav(noise, noiseSeconds, 20000))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(noise));
        return 2;
    }

    // The window as main() builds it (the same application setup), but with a desktop that opens
    // nothing and an update check that fails at once without leaving the computer. The program
    // folder is a fresh temporary one, so the settings start empty and nothing of the user's is
    // read or written.
    const RunningMarker running(QStringLiteral("TAMBRIX_Murmlet"));
    ApplicationSetup::apply(app);
    MicrophoneCapture capture(options.fragment
                                  ? std::make_unique<PulseCaptureDevice>(options.fragment)
                                  : CaptureDevice::createDefault());
    const std::unique_ptr<SoundPlayer> player = SoundPlayer::createDefault();
    RecordingDesktop desktop;
    LanguageCatalogue language(folder.path(), 1033);
    const QString updateStore = folder.filePath("updates.ini");
    ListeningSession session(capture, *player);
    MainWindow form(session, desktop, language,
                    AppPaths{QCoreApplication::applicationFilePath(), folder.path()},
                    [&](const AppIdentity &) { return offlineUpdates(updateStore); });
    form.show();
    auto *meterTick = session.findChild<QTimer *>("Timer1");
    if (!meterTick) {
        std::fprintf(stderr, "the session has no Timer1\n");
        return 2;
    }
    app.meterTimer = meterTick;
    int ticks = 0;
    QObject::connect(meterTick, &QTimer::timeout, [&] { ++ticks; });

    std::printf("Murmlet monitoring benchmark\n");
    if (options.fragment)
        std::printf("capture fragment: %u bytes (--fragment)\n", options.fragment);
    else
        std::printf("capture fragment: %u bytes (the program's default)\n",
                    PulseCaptureDevice::DefaultFragmentBytes);

    // ---- CPU while monitoring noise, beside parec recording the same source ----
    QProcess feed;
    feed.start("paplay", options.varying ? QStringList{"--raw", "--format=s16le", "--rate=44100",
                                                       "--channels=1", "-d", "micfeed", noise}
                                         : QStringList{"-d", "micfeed", noise});
    QProcess parec;
    parec.setStandardOutputFile(QProcess::nullDevice());
    form.startListening();
    parec.start("parec", {"--latency-msec=50", "-d", "vmic", "--format=s16le", "--rate=44100",
                          "--channels=1"});
    if (!feed.waitForStarted() || !parec.waitForStarted()) {
        std::fprintf(stderr, "cannot start paplay or parec\n");
        return 2;
    }
    runFor(1000); // both streams set up and settled
    const QString parecStat = QStringLiteral("/proc/%1/stat").arg(parec.processId());
    const double cpu0 = processCpuSeconds(), parec0 = statCpuSeconds(parecStat);
    const qint64 gui0 = threadCpuNs();
    const auto threads0 = threadCpuSeconds();
    const int ticks0 = ticks;
    const qint64 wall0 = nowNs();
    app.accounting = true;
    runFor(options.seconds * 1000);
    app.accounting = false;
    const double wall = double(nowNs() - wall0) / 1e9;
    const double cpu = processCpuSeconds() - cpu0, parecCpu = statCpuSeconds(parecStat) - parec0;
    const double gui = double(threadCpuNs() - gui0) / 1e9;
    const auto threads1 = threadCpuSeconds();
    const int measuredTicks = ticks - ticks0;
    parec.kill();
    parec.waitForFinished();

    std::printf("\n%s for %.2f s (%d meter ticks, %.0f at 50 ms):\n",
                options.varying ? "noise changing every 50 ms" : "steady white noise", wall,
                measuredTicks, wall * 20);
    std::printf("  cpu: murmlet %.3f s, parec %.3f s, ratio %.2f (target <= 1.5)\n", cpu, parecCpu,
                parecCpu > 0 ? cpu / parecCpu : 0.0);
    std::printf("  murmlet by thread:");
    for (const auto &[thread, seconds] : threads1) {
        const auto before = threads0.find(thread);
        std::printf(" %s %.2f s;", qPrintable(thread),
                    seconds - (before == threads0.end() ? 0.0 : before->second));
    }
    std::printf("\n");
    const double perTick = measuredTicks ? 1e6 / measuredTicks : 0.0;
    std::printf("  gui thread: %.3f s = %.1f us per 50 ms tick, everything included "
                "(target < 1000 us)\n",
                gui, gui * perTick);
    const double paint = double(app.paintCpuNs) / 1e9, tick = double(app.tickCpuNs) / 1e9,
                 other = double(app.otherCpuNs) / 1e9, loop = gui - paint - tick - other;
    std::printf("    painting             %.3f s = %5.1f us per tick (%d repaints)\n", paint,
                paint * perTick, app.paints);
    std::printf("    meter tick events    %.3f s = %5.1f us per tick (%d events)\n", tick,
                tick * perTick, app.tickEvents);
    std::printf("    other events         %.3f s = %5.1f us per tick (%d events)\n", other,
                other * perTick, app.otherEvents);
    std::printf("    the event loop itself %.3f s = %5.1f us per tick (waiting, waking, timers)\n",
                loop, loop * perTick);
    std::printf("    meter tick event wall time: mean %.1f us, max %.1f us\n",
                app.tickEvents ? double(app.tickWallNs) / app.tickEvents / 1e3 : 0.0,
                double(app.tickWallMaxNs) / 1e3);

    // The tick handler alone, in a loop: most calls find no fresh capture, so this is
    // the handler's floor; the tick events above include a fresh capture each time.
    QElapsedTimer handler;
    handler.start();
    constexpr int calls = 10000;
    for (int i = 0; i < calls; ++i)
        session.onMeterTick();
    std::printf("  tick handler called %d times in a loop: %.0f ns per call\n", calls,
                double(handler.nsecsElapsed()) / calls);
    feed.kill();
    feed.waitForFinished();

    // ---- Sound onset on the microphone to the first tick that turns the meter red ----
    // Only onMeterTick changes the reading, so checking right after each tick (this
    // connection runs after the session's own) finds the red as early as polling could.
    OnsetFeeder feeder;
    if (!feeder.ok()) {
        std::printf("\nonset: no playback stream to micfeed\n");
        return 0;
    }
    std::vector<double> delays;
    int missed = 0, notQuiet = 0;
    qint64 redAt = 0;
    QObject::connect(meterTick, &QTimer::timeout, [&] {
        if (redAt == 0 && session.lastReading().noisy)
            redAt = nowNs();
    });
    for (int i = 0; i < options.onsets; ++i) {
        runFor(1200 + (i * 37) % 50); // quiet again; onsets fall at varying tick phases
        for (int wait = 0; wait < 30 && session.lastReading().noisy; ++wait)
            runFor(100);
        if (session.lastReading().noisy) {
            ++notQuiet;
            continue;
        }
        redAt = 0;
        feeder.trigger();
        runFor(600);
        if (feeder.onsetNs() && redAt)
            delays.push_back(double(redAt - feeder.onsetNs()) / 1e6);
        else
            ++missed;
    }
    const double latency = micfeedLatencyMs(); // with the bursts' stream still connected
    std::sort(delays.begin(), delays.end());
    std::printf("\nsound onsets (a 300 ms noise burst after >= 1.2 s of silence):\n");
    if (delays.empty()) {
        std::printf("  onset to red: no onset was seen\n");
    } else {
        std::printf("  onset to red over %zu onsets: min %.0f ms, median %.0f ms, max %.0f ms "
                    "(target < 100 ms)\n",
                    delays.size(), delays.front(), delays[delays.size() / 2], delays.back());
    }
    if (missed || notQuiet)
        std::printf("  %d bursts never turned the meter red; %d times it stayed red in silence\n",
                    missed, notQuiet);
    std::printf("  onset = when the burst's first sample is due to play on micfeed (write time +"
                " stream latency).\n  micfeed renders ahead and hands samples to the virtual "
                "microphone up to its latency (%.0f ms now) before that,\n  so the delay Murmlet "
                "itself adds may be up to that much longer than shown.\n",
                latency);
    return 0;
}

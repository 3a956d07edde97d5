// Murmlet's monitoring window, with the real capture layer, listening to steady noise on
// the virtual microphone: its CPU beside parec recording the same source, the GUI
// thread's time per 50 ms tick, and the delay from a sound onset to a red meter.
// Prints figures; asserts nothing. Run through bench/run-bench.sh.
#include "app/desktop.h"
#include "app/main.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "monitor/pulsecapturedevice.h"
#include "monitor/pulsesoundplayer.h"
#include "pulsetools.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <pulse/simple.h>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {
class NoDesktop : public Desktop
{
public:
    bool openUrl(const QString &) override { return false; }
    bool startProgram(const QString &) override { return false; }
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// utime + stime of another process, from /proc.
double otherCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int argument(const QStringList &args, const QString &name, int fallback)
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
}

// Plays silence into the virtual microphone's feed without a break and, when asked,
// a burst of noise; records when the burst's first sample reaches the sink.
class OnsetFeeder
{
public:
    OnsetFeeder()
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, 44100, 1};
        pa_buffer_attr attr{};
        attr.maxlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.tlength = 441 * 2 * 2; // 20 ms queued ahead
        attr.fragsize = uint32_t(-1);
        m_stream = pa_simple_new(nullptr, "murmlet-bench", PA_STREAM_PLAYBACK, "micfeed", "onsets",
                                 &spec, nullptr, &attr, nullptr);
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
    void trigger() { m_onsetNs = 0, m_trigger = true; }
    qint64 onsetNs() const { return m_onsetNs; }

private:
    void run()
    {
        std::vector<qint16> silence(441, 0), burst(441 * 30);
        for (std::size_t i = 0; i < burst.size(); ++i)
            burst[i] = qint16((i * 7919 % 40000) - 20000);
        while (!m_stop) {
            if (m_trigger.exchange(false)) {
                const qint64 written = nowNs();
                const pa_usec_t latency = pa_simple_get_latency(m_stream, nullptr);
                m_onsetNs = written + qint64(latency) * 1000;
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
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = argument(args, "--seconds", 60);
    const int onsets = argument(args, "--onsets", 20);
    const auto fragment =
        std::uint32_t(argument(args, "--fragment", int(PulseCaptureDevice::DefaultFragmentBytes)));
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        qCritical("run me through bench/run-bench.sh (it starts the sound server)");
        return 2;
    }

    QTemporaryDir folder;
    const QString noise = folder.filePath("noise.wav");
    PulseTools::writeNoiseWav(noise, seconds + 10, 20000);

    MicrophoneCapture capture(std::make_unique<PulseCaptureDevice>(fragment));
    PulseSoundPlayer player;
    NoDesktop desktop;
    LanguageCatalogue language(folder.path(), 1033);
    TAppForm form(capture, player, desktop, language,
                  AppPaths{QCoreApplication::applicationFilePath(), folder.path()});
    form.show();
    auto *meterTick = form.findChild<QTimer *>("Timer1");
    int ticks = 0;
    QObject::connect(meterTick, &QTimer::timeout, [&] { ++ticks; });

    // CPU while monitoring steady noise, beside parec recording the same source.
    auto feed = PulseTools::play(noise, "micfeed");
    QProcess parec;
    parec.setStandardOutputFile(QProcess::nullDevice());
    form.ButtonStartClick();
    parec.start("parec", {"--latency-msec=50", "-d", "vmic", "--format=s16le", "--rate=44100",
                          "--channels=1"});
    parec.waitForStarted();
    runFor(1000); // let both settle
    const double cpu0 = processCpuSeconds(), gui0 = threadCpuSeconds();
    const double parec0 = otherCpuSeconds(parec.processId());
    const int ticks0 = ticks;
    runFor(seconds * 1000);
    const double cpu = processCpuSeconds() - cpu0, gui = threadCpuSeconds() - gui0;
    const double parecCpu = otherCpuSeconds(parec.processId()) - parec0;
    const int measuredTicks = ticks - ticks0;
    parec.kill();
    parec.waitForFinished();
    feed->kill();
    feed->waitForFinished();

    std::printf("capture fragment: %u bytes\n", fragment);
    std::printf("cpu over %d s: murmlet %.3f s, parec %.3f s, ratio %.2f (target <= 1.5)\n",
                seconds, cpu, parecCpu, parecCpu > 0 ? cpu / parecCpu : 0.0);
    std::printf("gui thread: %.3f s over %d ticks = %.1f us per 50 ms tick, painting included "
                "(target < 1000 us)\n",
                gui, measuredTicks, measuredTicks ? gui * 1e6 / measuredTicks : 0.0);

    // The tick handler alone: a read of the newest capture, the arithmetic, the meter.
    QElapsedTimer handler;
    handler.start();
    constexpr int calls = 10000;
    for (int i = 0; i < calls; ++i)
        form.Timer1Timer();
    std::printf("tick handler alone: %.0f ns per call\n", double(handler.nsecsElapsed()) / calls);

    // Onset of a sound on the microphone to the first tick that turns the meter red.
    OnsetFeeder feeder;
    if (!feeder.ok()) {
        std::printf("onset: no playback stream to micfeed\n");
        return 0;
    }
    std::vector<double> delays;
    qint64 redAt = 0;
    QObject::connect(meterTick, &QTimer::timeout, [&] {
        if (form.detector().noiseDetected() && redAt == 0)
            redAt = nowNs();
    });
    for (int i = 0; i < onsets; ++i) {
        runFor(1200 + (i * 37) % 50); // quiet again; onsets fall at varying tick phases
        redAt = 0;
        feeder.trigger();
        runFor(600);
        if (feeder.onsetNs() && redAt)
            delays.push_back(double(redAt - feeder.onsetNs()) / 1e6);
    }
    std::sort(delays.begin(), delays.end());
    if (delays.empty()) {
        std::printf("onset to red: no onset was seen\n");
    } else {
        std::printf("onset to red over %zu onsets: min %.0f ms, median %.0f ms, max %.0f ms "
                    "(target < 100 ms)\n",
                    delays.size(), delays.front(), delays[delays.size() / 2], delays.back());
    }
    return 0;
}

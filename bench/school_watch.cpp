// The School window as View > School runs it (its feed, its window, shown), watched:
// prints, as one JSON line, its own share of one core and resident memory over a span, and
// the delay from a room's publish ("sent_ms" in the message, as murmlet-school-load sends
// it) to the first repaint of the tiles after the window took the message in.
//
//   murmlet_school_watch --port P [--warmup S] [--seconds S]
//
// Prints "measuring" when the span starts, after the first message and the warm-up.
#include "base/settings.h"
#include "features/schoollink/linkmodule.h"
#include "features/schoolview/schoolfeed.h"
#include "features/schoolview/schooltiles.h"
#include "features/schoolview/schoolwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double statusMegabytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

qint64 sentMs(const QByteArray &payload)
{
    static const QByteArray key = "\"sent_ms\":";
    const qsizetype at = payload.lastIndexOf(key);
    if (at < 0)
        return -1;
    qsizetype end = at + key.size();
    while (end < payload.size() && payload.at(end) >= '0' && payload.at(end) <= '9')
        ++end;
    return payload.mid(at + key.size(), end - at - key.size()).toLongLong();
}

double percentile(std::vector<qint64> values, double share)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return double(values[std::min(values.size() - 1, std::size_t(share * double(values.size())))]);
}

// Paints of the tiles: what waits for one gets its delay then.
class PaintWatch : public QObject
{
public:
    std::vector<qint64> taken;  // sent_ms of messages in the tiles, not yet repainted
    std::vector<qint64> delays; // publish to repaint, in the span
    bool measuring = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !taken.empty()) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            if (measuring)
                for (const qint64 sent : taken)
                    delays.push_back(now - sent);
            taken.clear();
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int port = 1883, warmup = 10, seconds = 30;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--port"))
            port = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--warmup"))
            warmup = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--seconds"))
            seconds = args.at(i + 1).toInt();
    }
    if (!LinkModule::load()) {
        std::fprintf(stderr, "%s\n", qPrintable(LinkModule::error()));
        return 2;
    }
    QTemporaryDir dir;
    Settings settings([](const SettingsStore::WriteError &) {});
    settings.open(dir.filePath(QStringLiteral("settings.ini")));
    SchoolWindow window(
        settings, [](const QString &text) { return text; }, "murmlet");
    window.resize(1200, 760);
    SchoolFeed feed([] { return LinkModule::createLink(); });
    PaintWatch paints;
    window.tiles()->viewport()->installEventFilter(&paints);

    std::vector<qint64> received; // sent_ms of states in the model, not yet taken
    qint64 messages = 0, messagesInSpan = 0;
    QObject::connect(&feed, &SchoolFeed::messagesWaiting, &window, [&] {
        for (const SchoolFeed::Message &message : feed.take()) {
            if (const qint64 sent = sentMs(message.payload); sent > 0)
                received.push_back(sent);
            window.receive(message.topic, message.payload, message.retained);
            ++messages;
            if (paints.measuring)
                ++messagesInSpan;
        }
    });
    QObject::connect(&window, &SchoolWindow::changesTaken, &window, [&] {
        paints.taken.insert(paints.taken.end(), received.begin(), received.end());
        received.clear();
    });

    double cpuAtStart = 0;
    QElapsedTimer span;
    QTimer::singleShot(0, &app, [&] {
        window.show();
        SchoolLinkConfig config;
        config.host = QStringLiteral("127.0.0.1");
        config.port = port;
        config.tls = false;
        feed.start(config, QString(), QString());
    });
    // The span starts once messages flow and the warm-up has passed.
    QTimer start;
    QObject::connect(&start, &QTimer::timeout, &app, [&] {
        static QElapsedTimer flowing;
        if (messages == 0)
            return;
        if (!flowing.isValid())
            flowing.start();
        if (flowing.elapsed() < warmup * 1000)
            return;
        start.stop();
        paints.measuring = true;
        cpuAtStart = cpuSeconds();
        span.start();
        std::printf("measuring\n");
        std::fflush(stdout);
        QTimer::singleShot(seconds * 1000, &app, [&] {
            const double wall = double(span.elapsed()) / 1000.0;
            const double cpu = cpuSeconds() - cpuAtStart;
            std::printf("{\"rooms\":%d,\"messages_per_s\":%.0f,\"cpu_percent\":%.1f,"
                        "\"rss_mb\":%.1f,\"peak_rss_mb\":%.1f,\"delay_p50_ms\":%.0f,"
                        "\"delay_p99_ms\":%.0f,\"delays\":%zu,\"ignored\":%lld,"
                        "\"dropped\":%llu}\n",
                        window.rooms().size(), double(messagesInSpan) / wall, 100.0 * cpu / wall,
                        statusMegabytes("VmRSS:"), statusMegabytes("VmHWM:"),
                        percentile(paints.delays, 0.5), percentile(paints.delays, 0.99),
                        paints.delays.size(), static_cast<long long>(window.rooms().faultsInAll()),
                        static_cast<unsigned long long>(feed.dropped()));
            std::fflush(stdout);
            feed.stop();
            app.quit();
        });
    });
    start.start(100);
    return app.exec();
}

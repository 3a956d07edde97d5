// Rooms for the School window: publishes as one or many rooms to a broker, through the
// program's own link module and message format, one state a second each, spread over the
// second, with "sent_ms" (when it was handed to the link) added for whoever measures delays.
//
//   murmlet-school-load --host H --port P [--ca FILE] [--password PW] [--prefix P]
//                       [--rooms N] [--room NAME[:DBFS]]... [--junk BYTES]
//
// --rooms N makes rooms "Room-0001"... whose level wanders; --room names a room (at a fixed
// level when DBFS is given). With --password each room logs in as its own name. --junk
// sends one state of BYTES bytes that are no JSON after connecting. Prints "connected N"
// once every room is connected; runs until killed.
#include "features/schoollink/linkmessages.h"
#include "features/schoollink/linkmodule.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <optional>
#include <vector>

namespace {
struct Room
{
    QString name;
    std::optional<double> fixedDbfs;
    double wanderingDbfs = -40.0;
    std::unique_ptr<MqttLink> link;
    std::atomic<bool> connected{false};
    int alarms = 0;
};

QByteArray stateOf(Room &room, QRandomGenerator &random)
{
    double dbfs = room.fixedDbfs.value_or(room.wanderingDbfs);
    if (!room.fixedDbfs) {
        room.wanderingDbfs =
            std::clamp(room.wanderingDbfs + random.bounded(12.0) - 6.0, -70.0, -1.0);
        dbfs = room.wanderingDbfs;
    }
    LinkMessages::RoomSecond second;
    second.time = QDateTime::currentDateTimeUtc();
    second.peakDbfs = dbfs;
    second.noisy = dbfs > -12.0;
    second.noisySeconds = second.noisy ? 1 : 0;
    second.alarms = room.alarms;
    second.threshold = 5;
    second.tolerance = 5;
    second.listening = true;
    second.soundComingIn = true;
    QByteArray payload = LinkMessages::state(room.name, second);
    payload.chop(1);
    return payload + ",\"sent_ms\":" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) +
           '}';
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString host = QStringLiteral("127.0.0.1"), ca, password, prefix = QStringLiteral("murmlet");
    int port = 1883, count = 0, junk = 0;
    std::vector<std::unique_ptr<Room>> rooms;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &key = args.at(i), &value = args.at(i + 1);
        if (key == QLatin1String("--host"))
            host = value;
        else if (key == QLatin1String("--port"))
            port = value.toInt();
        else if (key == QLatin1String("--ca"))
            ca = value;
        else if (key == QLatin1String("--password"))
            password = value;
        else if (key == QLatin1String("--prefix"))
            prefix = value;
        else if (key == QLatin1String("--rooms"))
            count = value.toInt();
        else if (key == QLatin1String("--junk"))
            junk = value.toInt();
        else if (key == QLatin1String("--room")) {
            auto room = std::make_unique<Room>();
            const QStringList parts = value.split(QLatin1Char(':'));
            room->name = parts.first();
            if (parts.size() > 1)
                room->fixedDbfs = parts.at(1).toDouble();
            rooms.push_back(std::move(room));
        } else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(key));
            return 2;
        }
    }
    for (int i = 1; i <= count; ++i) {
        auto room = std::make_unique<Room>();
        room->name = QStringLiteral("Room-%1").arg(i, 4, 10, QLatin1Char('0'));
        rooms.push_back(std::move(room));
    }
    if (rooms.empty() || !LinkModule::load()) {
        std::fprintf(stderr, "no rooms, or no link module: %s\n", qPrintable(LinkModule::error()));
        return 2;
    }
    std::atomic<int> connected{0};
    for (auto &room : rooms) {
        room->link = LinkModule::createLink();
        MqttLink::Options options;
        options.host = host.toStdString();
        options.port = port;
        options.tls = !ca.isEmpty();
        options.caFile = ca.toStdString();
        if (!password.isEmpty()) {
            options.user = room->name.toStdString();
            options.password = password.toStdString();
        }
        options.clientId = ("load-" + room->name).toStdString();
        options.keepAliveSeconds = 60;
        options.statusTopic = (prefix + QLatin1Char('/') + room->name + "/status").toStdString();
        Room *r = room.get();
        room->link->start(options, [r, &connected](MqttLink::State state, const std::string &why) {
            const bool now = state == MqttLink::State::Connected;
            if (now != r->connected.exchange(now))
                connected += now ? 1 : -1;
            if (state == MqttLink::State::Refused)
                std::fprintf(stderr, "%s refused: %s\n", qPrintable(r->name), why.c_str());
        });
    }

    // Every 10 ms the rooms whose share of the second has come.
    const int total = int(rooms.size());
    QRandomGenerator random(42);
    QElapsedTimer clock;
    clock.start();
    qint64 sentUpTo = 0; // rooms * milliseconds / 1000, so each room once a second
    bool saidConnected = false, junkSent = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!saidConnected && connected == total) {
            saidConnected = true;
            std::printf("connected %d\n", total);
            std::fflush(stdout);
        }
        if (junk > 0 && !junkSent && saidConnected) {
            junkSent = true;
            Room &room = *rooms.front();
            room.link->publish((prefix + QLatin1Char('/') + room.name + "/state").toStdString(),
                               std::string(std::size_t(junk), 'x'), 0, false);
        }
        const qint64 due = clock.elapsed() * total / 1000;
        for (; sentUpTo < due; ++sentUpTo) {
            Room &room = *rooms.at(std::size_t(sentUpTo % total));
            room.link->publish((prefix + QLatin1Char('/') + room.name + "/state").toStdString(),
                               stateOf(room, random).toStdString(), 0, false);
        }
    });
    tick.start(10);
    return app.exec();
}

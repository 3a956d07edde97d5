// Rooms for the School window: publishes as one or many rooms to a broker, in the program's
// own message format (LinkMessages), one state a second each, spread over the second, with
// "sent_ms" (when it was handed to the library) added for whoever measures delays. Each
// room is a connection of its own, with its status and Last Will as the program's link
// sets them; all of them on one thread that polls their sockets, so thousands of rooms
// leave the machine's cores to the window and the broker under test.
//
//   murmlet-school-load --host H --port P [--ca FILE] [--password PW] [--prefix P]
//                       [--rooms N [--first K]] [--room NAME[:DBFS]]... [--junk BYTES]
//
// --rooms N makes rooms "Room-0001"... (from "Room-K" with --first) whose level wanders;
// --room names a room (at a fixed level when DBFS is given). With --password each room
// logs in as its own name. --junk sends one state of BYTES bytes that are no JSON once
// connected. Prints "connected N" once every room is connected; runs until killed.
#include "features/schoollink/linkmessages.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mosquitto.h>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
struct Room
{
    QString name;
    std::optional<double> fixedDbfs;
    double wanderingDbfs = -40.0;
    std::string stateTopic;
    std::string statusTopic;
    mosquitto *client = nullptr;
    bool connected = false;
};

std::string stateOf(Room &room, QRandomGenerator &random)
{
    if (!room.fixedDbfs)
        room.wanderingDbfs =
            std::clamp(room.wanderingDbfs + random.bounded(12.0) - 6.0, -70.0, -1.0);
    const double dbfs = room.fixedDbfs.value_or(room.wanderingDbfs);
    LinkMessages::RoomSecond second;
    second.time = QDateTime::currentDateTimeUtc();
    second.peakDbfs = dbfs;
    second.noisy = dbfs > -12.0;
    second.noisySeconds = second.noisy ? 1 : 0;
    second.threshold = 5;
    second.tolerance = 5;
    second.listening = true;
    second.soundComingIn = true;
    QByteArray payload = LinkMessages::state(room.name, second);
    payload.chop(1);
    payload += ",\"sent_ms\":" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '}';
    return payload.toStdString();
}

void onConnect(mosquitto *client, void *object, int reason)
{
    auto *room = static_cast<Room *>(object);
    if (reason != 0) {
        std::fprintf(stderr, "%s refused: %s\n", qPrintable(room->name),
                     mosquitto_connack_string(reason));
        return;
    }
    room->connected = true;
    mosquitto_publish(client, nullptr, room->statusTopic.c_str(), 6, "online", 1, true);
}

void onDisconnect(mosquitto *, void *object, int)
{
    static_cast<Room *>(object)->connected = false;
}
} // namespace

int main(int argc, char **argv)
{
    std::string host = "127.0.0.1", ca, password, prefix = "murmlet";
    int port = 1883, count = 0, first = 1, junk = 0;
    std::vector<std::unique_ptr<Room>> rooms;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--host")
            host = value;
        else if (key == "--port")
            port = std::stoi(value);
        else if (key == "--ca")
            ca = value;
        else if (key == "--password")
            password = value;
        else if (key == "--prefix")
            prefix = value;
        else if (key == "--rooms")
            count = std::stoi(value);
        else if (key == "--first")
            first = std::stoi(value);
        else if (key == "--junk")
            junk = std::stoi(value);
        else if (key == "--room") {
            auto room = std::make_unique<Room>();
            const QStringList parts = QString::fromStdString(value).split(QLatin1Char(':'));
            room->name = parts.first();
            if (parts.size() > 1)
                room->fixedDbfs = parts.at(1).toDouble();
            rooms.push_back(std::move(room));
        } else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    for (int i = first; i < first + count; ++i) {
        auto room = std::make_unique<Room>();
        room->name = QStringLiteral("Room-%1").arg(i, 4, 10, QLatin1Char('0'));
        rooms.push_back(std::move(room));
    }
    if (rooms.empty()) {
        std::fprintf(stderr, "no rooms\n");
        return 2;
    }
    mosquitto_lib_init();
    for (auto &room : rooms) {
        const std::string name = room->name.toStdString();
        room->stateTopic = prefix + '/' + name + "/state";
        room->statusTopic = prefix + '/' + name + "/status";
        const std::string clientId = "load-" + std::to_string(getpid()) + '-' + name;
        room->client = mosquitto_new(clientId.c_str(), true, room.get());
        mosquitto_connect_callback_set(room->client, onConnect);
        mosquitto_disconnect_callback_set(room->client, onDisconnect);
        if (!password.empty())
            mosquitto_username_pw_set(room->client, name.c_str(), password.c_str());
        mosquitto_will_set(room->client, room->statusTopic.c_str(), 7, "offline", 1, true);
        if (!ca.empty())
            mosquitto_tls_set(room->client, ca.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (mosquitto_connect(room->client, host.c_str(), port, 60) != MOSQ_ERR_SUCCESS)
            std::fprintf(stderr, "%s cannot connect\n", name.c_str());
    }

    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto lastMisc = started;
    const std::size_t total = rooms.size();
    QRandomGenerator random(42);
    long long sentUpTo = 0; // rooms * milliseconds / 1000: each room once a second
    bool saidConnected = false, junkSent = false;
    std::vector<pollfd> polled(total);
    for (;;) {
        for (std::size_t i = 0; i < total; ++i) {
            polled[i].fd = mosquitto_socket(rooms[i]->client);
            polled[i].events =
                short(POLLIN | (mosquitto_want_write(rooms[i]->client) ? POLLOUT : 0));
            polled[i].revents = 0;
        }
        poll(polled.data(), nfds_t(total), 10);
        for (std::size_t i = 0; i < total; ++i) {
            mosquitto *client = rooms[i]->client;
            int rc = MOSQ_ERR_SUCCESS;
            if (polled[i].revents & (POLLIN | POLLHUP | POLLERR))
                rc = mosquitto_loop_read(client, 1);
            if (rc == MOSQ_ERR_SUCCESS && (polled[i].revents & POLLOUT))
                rc = mosquitto_loop_write(client, 1);
            if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) {
                std::fprintf(stderr, "%s offline: %s\n", qPrintable(rooms[i]->name),
                             mosquitto_strerror(rc));
                rooms[i]->connected = false;
                mosquitto_reconnect(client);
            }
        }
        const auto now = Clock::now();
        if (now - lastMisc > std::chrono::milliseconds(500)) {
            lastMisc = now;
            for (auto &room : rooms)
                mosquitto_loop_misc(room->client);
        }
        const std::size_t connected = std::size_t(std::count_if(
            rooms.begin(), rooms.end(), [](const auto &room) { return room->connected; }));
        if (!saidConnected && connected == total) {
            saidConnected = true;
            std::printf("connected %zu\n", total);
            std::fflush(stdout);
        }
        if (junk > 0 && !junkSent && saidConnected) {
            junkSent = true;
            const std::string payload(std::size_t(junk), 'x');
            mosquitto_publish(rooms.front()->client, nullptr, rooms.front()->stateTopic.c_str(),
                              junk, payload.data(), 0, false);
        }
        const long long due =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - started).count() *
            (long long)total / 1000;
        for (; sentUpTo < due; ++sentUpTo) {
            Room &room = *rooms[std::size_t(sentUpTo % (long long)total)];
            if (!room.connected)
                continue;
            const std::string payload = stateOf(room, random);
            mosquitto_publish(room.client, nullptr, room.stateTopic.c_str(), int(payload.size()),
                              payload.data(), 0, false);
        }
    }
}

#pragma once

#include "features/schoolview/noisyring.h"
#include "features/schoolview/roommessage.h"

#include <QByteArray>
#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <optional>

// Every room of the school as the broker tells of it: per room the latest level and
// threshold, the noisy seconds of the last ten minutes, the alarms of the day, and whether
// it is online. Fed with every message; the window takes the rooms changed since it last
// looked, so a flood of messages for one room costs one repaint of its tile, while every
// message still counts. Messages that fail are counted by their fault and change nothing;
// rooms beyond MaximumRooms are counted and left out. Times are milliseconds since the
// epoch on this computer's clock; the day ends at local midnight.
class SchoolRooms
{
public:
    static constexpr int MaximumRooms = 5000;
    // Names of rooms left out are remembered up to this many, so their count stays right
    // without a flood of names filling the memory.
    static constexpr int MaximumLeftOutNames = 20000;

    enum class Order
    {
        Name,
        Loudness
    };

    struct Room
    {
        QByteArray key;     // the name as it stands in the topic
        QString name;       // safe to show
        bool heard = false; // a state came; the fields below hold the latest one
        double peakDbfs = RoomMessage::LowestDbfs;
        bool noisy = false;
        int threshold = 0;
        bool listening = false;
        bool soundComingIn = false;
        int alarmsToday = 0;
        int lastAlarms = -1; // the room's own count in its latest state; -1: none yet
        bool online = false;
        // While offline: since when, when this window saw it go; none when the broker
        // kept the status from before (since when is not known).
        std::optional<qint64> offlineSinceMs;
        NoisyRing noisy10Minutes;
        bool pending = false; // in the changes not yet taken
    };

    explicit SchoolRooms(const QByteArray &prefix);

    // One message from the broker; retained: the broker kept it from before this window
    // subscribed.
    void receive(QByteArrayView topic, QByteArrayView payload, bool retained, qint64 nowMs);
    // The rooms changed since the last call, each once, after moving every room's ten
    // minutes on to nowMs (rooms whose count changes by that are among them).
    QList<int> takeChanges(qint64 nowMs);

    int size() const { return int(m_rooms.size()); }
    const Room &room(int index) const { return m_rooms.at(index); }
    // The rooms to show, in order: those whose name holds filter (letter case aside).
    // By name in the locale's order, numbers by value ("Room 9" before "Room 10"); by
    // loudness the loudest first, then rooms not listening or offline, by name.
    QList<int> shown(Order order, const QString &filter) const;

    // Rooms seen but left out past MaximumRooms (at most MaximumLeftOutNames).
    int leftOut() const { return int(m_leftOut.size()); }
    qint64 faults(RoomMessage::Fault fault) const { return m_faults[std::size_t(fault)]; }
    qint64 faultsInAll() const;
    // Rooms whose names are shown escaped.
    int escapedNames() const { return m_escapedNames; }
    qint64 messages() const { return m_messages; }

    // Where a level and a threshold lie on the main window's meter, in whole percent.
    static int meterPercent(double peakDbfs);
    static int thresholdPercent(int threshold);

private:
    int roomFor(const RoomMessage::Topic &topic);
    void takeState(Room &room, const RoomMessage::State &state, qint64 nowMs);
    void changed(int index);
    void startDay(qint64 nowMs);

    QByteArray m_prefix;
    QList<Room> m_rooms;
    QList<QCollatorSortKey> m_sortKeys;
    QHash<QByteArray, int> m_index;
    QSet<QByteArray> m_leftOut;
    QList<int> m_changes;
    std::array<qint64, RoomMessage::FaultKinds> m_faults{};
    int m_escapedNames = 0;
    qint64 m_messages = 0;
    qint64 m_nextMidnightMs = 0;
};

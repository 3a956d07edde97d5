#include "features/schoolview/schoolrooms.h"

#include "monitor/decibels.h"
#include "monitor/noisedetector.h"

#include <QCollator>
#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
QCollator nameCollator()
{
    // The C locale compares code points and knows no numbers; English stands in for it.
    const QLocale system;
    const bool plain = system.language() == QLocale::C || system.name() == QLatin1String("C");
    QCollator collator(plain ? QLocale(QLocale::English) : system);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

qint64 secondOf(qint64 ms)
{
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}
} // namespace

SchoolRooms::SchoolRooms(const QByteArray &prefix) : m_prefix(prefix) {}

void SchoolRooms::receive(QByteArrayView topic, QByteArrayView payload, bool retained, qint64 nowMs)
{
    ++m_messages;
    if (nowMs >= m_nextMidnightMs)
        startDay(nowMs);
    const auto fail = [this](RoomMessage::Fault fault) { ++m_faults[std::size_t(fault)]; };
    RoomMessage::Topic where;
    if (const RoomMessage::Fault fault = RoomMessage::parseTopic(m_prefix, topic, where);
        fault != RoomMessage::Fault::None)
        return fail(fault);
    if (where.leaf == RoomMessage::Leaf::State) {
        RoomMessage::State state;
        if (const RoomMessage::Fault fault = RoomMessage::parseState(payload, state);
            fault != RoomMessage::Fault::None)
            return fail(fault);
        const int index = roomFor(where);
        if (index < 0)
            return;
        takeState(m_rooms[index], state, nowMs);
        changed(index);
        return;
    }
    std::optional<bool> online;
    if (const RoomMessage::Fault fault = RoomMessage::parseStatus(payload, online);
        fault != RoomMessage::Fault::None)
        return fail(fault);
    if (!online) // a retained status taken away tells nothing
        return;
    const int index = roomFor(where);
    if (index < 0)
        return;
    Room &room = m_rooms[index];
    if (*online) {
        room.online = true;
        room.offlineSinceMs.reset();
    } else if (room.online || !room.offlineSinceMs || retained) {
        // A repeated offline keeps the first time it was said.
        room.online = false;
        room.offlineSinceMs = retained ? std::nullopt : std::optional<qint64>(nowMs);
    }
    changed(index);
}

int SchoolRooms::roomFor(const RoomMessage::Topic &topic)
{
    if (const auto found = m_index.constFind(topic.room); found != m_index.cend())
        return *found;
    if (m_rooms.size() >= MaximumRooms) {
        if (m_leftOut.size() < MaximumLeftOutNames)
            m_leftOut.insert(topic.room);
        return -1;
    }
    Room room;
    room.key = topic.room;
    room.name = topic.shownName;
    m_rooms.append(room);
    static const QCollator collator = nameCollator();
    m_sortKeys.append(collator.sortKey(room.name));
    if (topic.nameEscaped)
        ++m_escapedNames;
    const int index = int(m_rooms.size()) - 1;
    m_index.insert(topic.room, index);
    return index;
}

void SchoolRooms::takeState(Room &room, const RoomMessage::State &state, qint64 nowMs)
{
    room.heard = true;
    room.peakDbfs = state.peakDbfs;
    room.noisy = state.noisy;
    room.threshold = state.threshold;
    room.listening = state.listening;
    room.soundComingIn = state.soundComingIn;
    // A room that speaks is connected, whatever its status said last.
    room.online = true;
    room.offlineSinceMs.reset();
    room.noisy10Minutes.mark(secondOf(nowMs), state.noisy);
    // The room's count runs since its program started: a count that drops started again.
    // The first count seen is taken as the day's (the program runs since the morning).
    const int added = state.alarms >= room.lastAlarms && room.lastAlarms >= 0
                          ? state.alarms - room.lastAlarms
                          : state.alarms;
    room.alarmsToday = added > std::numeric_limits<int>::max() - room.alarmsToday
                           ? std::numeric_limits<int>::max()
                           : room.alarmsToday + added;
    room.lastAlarms = state.alarms;
}

void SchoolRooms::changed(int index)
{
    Room &room = m_rooms[index];
    if (!room.pending) {
        room.pending = true;
        m_changes.append(index);
    }
}

void SchoolRooms::startDay(qint64 nowMs)
{
    const QDate today = QDateTime::fromMSecsSinceEpoch(nowMs).date();
    const qint64 midnight = QDateTime(today.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    // The first call only learns when the day ends.
    if (m_nextMidnightMs != 0) {
        for (int i = 0; i < m_rooms.size(); ++i) {
            if (m_rooms[i].alarmsToday != 0) {
                m_rooms[i].alarmsToday = 0;
                changed(i);
            }
        }
    }
    m_nextMidnightMs = midnight;
}

QList<int> SchoolRooms::takeChanges(qint64 nowMs)
{
    if (nowMs >= m_nextMidnightMs)
        startDay(nowMs);
    const qint64 second = secondOf(nowMs);
    for (int i = 0; i < m_rooms.size(); ++i) {
        if (m_rooms[i].noisy10Minutes.advance(second))
            changed(i);
    }
    QList<int> changes;
    changes.swap(m_changes);
    for (const int index : changes)
        m_rooms[index].pending = false;
    return changes;
}

QList<int> SchoolRooms::shown(Order order, const QString &filter) const
{
    QList<int> rooms;
    rooms.reserve(m_rooms.size());
    for (int i = 0; i < m_rooms.size(); ++i) {
        if (filter.isEmpty() || m_rooms[i].name.contains(filter, Qt::CaseInsensitive))
            rooms.append(i);
    }
    const auto byName = [this](int a, int b) {
        const int compared = m_sortKeys[a].compare(m_sortKeys[b]);
        return compared != 0 ? compared < 0 : m_rooms[a].key < m_rooms[b].key;
    };
    if (order == Order::Name) {
        std::sort(rooms.begin(), rooms.end(), byName);
        return rooms;
    }
    const auto live = [](const Room &room) {
        return room.online && room.heard && room.listening && room.soundComingIn;
    };
    std::sort(rooms.begin(), rooms.end(), [&](int a, int b) {
        const Room &ra = m_rooms[a];
        const Room &rb = m_rooms[b];
        if (live(ra) != live(rb))
            return live(ra);
        if (live(ra) && ra.peakDbfs != rb.peakDbfs)
            return ra.peakDbfs > rb.peakDbfs;
        return byName(a, b);
    });
    return rooms;
}

qint64 SchoolRooms::faultsInAll() const
{
    qint64 all = 0;
    for (const qint64 count : m_faults)
        all += count;
    return all;
}

int SchoolRooms::meterPercent(double peakDbfs)
{
    if (!(peakDbfs > RoomMessage::LowestDbfs))
        return 0;
    const double level = std::pow(10.0, std::min(peakDbfs, RoomMessage::HighestDbfs) / 20.0) *
                         Decibels::FullScale * Decibels::LevelPerPeak;
    return NoiseDetector::meterPercent(static_cast<qint64>(level));
}

int SchoolRooms::thresholdPercent(int threshold)
{
    return NoiseDetector::meterPercent(qint64(std::clamp(threshold, 0, 10)) *
                                       NoiseDetector::ThresholdStep);
}

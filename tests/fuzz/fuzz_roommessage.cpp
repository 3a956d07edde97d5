// libFuzzer target: any bytes as a message from the school's broker to the School window.
// The first byte picks the topic's last level (even: state, odd: status), the bytes up to
// the first NUL are the room's name in the topic, the rest is the payload. Whatever comes,
// the model must not crash, must keep what it accepts within range, and must show no name
// with a character that could turn or hide the text around it.

#include "features/schoolview/roommessage.h"
#include "features/schoolview/schoolrooms.h"

#include <QChar>
#include <cstdint>
#include <cstdlib>

namespace {
void check(bool holds)
{
    if (!holds)
        std::abort(); // a finding
}

bool showable(const QString &name)
{
    if (!name.isValidUtf16())
        return false;
    for (const char32_t point : name.toUcs4()) {
        const QChar::Category category = QChar::category(point);
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph ||
            QChar::isNonCharacter(point))
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char *>(data + 1),
                               static_cast<qsizetype>(size - 1));
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView room = nul < 0 ? input : input.first(nul);
    const QByteArrayView payload = nul < 0 ? QByteArrayView() : input.sliced(nul + 1);
    const QByteArray topic = "murmlet/" + room.toByteArray() + (data[0] % 2 ? "/status" : "/state");

    RoomMessage::State state;
    if (RoomMessage::parseState(payload, state) == RoomMessage::Fault::None) {
        check(payload.size() <= RoomMessage::MaximumPayloadBytes);
        check(state.peakDbfs >= RoomMessage::LowestDbfs &&
              state.peakDbfs <= RoomMessage::HighestDbfs);
        check(state.threshold >= 0 && state.threshold <= RoomMessage::HighestThreshold);
        check(state.alarms >= 0);
    }
    bool escaped = false;
    check(showable(RoomMessage::shownName(room, &escaped)));

    // Twice, a second apart, as a room speaks; then the window's repaint.
    SchoolRooms rooms("murmlet");
    rooms.receive(topic, payload, data[0] & 2, 1000);
    rooms.receive(topic, payload, false, 2000);
    const QList<int> changes = rooms.takeChanges(3000);
    check(rooms.size() <= 1 && changes.size() == rooms.size());
    check(rooms.messages() == 2);
    // Both fail alike, or neither does (an empty status neither fails nor makes a room).
    check(rooms.faultsInAll() == 0 || (rooms.faultsInAll() == 2 && rooms.size() == 0));
    if (rooms.size() == 1) {
        const SchoolRooms::Room &shown = rooms.room(0);
        check(showable(shown.name) && shown.key == room);
        check(shown.noisy10Minutes.count() <= 2);
        const int percent = SchoolRooms::meterPercent(shown.peakDbfs);
        check(percent >= 0 && percent <= 100);
        check(rooms.shown(SchoolRooms::Order::Loudness, shown.name) == QList<int>{0});
    }
    return 0;
}

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// What the School window reads from the broker: a room's state (the JSON the school link
// writes each second) and its status ("online", or "offline" as its Last Will), each under
// PREFIX/ROOM/state or PREFIX/ROOM/status. Every byte comes from whoever can publish there,
// so nothing is trusted: the size is capped before any parsing, every field's type and
// range is checked, and a room's name is made safe to show. A message that fails says why.
class RoomMessage
{
public:
    static constexpr qsizetype MaximumPayloadBytes = 4096;
    static constexpr int MaximumRoomBytes = 64; // in UTF-8, as the link allows
    // Peaks outside this range (in dBFS) are no measurement but a lie or a fault.
    static constexpr double LowestDbfs = -200.0;
    static constexpr double HighestDbfs = 20.0;
    static constexpr int HighestThreshold = 10;

    enum class Fault
    {
        None,
        TooLarge,     // above MaximumPayloadBytes, never parsed
        NotJson,      // not JSON, or not a JSON object
        WrongType,    // a field missing or of the wrong type
        AbsurdValue,  // a level, threshold or count outside its range
        UnknownTopic, // not PREFIX/ROOM/state or PREFIX/ROOM/status
        BadRoomName,  // empty or longer than MaximumRoomBytes
        BadStatus,    // a status other than "online" or "offline"
    };
    static constexpr int FaultKinds = int(Fault::BadStatus) + 1;

    enum class Leaf
    {
        State,
        Status
    };

    struct Topic
    {
        QByteArray room; // as it stands in the topic: the room's identity
        QString shownName;
        bool nameEscaped = false; // the name held characters shown as \u{...}
        Leaf leaf = Leaf::State;
    };

    struct State
    {
        double peakDbfs = 0.0;
        bool noisy = false;
        int alarms = 0; // since the room's program started
        int threshold = 0;
        bool listening = true;
        bool soundComingIn = true;
        std::optional<qint64> timeMs; // the second's end as the room says it
    };

    static Fault parseTopic(QByteArrayView prefix, QByteArrayView topic, Topic &out);
    static Fault parseState(QByteArrayView payload, State &out);
    // Empty: the retained status was taken away, which says nothing of the room.
    static Fault parseStatus(QByteArrayView payload, std::optional<bool> &online);

    // The name with every control, format (direction marks and overrides among them),
    // separator and non-character, and every byte that is no UTF-8, as "\u{XXXX}" (a bad
    // byte as "\x{XX}"); so a name can neither turn the text around it nor hide itself.
    static QString shownName(QByteArrayView utf8, bool *escaped = nullptr);

    static const char *faultName(Fault fault);
};

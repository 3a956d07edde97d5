#include "features/schoolview/roommessage.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace {
constexpr QByteArrayView StateLeaf("state");
constexpr QByteArrayView StatusLeaf("status");

// The next code point of well-formed UTF-8 at i, moving i past it; -1 (and one byte on)
// for a byte that starts no well-formed sequence (overlong forms, surrogates and values
// above U+10FFFF included).
char32_t nextCodePoint(QByteArrayView utf8, qsizetype &i, bool &bad)
{
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(utf8[at]); };
    const unsigned char lead = byte(i);
    bad = false;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int more = 0;
    char32_t point = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1;
        point = lead & 0x1F;
        lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2;
        point = lead & 0x0F;
        lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3;
        point = lead & 0x07;
        lowest = 0x10000;
    } else {
        bad = true;
        ++i;
        return lead;
    }
    if (i + more >= utf8.size()) { // cut short
        bad = true;
        ++i;
        return lead;
    }
    for (int k = 1; k <= more; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            bad = true;
            ++i;
            return lead;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        bad = true;
        ++i;
        return lead;
    }
    i += more + 1;
    return point;
}

bool unsafeToShow(char32_t point)
{
    if (QChar::isNonCharacter(point))
        return true;
    switch (QChar::category(point)) {
    case QChar::Other_Control:       // C0, DEL, C1
    case QChar::Other_Format:        // direction marks, overrides, isolates, joiners
    case QChar::Other_Surrogate:     // never in well-formed UTF-8, kept for safety
    case QChar::Separator_Line:      // U+2028
    case QChar::Separator_Paragraph: // U+2029
        return true;
    default:
        return false;
    }
}

// A whole number within [lowest, highest]; fractions and non-numbers are of the wrong
// type, whole numbers out of range absurd.
RoomMessage::Fault wholeNumber(const QJsonValue &value, int lowest, int highest, int &out)
{
    if (!value.isDouble())
        return RoomMessage::Fault::WrongType;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::floor(number) != number)
        return RoomMessage::Fault::WrongType;
    if (number < lowest || number > highest)
        return RoomMessage::Fault::AbsurdValue;
    out = static_cast<int>(number);
    return RoomMessage::Fault::None;
}

// A true or false that may be left out (then it keeps its default).
bool optionalSwitch(const QJsonObject &object, QLatin1StringView name, bool &out)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        return true;
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}
} // namespace

QString RoomMessage::shownName(QByteArrayView utf8, bool *escaped)
{
    QString shown;
    shown.reserve(utf8.size());
    bool any = false;
    for (qsizetype i = 0; i < utf8.size();) {
        bool bad = false;
        const char32_t point = nextCodePoint(utf8, i, bad);
        if (bad || unsafeToShow(point)) {
            const QString hex = QString::number(uint(point), 16).toUpper();
            shown += bad ? QStringLiteral("\\x{%1}").arg(hex.rightJustified(2, QLatin1Char('0')))
                         : QStringLiteral("\\u{%1}").arg(hex.rightJustified(4, QLatin1Char('0')));
            any = true;
        } else {
            shown += QString::fromUcs4(&point, 1);
        }
    }
    if (escaped)
        *escaped = any;
    return shown;
}

RoomMessage::Fault RoomMessage::parseTopic(QByteArrayView prefix, QByteArrayView topic, Topic &out)
{
    if (topic.size() <= prefix.size() + 1 || !topic.startsWith(prefix) ||
        topic[prefix.size()] != '/')
        return Fault::UnknownTopic;
    const QByteArrayView rest = topic.sliced(prefix.size() + 1);
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0)
        return Fault::UnknownTopic;
    const QByteArrayView leaf = rest.sliced(slash + 1);
    if (leaf == StateLeaf)
        out.leaf = Leaf::State;
    else if (leaf == StatusLeaf)
        out.leaf = Leaf::Status;
    else
        return Fault::UnknownTopic;
    const QByteArrayView room = rest.first(slash);
    if (room.isEmpty() || room.size() > MaximumRoomBytes)
        return Fault::BadRoomName;
    out.room = room.toByteArray();
    out.shownName = shownName(room, &out.nameEscaped);
    return Fault::None;
}

RoomMessage::Fault RoomMessage::parseState(QByteArrayView payload, State &out)
{
    if (payload.size() > MaximumPayloadBytes)
        return Fault::TooLarge;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Fault::NotJson;
    const QJsonObject object = document.object();
    State state;

    const QJsonValue peak = object.value(QLatin1StringView("peak_dbfs"));
    if (!peak.isDouble())
        return Fault::WrongType;
    state.peakDbfs = peak.toDouble();
    // NaN fails both comparisons; infinities fail one.
    if (!(state.peakDbfs >= LowestDbfs && state.peakDbfs <= HighestDbfs))
        return Fault::AbsurdValue;

    const QJsonValue noisy = object.value(QLatin1StringView("noisy"));
    if (!noisy.isBool())
        return Fault::WrongType;
    state.noisy = noisy.toBool();

    if (const Fault fault = wholeNumber(object.value(QLatin1StringView("threshold")), 0,
                                        HighestThreshold, state.threshold);
        fault != Fault::None)
        return fault;
    if (const Fault fault = wholeNumber(object.value(QLatin1StringView("alarms")), 0,
                                        std::numeric_limits<int>::max(), state.alarms);
        fault != Fault::None)
        return fault;

    if (!optionalSwitch(object, QLatin1StringView("listening"), state.listening) ||
        !optionalSwitch(object, QLatin1StringView("sound_coming_in"), state.soundComingIn))
        return Fault::WrongType;

    const QJsonValue time = object.value(QLatin1StringView("time"));
    if (!time.isUndefined()) {
        if (!time.isString())
            return Fault::WrongType;
        const QDateTime when = QDateTime::fromString(time.toString(), Qt::ISODate);
        if (!when.isValid())
            return Fault::AbsurdValue;
        state.timeMs = when.toMSecsSinceEpoch();
    }
    out = state;
    return Fault::None;
}

RoomMessage::Fault RoomMessage::parseStatus(QByteArrayView payload, std::optional<bool> &online)
{
    if (payload.size() > MaximumPayloadBytes)
        return Fault::TooLarge;
    if (payload.isEmpty())
        online.reset();
    else if (payload == QByteArrayView("online"))
        online = true;
    else if (payload == QByteArrayView("offline"))
        online = false;
    else
        return Fault::BadStatus;
    return Fault::None;
}

const char *RoomMessage::faultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::TooLarge:
        return "too large";
    case Fault::NotJson:
        return "not JSON";
    case Fault::WrongType:
        return "wrong type";
    case Fault::AbsurdValue:
        return "absurd value";
    case Fault::UnknownTopic:
        return "unknown topic";
    case Fault::BadRoomName:
        return "bad room name";
    case Fault::BadStatus:
        return "bad status";
    }
    return "?";
}

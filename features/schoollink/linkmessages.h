#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

struct SchoolLinkConfig;

// The school link's messages, as the broker's readers get them: JSON objects of fixed
// field names (the Prometheus exporter's mapping and Home Assistant's templates read them).
class LinkMessages
{
public:
    // Digital silence and anything below the quietest 16-bit sample, half a step above
    // zero (20 log10(0.5 / 32768)): the peak says this rather than nothing, so a silent
    // room keeps its gauges.
    static constexpr double SilenceDbfs = -96.3;

    // One second of the room.
    struct RoomSecond
    {
        QDateTime time;                 // the second's end
        std::optional<double> peakDbfs; // none: digital silence (-inf has no JSON)
        std::optional<double> levelDb;  // calibrated rooms only
        bool noisy = false;
        int noisySeconds = 0;
        int alarms = 0; // since the program started
        int threshold = 0;
        int tolerance = 0;
        std::optional<QDateTime> pausedUntil;
        bool listening = false;
        bool soundComingIn = false;
    };

    struct Alarm
    {
        QDateTime time;
        QString sound; // "Beep", "Male", "Female", "Custom", "None" (a visual alarm only)
        int noisySeconds = 0;
        std::optional<double> peakDbfs;
    };

    struct Retained
    {
        QString topic;
        QByteArray payload;
    };

    static QByteArray state(const QString &room, const RoomSecond &second);
    static QByteArray alarm(const QString &room, const Alarm &alarm);
    // Home Assistant's MQTT discovery: one retained config a sensor, naming the room's
    // state topic and its availability (the status topic).
    static QList<Retained> discovery(const SchoolLinkConfig &config);
    // ISO 8601 in UTC to the second: "2026-12-11T07:20:01Z".
    static QString utcText(const QDateTime &time);
};

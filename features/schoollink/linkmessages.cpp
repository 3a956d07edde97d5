#include "features/schoollink/linkmessages.h"

#include "features/schoollink/roomname.h"
#include "features/schoollink/schoollinkconfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {
// One decimal is all a level in decibels carries; a value JSON cannot hold is null.
QJsonValue decibels(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return QJsonValue::Null;
    return std::round(*value * 10.0) / 10.0;
}

// A peak never below SilenceDbfs, and never none.
double peakOf(std::optional<double> dbfs)
{
    return dbfs && std::isfinite(*dbfs) ? std::max(*dbfs, LinkMessages::SilenceDbfs)
                                        : LinkMessages::SilenceDbfs;
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

QString LinkMessages::utcText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

QByteArray LinkMessages::state(const QString &room, const RoomSecond &second)
{
    QJsonObject object{
        {QStringLiteral("room"), room},
        {QStringLiteral("time"), utcText(second.time)},
        {QStringLiteral("peak_dbfs"), decibels(peakOf(second.peakDbfs))},
        {QStringLiteral("noisy"), second.noisy},
        {QStringLiteral("noisy_seconds"), second.noisySeconds},
        {QStringLiteral("alarms"), second.alarms},
        {QStringLiteral("threshold"), second.threshold},
        {QStringLiteral("tolerance"), second.tolerance},
        {QStringLiteral("paused"), second.pausedUntil.has_value()},
        {QStringLiteral("paused_until"),
         second.pausedUntil ? QJsonValue(utcText(*second.pausedUntil)) : QJsonValue::Null},
        {QStringLiteral("listening"), second.listening},
        {QStringLiteral("sound_coming_in"), second.soundComingIn},
    };
    if (second.levelDb && std::isfinite(*second.levelDb))
        object.insert(QStringLiteral("level_db"), decibels(second.levelDb));
    return compact(object);
}

QByteArray LinkMessages::alarm(const QString &room, const Alarm &alarm)
{
    return compact({
        {QStringLiteral("room"), room},
        {QStringLiteral("time"), utcText(alarm.time)},
        {QStringLiteral("sound"), alarm.sound},
        {QStringLiteral("noisy_seconds"), alarm.noisySeconds},
        {QStringLiteral("peak_dbfs"), decibels(peakOf(alarm.peakDbfs))},
    });
}

QList<LinkMessages::Retained> LinkMessages::discovery(const SchoolLinkConfig &config)
{
    struct Sensor
    {
        const char *component;
        const char *object;
        const char *name;
        const char *field;
        const char *unit;
        const char *deviceClass;
    };
    static const Sensor sensors[] = {
        {"sensor", "peak", "Peak level", "peak_dbfs", "dB", "sound_pressure"},
        {"sensor", "level", "Level", "level_db", "dB", "sound_pressure"},
        {"sensor", "noisy_seconds", "Noisy seconds", "noisy_seconds", "s", "duration"},
        {"sensor", "alarms", "Alarms", "alarms", nullptr, nullptr},
        {"binary_sensor", "noisy", "Noisy", "noisy", nullptr, "sound"},
        {"binary_sensor", "listening", "Listening", "listening", nullptr, "running"},
    };
    const QString slug = RoomName::slug(config.room);
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{QStringLiteral("murmlet_") + slug}},
        {QStringLiteral("name"), QStringLiteral("Murmlet ") + config.room},
        {QStringLiteral("manufacturer"), QStringLiteral("TAMBRIX")},
        {QStringLiteral("model"), QStringLiteral("Murmlet")},
    };
    QList<Retained> configs;
    for (const Sensor &sensor : sensors) {
        const QString field = QLatin1String(sensor.field);
        const bool binary = qstrcmp(sensor.component, "binary_sensor") == 0;
        QJsonObject object{
            {QStringLiteral("name"), QLatin1String(sensor.name)},
            {QStringLiteral("unique_id"),
             QStringLiteral("murmlet_%1_%2").arg(slug, QLatin1String(sensor.object))},
            {QStringLiteral("state_topic"), config.topic(QStringLiteral("state"))},
            {QStringLiteral("availability_topic"), config.topic(QStringLiteral("status"))},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("value_template"),
             binary ? QStringLiteral("{{ 'ON' if value_json.%1 else 'OFF' }}").arg(field)
                    : QStringLiteral("{{ value_json.%1 }}").arg(field)},
            {QStringLiteral("device"), device},
        };
        if (sensor.unit)
            object.insert(QStringLiteral("unit_of_measurement"), QLatin1String(sensor.unit));
        if (sensor.deviceClass)
            object.insert(QStringLiteral("device_class"), QLatin1String(sensor.deviceClass));
        if (!binary)
            object.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        configs << Retained{
            QStringLiteral("homeassistant/%1/murmlet_%2/%3/config")
                .arg(QLatin1String(sensor.component), slug, QLatin1String(sensor.object)),
            compact(object)};
    }
    return configs;
}

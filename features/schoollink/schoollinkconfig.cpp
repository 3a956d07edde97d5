#include "features/schoollink/schoollinkconfig.h"

#include "base/settings.h"
#include "features/schoollink/roomname.h"

#include <QUuid>

QString SchoolLinkConfig::topic(const QString &leaf) const
{
    return prefix + QLatin1Char('/') + room + QLatin1Char('/') + leaf;
}

QString SchoolLinkConfig::secretKey() const
{
    return QStringLiteral("school-link:%1@%2:%3").arg(user, host).arg(port);
}

QString SchoolLinkConfig::readerSecretKey() const
{
    return QStringLiteral("school-link:%1@%2:%3").arg(readerUser, host).arg(port);
}

MqttLink::Options SchoolLinkConfig::connection(const QString &account, const QString &password,
                                               const QString &clientPrefix) const
{
    MqttLink::Options options;
    options.host = host.toStdString();
    options.port = port;
    options.tls = tls;
    options.caFile = caFile.toStdString();
    options.certFile = certFile.toStdString();
    options.keyFile = keyFile.toStdString();
    options.user = account.toStdString();
    options.password = password.toStdString();
    options.clientId =
        (clientPrefix + QUuid::createUuid().toString(QUuid::Id128).left(16)).toStdString();
    return options;
}

SchoolLinkConfig SchoolLinkConfig::load(const Settings &settings)
{
    SchoolLinkConfig config;
    config.enabled = settings.read(SettingsTable::SchoolLinkEnabled);
    config.host = settings.read(SettingsTable::SchoolLinkHost).trimmed();
    const int port = settings.read(SettingsTable::SchoolLinkPort);
    config.port = port >= SettingsTable::SchoolLinkPort.minimum &&
                          port <= SettingsTable::SchoolLinkPort.maximum
                      ? port
                      : SettingsTable::SchoolLinkPort.fallback;
    config.tls = settings.read(SettingsTable::SchoolLinkTls) != QLatin1String("OFF");
    config.caFile = settings.read(SettingsTable::SchoolLinkCaFile);
    config.certFile = settings.read(SettingsTable::SchoolLinkCertFile);
    config.keyFile = settings.read(SettingsTable::SchoolLinkKeyFile);
    config.user = settings.read(SettingsTable::SchoolLinkUser);
    config.readerUser = settings.read(SettingsTable::SchoolLinkReaderUser);
    config.room = settings.read(SettingsTable::SchoolLinkRoom);
    // A stored name that would change the topics' meaning is not used.
    if (config.room.isEmpty() || !RoomName::problem(config.room).isEmpty())
        config.room = RoomName::computerName();
    const QString prefix = settings.read(SettingsTable::SchoolLinkPrefix).trimmed();
    if (!prefix.isEmpty())
        config.prefix = prefix;
    config.discovery = settings.read(SettingsTable::SchoolLinkDiscovery);
    return config;
}

void SchoolLinkConfig::store(Settings &settings, const SchoolLinkConfig &config)
{
    settings.write(SettingsTable::SchoolLinkEnabled, config.enabled);
    settings.write(SettingsTable::SchoolLinkHost, config.host);
    settings.write(SettingsTable::SchoolLinkPort, config.port);
    settings.write(SettingsTable::SchoolLinkTls,
                   config.tls ? QStringLiteral("ON") : QStringLiteral("OFF"));
    settings.write(SettingsTable::SchoolLinkCaFile, config.caFile);
    settings.write(SettingsTable::SchoolLinkCertFile, config.certFile);
    settings.write(SettingsTable::SchoolLinkKeyFile, config.keyFile);
    settings.write(SettingsTable::SchoolLinkUser, config.user);
    settings.write(SettingsTable::SchoolLinkReaderUser, config.readerUser);
    settings.write(SettingsTable::SchoolLinkRoom, config.room);
    settings.write(SettingsTable::SchoolLinkPrefix, config.prefix);
    settings.write(SettingsTable::SchoolLinkDiscovery, config.discovery);
}

bool SchoolLinkConfig::operator==(const SchoolLinkConfig &other) const
{
    return enabled == other.enabled && host == other.host && port == other.port &&
           tls == other.tls && caFile == other.caFile && certFile == other.certFile &&
           keyFile == other.keyFile && user == other.user && readerUser == other.readerUser &&
           room == other.room && prefix == other.prefix && discovery == other.discovery;
}

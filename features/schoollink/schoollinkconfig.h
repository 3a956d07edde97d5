#pragma once

#include "features/schoollink/mqttlink.h"

#include <QString>

class Settings;

// Where and how the room publishes: the [SchoolLink] section of settings.ini. The password
// is not part of it; it lives in the system's secret store.
struct SchoolLinkConfig
{
    static constexpr const char *DefaultPrefix = "murmlet";

    bool enabled = false;
    QString host;
    int port = 8883;
    bool tls = true;
    QString caFile;
    QString certFile;
    QString keyFile;
    QString user;
    QString readerUser; // the School window's account
    QString room;       // never empty once loaded: the computer's name by default
    QString prefix = QLatin1String(DefaultPrefix);
    bool discovery = false;

    // prefix/room/leaf
    QString topic(const QString &leaf) const;
    // The key of the password in the secret store: one account on one broker.
    QString secretKey() const;
    QString readerSecretKey() const;
    // How to reach the broker as account: a client ID unique to the call (so two programs
    // with one account do not throw each other off), and no status topic.
    MqttLink::Options connection(const QString &account, const QString &password,
                                 const QString &clientPrefix) const;

    static SchoolLinkConfig load(const Settings &settings);
    static void store(Settings &settings, const SchoolLinkConfig &config);

    bool operator==(const SchoolLinkConfig &other) const;
    bool operator!=(const SchoolLinkConfig &other) const { return !(*this == other); }
};

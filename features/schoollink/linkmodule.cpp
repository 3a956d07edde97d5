#include "features/schoollink/linkmodule.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

namespace {
struct Loaded
{
    CreateMqttLink createLink = nullptr;
    CreateSecretStore createStore = nullptr;
    QString error;
    bool tried = false;
};

Loaded &loaded()
{
    static Loaded state;
    return state;
}

QStringList candidates()
{
    const QString named = qEnvironmentVariable("MURMLET_LINK_MODULE");
    if (!named.isEmpty())
        return {named};
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/murmlet-link")};
}
} // namespace

bool LinkModule::load()
{
    Loaded &state = loaded();
    if (state.tried)
        return state.createLink;
    state.tried = true;
    QStringList reasons;
    for (const QString &path : candidates()) {
        QLibrary library(path);
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        // The module stays loaded to the end: its threads may outlive a link.
        state.createLink =
            reinterpret_cast<CreateMqttLink>(library.resolve("murmlet_create_mqtt_link"));
        state.createStore =
            reinterpret_cast<CreateSecretStore>(library.resolve("murmlet_create_secret_store"));
        if (state.createLink && state.createStore)
            return true;
        state.createLink = nullptr;
        reasons << QStringLiteral("%1 is not Murmlet's link module").arg(path);
    }
    state.error = reasons.join(QStringLiteral("; "));
    return false;
}

bool LinkModule::isLoaded()
{
    return loaded().createLink;
}

QString LinkModule::error()
{
    return loaded().error;
}

std::unique_ptr<MqttLink> LinkModule::createLink()
{
    return std::unique_ptr<MqttLink>(isLoaded() ? loaded().createLink() : nullptr);
}

std::unique_ptr<SecretStore> LinkModule::createSecretStore()
{
    return std::unique_ptr<SecretStore>(isLoaded() ? loaded().createStore() : nullptr);
}

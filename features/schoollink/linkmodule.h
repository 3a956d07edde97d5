#pragma once

#include "features/schoollink/mqttlink.h"
#include "features/schoollink/secretstore.h"

#include <QString>
#include <memory>

// The link module (murmlet-link.so / murmlet-link.dll), loaded on first use and never
// before, so the program carries neither MQTT nor TLS while the link is off. Looked for
// beside the program, or where MURMLET_LINK_MODULE names it.
class LinkModule
{
public:
    // Loads the module once; false, with the reason in error(), when it cannot be.
    static bool load();
    static bool isLoaded();
    static QString error();

    // Null until load() succeeded.
    static std::unique_ptr<MqttLink> createLink();
    static std::unique_ptr<SecretStore> createSecretStore();
};

// The link module's entry points, looked up by name once the module is loaded.
#include "features/schoollink/mqtt/mosquittolink.h"

#if defined(_WIN32)
#include "features/schoollink/mqtt/wincredstore.h"
using SystemSecretStore = WinCredStore;
#else
#include "features/schoollink/mqtt/keychainstore.h"
using SystemSecretStore = KeychainStore;
#endif

#if defined(_WIN32)
#define MURMLET_MODULE_EXPORT __declspec(dllexport)
#else
#define MURMLET_MODULE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" MURMLET_MODULE_EXPORT MqttLink *murmlet_create_mqtt_link()
{
    return new MosquittoLink;
}

extern "C" MURMLET_MODULE_EXPORT SecretStore *murmlet_create_secret_store()
{
    return new SystemSecretStore;
}

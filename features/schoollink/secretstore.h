#pragma once

#include <functional>
#include <string>

// The system's store of secrets (Secret Service on Linux, Credential Manager on Windows),
// as the link module gives it. Calls answer through their callback on the caller's
// thread, from its event loop.
class SecretStore
{
public:
    struct Reading
    {
        enum Status
        {
            Found,
            Missing,
            Unavailable
        } status;
        std::string secret; // when found
        std::string error;  // when unavailable, in the store's words
    };
    using ReadDone = std::function<void(const Reading &reading)>;
    // ok false: the store is unavailable or refused (error says why).
    using WriteDone = std::function<void(bool ok, const std::string &error)>;

    virtual ~SecretStore() = default;

    virtual void read(const std::string &key, ReadDone done) = 0;
    // An empty secret removes the key.
    virtual void write(const std::string &key, const std::string &secret, WriteDone done) = 0;
};

extern "C" {
using CreateSecretStore = SecretStore *(*)();
}

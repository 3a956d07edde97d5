#pragma once

#include "features/schoollink/secretstore.h"

// SecretStore over QtKeychain, under the program's own service name.
class KeychainStore : public SecretStore
{
public:
    void read(const std::string &key, ReadDone done) override;
    void write(const std::string &key, const std::string &secret, WriteDone done) override;
};

#pragma once

#include "features/schoollink/secretstore.h"

// SecretStore over Windows' Credential Manager: generic credentials of the user, named
// "Murmlet/<key>".
class WinCredStore : public SecretStore
{
public:
    void read(const std::string &key, ReadDone done) override;
    void write(const std::string &key, const std::string &secret, WriteDone done) override;
};

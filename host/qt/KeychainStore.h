// The password store of a desktop session that runs a Secret Service (GNOME Keyring, KWallet):
// the password is kept there through QtKeychain, under the service "Quorvel".
#pragma once

#include <memory>

#include "app/PasswordStore.h"

namespace qv {

class KeychainStore : public PasswordStore {
public:
    // True when the session bus has a Secret Service now.
    static bool SecretServiceRuns();
    // A store when a Secret Service runs, else null (the settings keep the password).
    static std::unique_ptr<KeychainStore> IfAvailable();

    bool Read(std::string& password) override;
    bool Write(const std::string& password) override;
};

}  // namespace qv

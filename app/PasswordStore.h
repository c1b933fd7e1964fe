// Where the main window remembers the password. Without a store the settings keep it (`Pswd`,
// scrambled). A desktop host whose session runs a Secret Service installs a store that keeps it
// there instead; the settings then hold no password.
#pragma once

#include <string>

namespace qv {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // Reads the remembered password; false when there is none or the store cannot answer.
    virtual bool Read(std::string& password) = 0;
    // Remembers the password (an empty one forgets it); false when the store cannot keep it.
    virtual bool Write(const std::string& password) = 0;
};

// The store in use for the whole program; null (the default) keeps the password in the settings.
void SetPasswordStore(PasswordStore* store);
PasswordStore* CurrentPasswordStore();

}  // namespace qv

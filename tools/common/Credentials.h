// User credentials of a repository: salted password hashes (Argon2id through libsodium, with
// parameters light enough that one check costs well under a millisecond per tool run), never
// clear text.
#pragma once

#include <string>

#include "tools/common/Repository.h"

namespace qv::tools {

// Hash parameters for new passwords; stored hashes carry their own parameters.
inline constexpr unsigned long long kPasswordOpsLimit = 1;
inline constexpr size_t kPasswordMemLimit = 64 * 1024;

// Makes a salted hash string for the password; false when libsodium cannot be used.
bool HashPassword(const std::string& password, std::string& hash);

// Checks a password against a stored hash in constant time; false for a malformed hash.
bool VerifyPassword(const std::string& hash, const std::string& password);

// True when a user name can be stored: 1 to 64 bytes, no control characters.
bool IsValidUserName(const std::string& user);

// Checks a new user name and password and hashes the password for storing; false with `error`
// set when the name is not valid, the password empty or the hashing failed.
bool HashNewCredentials(const std::string& user, const std::string& password, std::string& hash,
                        std::string& error);

// Takes the next free object identifier from the repository's sequence.
bool AllocateObjectId(Db& db, long long& id, std::string& error);

// Sets (adds or replaces) a user's password, and adds the user to KESALLUSERS when absent.
bool SetUserPassword(Db& db, const std::string& user, const std::string& password,
                     std::string& error);

// A valid hash of a password nobody knows, checked against unknown users so that a refusal
// takes the same time whether or not the user exists.
const std::string& DummyPasswordHash();

enum class LoginResult { Accepted, Refused, Failed };

// Checks a user's credentials. Refused for an unknown user or a wrong password (the same work
// is done in both cases); Failed, with `error` set, when the repository cannot be read.
LoginResult CheckLogin(Db& db, const std::string& user, const std::string& password,
                       std::string& error);

}  // namespace qv::tools

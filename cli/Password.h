// Where the batch program's password comes from: never the command line.
#pragma once

#include <string>

namespace qv::cli {

// The environment variable that may hold the password.
inline constexpr char kPasswordVariable[] = "QUORVEL_PASSWORD";

struct PasswordResult {
    bool ok = false;
    std::string password;
    std::string error;  // when not ok: one line that names no secret
};

// The first line of `passwordFile` (without its line end) when one is given; else the variable's
// value when it is set; else, when `inputFd` is a terminal, what the user types after a prompt
// on `promptFd`, without echo. Fails when none of them is there or the file cannot be read.
PasswordResult ReadPassword(const std::string& passwordFile, int inputFd = 0, int promptFd = 2);

}  // namespace qv::cli

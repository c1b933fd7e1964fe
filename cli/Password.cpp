#include "cli/Password.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace qv::cli {

namespace {

void StripLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
}

// Reads one line from a terminal with its echo off; the echo comes back whatever happens.
bool PromptWithoutEcho(int inputFd, int promptFd, std::string& out) {
    static constexpr char kPrompt[] = "Password: ";
    if (write(promptFd, kPrompt, sizeof kPrompt - 1) < 0) return false;
    termios old{};
    const bool haveTerm = tcgetattr(inputFd, &old) == 0;
    if (haveTerm) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(inputFd, TCSAFLUSH, &quiet);
    }
    out.clear();
    bool ok = true;
    for (;;) {
        char c;
        const ssize_t n = read(inputFd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = !out.empty();
            break;
        }
        if (c == '\n') break;
        out += c;
    }
    if (haveTerm) tcsetattr(inputFd, TCSAFLUSH, &old);
    StripLineEnd(out);
    return ok;
}

}  // namespace

PasswordResult ReadPassword(const std::string& passwordFile, int inputFd, int promptFd) {
    PasswordResult r;
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            r.error = "cannot read the password file " + passwordFile + ": " + std::strerror(errno);
            return r;
        }
        std::getline(in, r.password);
        if (in.bad()) {
            r.error = "cannot read the password file " + passwordFile;
            r.password.clear();
            return r;
        }
        StripLineEnd(r.password);
        r.ok = true;
        return r;
    }
    if (const char* value = std::getenv(kPasswordVariable)) {
        r.password = value;
        r.ok = true;
        return r;
    }
    if (isatty(inputFd) && PromptWithoutEcho(inputFd, promptFd, r.password)) {
        r.ok = true;
        return r;
    }
    r.error = "no password: give --password-file, set " + std::string(kPasswordVariable) +
              " or run on a terminal";
    return r;
}

}  // namespace qv::cli

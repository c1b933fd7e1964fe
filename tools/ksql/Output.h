// The result file of ksql and the exit codes, shared by the SQLite and the server path.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FileModes.h"
#include "tools/common/FileUtil.h"

namespace qv::tools {

enum ExitCode { kOk = 0, kStatementFailed = 1, kUsage = 2, kLoginRefused = 3, kNoRepository = 4 };

inline const char* const kUsageText =
    "usage: ksql -b BROKER -usr USER [-pw PASSWORD] [-t] -f STATEMENT_FILE [-o RESULT_FILE]\n"
    "  the password is taken from $TESSARK_PASSWORD when -pw is not given";

// How long one statement may run on either backend, and the words of the error line of a
// statement that ran out of time (the server's own).
inline constexpr int kStatementTimeLimitMs = 60000;
inline const char* const kStatementTimedOut = "canceling statement due to statement timeout";

// The limit of this run: QUORVEL_KSQL_TIME_LIMIT_MS may lower it, so that tests of the limit take
// a moment; a value that would raise it, or that is no number, is ignored.
inline int StatementTimeLimitMs() {
    const char* text = std::getenv("QUORVEL_KSQL_TIME_LIMIT_MS");
    if (!text || !*text) return kStatementTimeLimitMs;
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    return *end == '\0' && ms > 0 && ms < kStatementTimeLimitMs ? static_cast<int>(ms)
                                                                : kStatementTimeLimitMs;
}

// A value or name fit for one field of a result line: tabs, line breaks and NUL characters
// become blanks.
inline void AppendField(std::string& out, const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        char c = text[i];
        out += (c == '\t' || c == '\n' || c == '\r' || c == '\0') ? ' ' : c;
    }
}

class Output {
public:
    explicit Output(std::string path) : path_(std::move(path)) {}

    // The result file holds repository data: it is the user's alone unless the repository is
    // shared with a group (see app/FileModes.h). Until the repository is known it is private.
    void SetSharedWithGroup(bool shared) { shared_ = shared; }

    // Writes the whole result at once: a reader sees either no file or the complete one.
    bool Write(const std::string& text) {
        if (path_.empty()) {
            return fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                   fflush(stdout) == 0;
        }
        std::string error;
        if (!WriteFileAtomic(path_, text, error, ReplacementMode(path_, 0666, shared_), false)) {
            fprintf(stderr, "ksql: %s\n", error.c_str());
            return false;
        }
        return true;
    }

    // Writes the one "Error: " line and gives back the exit code.
    int Error(const std::string& message, int code) {
        std::string line = "Error: ";
        AppendField(line, message.data(), message.size());
        line += '\n';
        Write(line);
        return code;
    }

private:
    std::string path_;
    bool shared_ = false;
};

}  // namespace qv::tools

// What the benchmarks that run the repository tools share: finding the programs of the build and
// running one quietly.
#pragma once

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace benchtools {

// The directory of the running benchmark, where the build puts every program.
inline std::string OwnDir() {
    char buf[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    const std::string exe(buf, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/'));
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs a program of the build and waits; its output goes to /dev/null. Its exit status, -1 when
// it could not be started or did not exit.
inline int Spawn(const std::string& name, std::vector<std::string> args, long* maxRssKb = nullptr) {
    const std::string program = OwnDir() + "/" + name;
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    if (!maxRssKb) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The program's own peak resident size, read from /proc while it runs: the one the kernel
    // reports at its end also holds this process's size at the time it was started.
    *maxRssKb = 0;
    const std::string statusFile = "/proc/" + std::to_string(pid) + "/status";
    for (;;) {
        if (FILE* f = std::fopen(statusFile.c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, f))
                if (std::strncmp(line, "VmHWM:", 6) == 0)
                    *maxRssKb = std::max(*maxRssKb, std::strtol(line + 6, nullptr, 10));
            std::fclose(f);
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        usleep(5000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a program of the build quietly; true when it exits with 0.
inline bool RunTool(const std::string& name, std::vector<std::string> args) {
    return Spawn(name, std::move(args)) == 0;
}

// The first column of every row a statement gives on a SQLite repository (empty when it cannot
// be opened or the statement fails; NULL values are left out).
inline std::vector<std::string> Column(const std::string& db, const std::string& sql) {
    std::vector<std::string> values;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
            while (sqlite3_step(s) == SQLITE_ROW)
                if (const unsigned char* t = sqlite3_column_text(s, 0))
                    values.push_back(reinterpret_cast<const char*>(t));
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(h);
    return values;
}

// How many items a demo repository holds; 0 when it is missing or unreadable.
inline long long DemoItemCount(const std::string& db) {
    const std::vector<std::string> n =
        Column(db, "SELECT COUNT(DISTINCT ITEMOBJID) FROM KESVERSIONS");
    return n.empty() ? 0 : atoll(n[0].c_str());
}

}  // namespace benchtools

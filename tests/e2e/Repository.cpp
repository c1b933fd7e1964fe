#include "tests/e2e/Repository.h"

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace e2e {

std::string OwnDir() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

ProgramRun RunBuiltProgram(const std::string& name, const std::vector<std::string>& args,
                           const std::string& input) {
    qvtest::TempDir io;
    qvtest::WriteFile(io / "in", input);
    const std::string program = OwnDir() + "/" + name;
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, (io / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, (io / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&fa, 2, (io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ProgramRun run;
    if (rc != 0) {
        run.err = "cannot start " + program;
        return run;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = qvtest::ReadFile(io / "out");
    run.err = qvtest::ReadFile(io / "err");
    return run;
}

DemoRepository::DemoRepository(const std::string& broker) {
    db_ = dir_ / "demo.db";
    setenv("TESSARK_BROKERS", (dir_ / "brokers.ini").c_str(), 1);
    ProgramRun r = RunBuiltProgram("krepo", {"demo", db_});
    if (r.exitCode != 0) throw std::runtime_error("krepo demo failed: " + r.err);
    r = RunBuiltProgram("krepo", {"broker", broker, db_});
    if (r.exitCode != 0) throw std::runtime_error("krepo broker failed: " + r.err);
    AddUser(kTester, kTesterPassword);
}

DemoRepository::~DemoRepository() {
    unsetenv("TESSARK_BROKERS");
}

void DemoRepository::AddUser(const std::string& user, const std::string& password) {
    ProgramRun r = RunBuiltProgram("krepo", {"adduser", db_, user}, password + "\n");
    if (r.exitCode != 0) throw std::runtime_error("krepo adduser failed: " + r.err);
}

namespace {

struct Connection {
    explicit Connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            std::string why = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw std::runtime_error("cannot open " + path + ": " + why);
        }
    }
    ~Connection() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

}  // namespace

void DemoRepository::Exec(const std::string& sql) {
    Connection c(db_);
    char* message = nullptr;
    if (sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string why = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("SQL failed: " + why + ": " + sql);
    }
}

std::string DemoRepository::Scalar(const std::string& sql) {
    Connection c(db_);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c.db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("SQL failed: ") + sqlite3_errmsg(c.db));
    }
    std::string value;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0)) {
        value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace e2e

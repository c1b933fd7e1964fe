#include "tests/support/PgCluster.h"

#include <fcntl.h>
#include <glob.h>
#include <pwd.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

extern char** environ;

namespace qvtest {

constexpr char kHbaRules[] = "local all postgres trust\nlocal all all scram-sha-256\n";
namespace {

// The newest installed server's programs.
std::string ServerBinDir() {
    glob_t g;
    std::string found;
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &g) == 0 && g.gl_pathc > 0) {
        found = g.gl_pathv[g.gl_pathc - 1];
        found = found.substr(0, found.rfind('/'));
    }
    globfree(&g);
    return found;
}

ToolResult AsPostgres(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all{"-u", "postgres", "--", program};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram("/usr/sbin/runuser", all);
}

}  // namespace

PgCluster* PgCluster::Get(std::string& why) {
    static std::unique_ptr<PgCluster> cluster;
    static std::string failure;
    if (!cluster && failure.empty()) {
        std::unique_ptr<PgCluster> c(new PgCluster());
        if (c->Start(failure)) {
            cluster = std::move(c);
        } else if (failure.empty()) {
            failure = "the PostgreSQL server could not be started";
        }
    }
    why = failure;
    return cluster.get();
}

bool PgCluster::Start(std::string& why) {
    bin_ = ServerBinDir();
    // Under ctest every case is a process of its own: the run starts one cluster for all of them
    // (tests/support/pg-cluster) and names it here. The run stops it; this program only uses it.
    const char* shared = getenv("QV_TEST_PG_CLUSTER");
    if (shared && *shared && !bin_.empty()) {
        const std::string dir = shared;
        if (access((dir + "/data/postmaster.pid").c_str(), F_OK) == 0) {
            dir_ = dir;
            return true;
        }
    }
    struct passwd* pw = getpwnam("postgres");
    if (geteuid() != 0 || !pw || bin_.empty() || access("/usr/sbin/runuser", X_OK) != 0) {
        why =
            "no PostgreSQL server can be run here (needs root, the postgres user and the "
            "server package)";
        return false;
    }
    char tmpl[] = "/tmp/qv-pg-XXXXXX";
    if (!mkdtemp(tmpl)) {
        why = "cannot make the cluster directory";
        return false;
    }
    dir_ = tmpl;
    if (chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0 || chmod(dir_.c_str(), 0700) != 0) {
        why = "cannot give the cluster directory to postgres";
        std::filesystem::remove_all(dir_);
        return false;
    }

    // The watchdog waits for the end of this program (its pipe closes however the program
    // ends), then stops the server and removes the directory.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        why = "cannot make the watchdog's pipe";
        std::filesystem::remove_all(dir_);
        return false;
    }
    const std::string script = "while read -r _; do :; done; /usr/sbin/runuser -u postgres -- '" +
                               bin_ + "/pg_ctl' -D '" + dir_ +
                               "/data' -m immediate -w stop >/dev/null 2>&1; rm -rf '" + dir_ + "'";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[0], 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);  // a terminal's interrupt ends the tests, not it
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, "/bin/sh", &fa, &attr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        why = "cannot start the watchdog";
        std::filesystem::remove_all(dir_);
        return false;
    }
    watchdogPipe_ = fds[1];
    watchdogPid_ = pid;

    ToolResult r = AsPostgres(bin_ + "/initdb", {"-D", dir_ + "/data", "-A", "trust", "-U",
                                                 "postgres", "-N", "-E", "UTF8", "--locale=C"});
    if (r.exitCode != 0) {
        why = "initdb failed: " + r.err;
        return false;
    }
    // The superuser comes in through the socket without a password; every other role has to
    // give its own, as a server of a team would ask.
    if (!WriteFile(dir_ + "/data/pg_hba.conf", kHbaRules)) {
        why = "cannot write pg_hba.conf";
        return false;
    }
    r = AsPostgres(bin_ + "/pg_ctl",
                   {"-D", dir_ + "/data", "-w", "-s", "-l", dir_ + "/server.log", "-o",
                    "-k " + dir_ +
                        " -c listen_addresses= -c fsync=off -c synchronous_commit=off "
                        "-c full_page_writes=off",
                    "start"});
    if (r.exitCode != 0) {
        why = "the server did not start: " + r.err;
        return false;
    }
    running_ = true;
    return true;
}

PgCluster::~PgCluster() {
    if (running_)
        AsPostgres(bin_ + "/pg_ctl", {"-D", dir_ + "/data", "-m", "immediate", "-w", "stop"});
    if (watchdogPipe_ >= 0) close(watchdogPipe_);
    if (watchdogPid_ > 0) {
        int status = 0;
        while (waitpid(watchdogPid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (!dir_.empty() && watchdogPid_ > 0) {  // a shared cluster is not this program's
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string PgCluster::Conninfo(const std::string& database, const std::string& role) const {
    return "host=" + dir_ + " dbname=" + database + " user=" + role;
}

std::string PgCluster::Sql(const std::string& database, const std::string& sql, bool* ok) const {
    ToolResult r = RunProgram(bin_ + "/psql", {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                                               "-d", Conninfo(database), "-c", sql});
    if (ok) *ok = r.exitCode == 0;
    return r.exitCode == 0 ? r.out : "";
}

std::string PgCluster::NewDatabase(const std::string& prefix) {
    std::string name = prefix + std::to_string(getpid()) + "_" + std::to_string(++databases_);
    Sql("postgres", "CREATE DATABASE " + name);
    return Conninfo(name);
}

}  // namespace qvtest

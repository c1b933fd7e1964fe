// krepo: looks after repositories for the repository tools.
//
//   krepo create DB [--no-indexes] [--group GROUP]
//                                       create an empty repository file, readable by its
//                                       owner only (or also by GROUP)
//   krepo indexes DB create|drop        create or drop the secondary indexes
//   krepo adduser DB USER               add a user or change a password (read from stdin)
//   krepo broker NAME DB|LOCATOR        register a broker in the brokers file
//   krepo demo DB [--size N] [--no-indexes] [--broker NAME] [--group GROUP]
//                                       create DB if absent and load the demo data set
//   krepo stats DB                      print counts per table, project and package
//
// DB is a repository file, or a PostgreSQL database as "postgresql:" followed by a libpq
// connection string (or a postgresql:// URI), connected to as the repository's owner (a role
// with CREATEROLE that may create tables in the database). There `create` also makes the
// repository's reader role, which cannot log in, and `adduser` makes each user a login role of
// the server with its own password, a read-only member of the reader role.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/Brokers.h"
#include "tools/common/Credentials.h"
#include "tools/common/FileUtil.h"
#include "tools/common/Repository.h"
#include "tools/common/Schema.h"
#include "tools/krepo/Demo.h"
#include "tools/krepo/Server.h"

namespace qv::tools {
namespace {

const char* const kUsage =
    "usage:\n"
    "  krepo create DB [--no-indexes] [--group GROUP]\n"
    "  krepo create postgresql:CONNECTION [--no-indexes]\n"
    "  krepo indexes DB create|drop\n"
    "  krepo adduser DB USER            (password: first line of standard input)\n"
    "  krepo broker NAME DB|sqlite:/absolute/path.db|postgresql:CONNECTION\n"
    "  krepo demo DB [--size N] [--no-indexes] [--broker NAME] [--group GROUP]\n"
    "  krepo stats DB\n"
    "DB is a repository file or a server repository, postgresql:CONNECTION (a libpq connection\n"
    "string such as 'host=db dbname=tessark', or a postgresql:// URI).\n";

int Fail(const std::string& message) {
    fprintf(stderr, "krepo: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    fprintf(stderr, "krepo: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool OpenExisting(Db& db, const std::string& path, std::string& error) {
    if (!FileExists(path)) {
        error = "no repository at " + path;
        return false;
    }
    if (!db.Open(path, Db::Mode::ReadWrite, error)) return false;
    if (!HasSchema(db)) {
        error = "not a repository: " + path;
        return false;
    }
    return true;
}

// Makes the empty repository file readable by its owner only (it holds the password hashes),
// or also by the members of `group` when one is named. SQLite gives its journal files the same
// permissions.
bool CreateFile(const std::string& path, const std::string& group, std::string& error) {
    gid_t gid = static_cast<gid_t>(-1);
    if (!group.empty()) {
        struct group* g = getgrnam(group.c_str());
        if (!g) {
            error = "no group named " + group;
            return false;
        }
        gid = g->gr_gid;
    }
    const mode_t mode = group.empty() ? 0600 : 0640;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        error = errno == EEXIST ? path + " already exists"
                                : "cannot create " + path + ": " + strerror(errno);
        return false;
    }
    // The mode given to open is narrowed by the umask; set it exactly.
    bool ok =
        (group.empty() || fchown(fd, static_cast<uid_t>(-1), gid) == 0) && fchmod(fd, mode) == 0;
    if (!ok) error = "cannot set the permissions of " + path + ": " + strerror(errno);
    close(fd);
    if (!ok) unlink(path.c_str());
    return ok;
}

bool Create(const std::string& path, bool indexes, const std::string& group, Db& db,
            std::string& error) {
    if (FileExists(path)) {
        error = path + " already exists";
        return false;
    }
    if (!CreateFile(path, group, error)) return false;
    if (!db.Open(path, Db::Mode::ReadWrite, error)) {
        remove(path.c_str());
        return false;
    }
    if (!CreateSchema(db, indexes, error)) {
        db.Close();
        remove(path.c_str());
        return false;
    }
    return true;
}

int CmdCreate(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("create needs a repository file");
    bool indexes = true;
    std::string group;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--no-indexes")
            indexes = false;
        else if (args[i] == "--group" && i + 1 < args.size())
            group = args[++i];
        else
            return Usage("unknown argument (argument " + std::to_string(i + 2) + ")");
    }
    if (IsServerLocator(args[0])) {
        if (!group.empty()) return Usage("--group is for repository files");
        return ServerCreate(args[0], indexes);
    }
    Db db;
    std::string error;
    if (!Create(args[0], indexes, group, db, error)) return Fail(error);
    printf("created %s%s%s\n", AbsolutePath(args[0]).c_str(), indexes ? "" : " (without indexes)",
           group.empty() ? " (readable by its owner only)"
                         : (" (readable by group " + group + ")").c_str());
    return 0;
}

int CmdIndexes(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[1] != "create" && args[1] != "drop"))
        return Usage("indexes needs a repository file and create or drop");
    if (IsServerLocator(args[0])) return ServerIndexes(args[0], args[1] == "create");
    Db db;
    std::string error;
    if (!OpenExisting(db, args[0], error)) return Fail(error);
    bool ok = args[1] == "create" ? CreateIndexes(db, error) : DropIndexes(db, error);
    if (!ok || !db.Exec("ANALYZE", error)) return Fail(error);
    printf("indexes %s\n", args[1] == "create" ? "created" : "dropped");
    return 0;
}

// Reads the first line of standard input; at a terminal it asks for it without echo.
bool ReadPassword(std::string& password) {
    if (!isatty(STDIN_FILENO)) return static_cast<bool>(std::getline(std::cin, password));
    termios old;
    bool quiet = tcgetattr(STDIN_FILENO, &old) == 0;
    if (quiet) {
        termios silent = old;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    fprintf(stderr, "Password: ");
    bool ok = static_cast<bool>(std::getline(std::cin, password));
    if (quiet) tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    fprintf(stderr, "\n");
    return ok;
}

int CmdAddUser(const std::vector<std::string>& args) {
    if (args.size() != 2) return Usage("adduser needs a repository file and a user name");
    std::string password;
    if (!ReadPassword(password)) return Fail("no password on standard input");
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (IsServerLocator(args[0])) return ServerAddUser(args[0], args[1], password);
    Db db;
    std::string error;
    if (!OpenExisting(db, args[0], error)) return Fail(error);
    if (!SetUserPassword(db, args[1], password, error)) return Fail(error);
    printf("user %s set\n", args[1].c_str());
    return 0;
}

std::string LocatorFor(const std::string& target) {
    if (IsServerLocator(target)) return BrokerLocator(target);
    if (target.find(':') != std::string::npos && target[0] != '/' && target[0] != '.')
        return target;
    return "sqlite:" + AbsolutePath(target);
}

int CmdBroker(const std::vector<std::string>& args) {
    if (args.size() != 2) return Usage("broker needs a name and a repository");
    std::string error, locator = LocatorFor(args[1]);
    if (!RegisterBroker(args[0], locator, error)) return Fail(error);
    printf("broker %s -> %s (in %s)\n", args[0].c_str(), locator.c_str(),
           BrokersFilePath().c_str());
    return 0;
}

int CmdDemo(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("demo needs a repository file");
    long long size = 0;
    bool indexes = true;
    std::string broker, group;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--no-indexes") {
            indexes = false;
        } else if (args[i] == "--size" && i + 1 < args.size()) {
            char* end = nullptr;
            size = strtoll(args[++i].c_str(), &end, 10);
            if (!end || *end || size < 0 || size > 100000000)
                return Usage("--size needs a number of items");
        } else if (args[i] == "--broker" && i + 1 < args.size()) {
            broker = args[++i];
        } else if (args[i] == "--group" && i + 1 < args.size()) {
            group = args[++i];
        } else {
            return Usage("unknown argument (argument " + std::to_string(i + 2) + ")");
        }
    }
    if (IsServerLocator(args[0])) {
        if (!group.empty()) return Usage("--group is for repository files");
        return ServerDemo(args[0], size, indexes, broker);
    }
    Db db;
    std::string error;
    if (FileExists(args[0])) {
        if (!OpenExisting(db, args[0], error)) return Fail(error);
    } else if (!Create(args[0], indexes, group, db, error)) {
        return Fail(error);
    }
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (!LoadDemo(db, size, error)) return Fail(error);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    printf("demo data loaded into %s in %.2f s (user demo, password demo)\n\n",
           AbsolutePath(args[0]).c_str(),
           static_cast<double>(t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9);
    if (!PrintStatistics(SqliteRows(db), error)) return Fail(error);
    if (!broker.empty()) {
        if (!RegisterBroker(broker, LocatorFor(args[0]), error)) return Fail(error);
        printf("\nbroker %s registered in %s\n", broker.c_str(), BrokersFilePath().c_str());
    }
    return 0;
}

int CmdStats(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage("stats needs a repository file");
    if (IsServerLocator(args[0])) return ServerStats(args[0]);
    Db db;
    std::string error;
    if (!OpenExisting(db, args[0], error)) return Fail(error);
    if (!PrintStatistics(SqliteRows(db), error)) return Fail(error);
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage("no command");
    std::string cmd = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (cmd == "create") return CmdCreate(args);
    if (cmd == "indexes") return CmdIndexes(args);
    if (cmd == "adduser") return CmdAddUser(args);
    if (cmd == "broker") return CmdBroker(args);
    if (cmd == "demo") return CmdDemo(args);
    if (cmd == "stats") return CmdStats(args);
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        printf("%s", kUsage);
        return 0;
    }
    return Usage("unknown command");
}

}  // namespace
}  // namespace qv::tools

int main(int argc, char** argv) {
    return qv::tools::Run(argc, argv);
}

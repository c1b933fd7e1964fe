// kco: checks item versions of a project out for browse below a client directory, keeping their
// repository paths, and writes a log.
//
//   kco -s ITEM -b BROKER -en PROJECT -st STATE [-vp PATH] [-br] [-r] [-op pc] -cp CLIENT_DIR
//       -usr USER -pw PASSWORD [-o LOG] [-p PACKAGE] [-vn VERSION | -bo VERSION]
//
// ITEM is an item name (letter case ignored), a pattern with * and ?, or "*" for every item.
// Without -vn/-bo the latest version of each item is taken (within PACKAGE when -p is given);
// with them, the latest version whose mapped version is VERSION. -vp names the repository path
// to start from ("\" is the root) and -r includes everything below it. Files are written
// read-only; a writable local file is replaced and reported. Nothing is ever written outside
// CLIENT_DIR: unsafe repository paths and item names, and symbolic links below CLIENT_DIR, are
// refused. Error lines begin with "E"; the log ends with the line
// "Checkout Summary: Total: n ; Success: n ; Failed: n ; Not Processed: n .".
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/FileModes.h"
#include "tools/common/Brokers.h"
#include "tools/common/Connection.h"
#include "tools/common/Credentials.h"
#include "tools/common/FileUtil.h"
#include "tools/common/LocalPath.h"
#include "tools/common/Options.h"

namespace qv::tools {
namespace {

const char* const kUsageText =
    "usage: kco -s ITEM -b BROKER -en PROJECT -st STATE [-vp PATH] [-br] [-r] [-op pc] "
    "-cp CLIENT_DIR -usr USER [-pw PASSWORD] [-o LOG] [-p PACKAGE] [-vn VERSION | -bo VERSION]\n"
    "  the password is taken from $TESSARK_PASSWORD when -pw is not given";

// Whether the repository lets the members of its group read it: the log, the directories and
// the copies are then for the group as the umask allows, else for the user alone.
bool g_sharedWithGroup = false;

class Log {
public:
    explicit Log(std::string path) : path_(std::move(path)) {}

    void Info(const std::string& line) { lines_ += "I " + OneLine(line) + "\n"; }
    void Error(const char* code, const std::string& line) {
        lines_ += std::string(code) + " " + OneLine(line) + "\n";
    }

    int total = 0, success = 0, failed = 0, notProcessed = 0;

    // Writes the log with its summary line; the log is complete or absent.
    bool Finish() {
        char summary[160];
        snprintf(summary, sizeof summary,
                 "Checkout Summary: Total: %d ; Success: %d ; Failed: %d ; Not Processed: %d .\n",
                 total, success, failed, notProcessed);
        std::string text = lines_ + summary;
        if (path_.empty()) return fwrite(text.data(), 1, text.size(), stdout) == text.size();
        std::string error;
        if (!WriteFileAtomic(path_, text, error, ReplacementMode(path_, 0666, g_sharedWithGroup),
                             false)) {
            fprintf(stderr, "kco: %s\n", error.c_str());
            return false;
        }
        return true;
    }

private:
    static std::string OneLine(std::string s) {
        for (char& c : s)
            if (c == '\n' || c == '\r') c = ' ';
        return s;
    }
    std::string path_;
    std::string lines_;
};

// Case-insensitive match of ASCII letters with * (any run) and ? (one character).
bool WildcardMatch(const std::string& pattern, const std::string& text) {
    std::string p = AsciiUpper(pattern), t = AsciiUpper(text);
    size_t pi = 0, ti = 0, star = std::string::npos, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ti;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

// A repository path in a form fit for comparison: "/" as "\", upper case, no trailing "\".
std::string PathKey(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return AsciiUpper(path);
}

bool PathSelected(const std::string& itemPath, const std::string& viewPath, bool recursive) {
    std::string item = PathKey(itemPath), view = PathKey(viewPath);
    if (item == view) return true;
    return recursive && (view.empty() || item.compare(0, view.size() + 1, view + "\\") == 0);
}

struct Candidate {
    std::string name, path, mappedVersion, status, package;
    long long itemType = 1;
    long long dataId = 0;
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void Reset(int fd) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Enters (creating when absent) one directory below `dir` without following a symbolic link.
bool EnterDirectory(Fd& dir, const std::string& name, std::string& why) {
    if (mkdirat(dir.get(), name.c_str(), g_sharedWithGroup ? 0777 : 0700) != 0 && errno != EEXIST) {
        why = "cannot create directory '" + name + "': " + strerror(errno);
        return false;
    }
    int fd = openat(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            why = "'" + name + "' is a symbolic link or not a directory";
        } else {
            why = "cannot enter directory '" + name + "': " + strerror(errno);
        }
        return false;
    }
    dir.Reset(fd);
    return true;
}

// Writes a read-only file `name` in `dir`, replacing a regular file in place; never follows or
// replaces a symbolic link. `replacedWritable` tells whether a writable file was replaced.
bool WriteReadOnlyFile(Fd& dir, const std::string& name, const std::string& content,
                       bool& replacedWritable, std::string& why) {
    replacedWritable = false;
    struct stat st;
    if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode)) {
            why = "'" + name + "' is a symbolic link";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            why = "'" + name + "' exists and is not a regular file";
            return false;
        }
        replacedWritable = (st.st_mode & 0222) != 0;
    } else if (errno != ENOENT) {
        why = "cannot examine '" + name + "': " + strerror(errno);
        return false;
    }
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = ".kco-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = openat(dir.get(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        why = "cannot create a file next to '" + name + "': " + strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, content.data(), content.size()) &&
              fchmod(fd, CreationMode(0444, g_sharedWithGroup)) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && renameat(dir.get(), tmp.c_str(), dir.get(), name.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlinkat(dir.get(), tmp.c_str(), 0);
        why = "cannot write '" + name + "': " + strerror(saved);
    }
    return ok;
}

std::string Describe(const Candidate& c) {
    std::string p = c.path;
    if (p.empty() || p.back() != '\\') p += '\\';
    return p + c.name + " version " + c.mappedVersion;
}

// Checks one version out. A deleted version is an error when the item was named, and is
// skipped (not processed) when it was found by a pattern.
void CheckOutOne(Connection& db, const std::string& clientDir, const Candidate& c, bool byPattern,
                 Log& log) {
    std::vector<std::string> components;
    std::string why;
    if (!SplitRepositoryPath(c.path, components, why) || !IsSafeItemName(c.name, why)) {
        log.Error("E0020", "Refused to check out " + Describe(c) + ": " + why);
        ++log.failed;
        return;
    }
    if (c.status == "D") {
        if (byPattern) {
            log.Info("Skipped " + Describe(c) + ": the version is deleted");
            ++log.notProcessed;
        } else {
            log.Error("E0022", "Cannot check out " + Describe(c) + ": the version is deleted");
            ++log.failed;
        }
        return;
    }
    std::string local = clientDir;
    for (const std::string& comp : components) local += "/" + comp;
    local += "/" + c.name;

    Fd dir(open(clientDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
        log.Error("E0021", "Cannot open client directory " + clientDir + ": " + strerror(errno));
        ++log.failed;
        return;
    }
    for (const std::string& comp : components) {
        if (!EnterDirectory(dir, comp, why)) {
            log.Error("E0020", "Refused to check out " + Describe(c) + ": " + why);
            ++log.failed;
            return;
        }
    }
    if (c.itemType == 0) {
        if (!EnterDirectory(dir, c.name, why)) {
            log.Error("E0020", "Refused to check out " + Describe(c) + ": " + why);
            ++log.failed;
            return;
        }
        log.Info("Directory " + Describe(c) + " created as " + local);
        ++log.success;
        return;
    }

    std::string error, content;
    bool found = false;
    if (!db.FileContent(c.dataId, content, found, error)) {
        log.Error("E0023", "Cannot read the content of " + Describe(c) + ": " + error);
        ++log.failed;
        return;
    }
    if (!found) {
        log.Error("E0023", "No file content stored for " + Describe(c));
        ++log.failed;
        return;
    }
    bool replacedWritable = false;
    if (!WriteReadOnlyFile(dir, c.name, content, replacedWritable, why)) {
        log.Error("E0021", "Cannot check out " + Describe(c) + ": " + why);
        ++log.failed;
        return;
    }
    if (replacedWritable) {
        log.Error("E0031",
                  "Warning: the file is writable and has been replaced by the checked-out "
                  "version: " +
                      local);
    }
    log.Info("Checked out " + Describe(c) + " (package " + c.package + ") to " + local);
    ++log.success;
}

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    OptionSpec known{{"s", "b", "en", "st", "vp", "op", "cp", "usr", "pw", "o", "p", "vn", "bo"},
                     {"br", "r"}};
    ParsedOptions opts;
    std::string error;
    if (IsHelpRequest(args)) {
        printf("%s\n", kUsageText);
        return 0;
    }
    // Options that cannot be parsed leave the log file unknown: a split path or an overriding
    // option must not make the tool write or replace a file anywhere.
    if (!ParseOptions(args, known, opts, error)) {
        fprintf(stderr, "kco: %s\n%s\n", error.c_str(), kUsageText);
        return 2;
    }
    Log log(opts.Get("o"));
    auto fail = [&](const char* code, const std::string& message, int exitCode) {
        log.Error(code, message);
        log.Finish();
        return exitCode;
    };
    for (const char* required : {"s", "b", "en", "st", "cp", "usr"}) {
        if (!opts.Has(required))
            return fail("E0001",
                        std::string("option -") + required + " is required (" + kUsageText + ")",
                        2);
    }
    if (opts.Has("op") && !EqualsIgnoreCase(opts.Get("op"), "pc"))
        return fail("E0001", "unsupported -op value (only pc)", 2);
    if (opts.Has("vn") && opts.Has("bo"))
        return fail("E0001", "-vn and -bo cannot be used together", 2);

    std::string password;
    if (!ToolPassword(opts, password))
        return fail("E0001",
                    std::string("no password: option -pw or $") + kPasswordVariable +
                        " is required (" + kUsageText + ")",
                    2);

    Locator repository;
    if (!ResolveBroker(opts.Get("b"), repository, error)) return fail("E0003", error, 4);
    g_sharedWithGroup =
        repository.kind == Locator::Kind::Sqlite && FileSharedWithGroup(repository.target);
    std::unique_ptr<Connection> db =
        OpenReadOnly(opts.Get("b"), repository, opts.Get("usr"), password, error);
    if (!db) return fail("E0003", error, 4);
    switch (db->CheckLogin(opts.Get("usr"), password, error)) {
        case LoginResult::Accepted:
            break;
        case LoginResult::Refused:
            return fail("E0002",
                        "Incorrect Login for user '" + opts.Get("usr") + "' on broker '" +
                            opts.Get("b") + "'",
                        3);
        case LoginResult::Failed:
            return fail("E0003", error, 4);
    }

    // The first value of the first row of a query; false when there is no row.
    auto first = [&](const std::string& sql, const std::vector<std::string>& params,
                     std::string& value, bool& ok) {
        bool found = false;
        ok = db->Query(
            sql, params,
            [&](const Row& row) {
                if (!found) value = row.Text(0);
                found = true;
            },
            error);
        return found;
    };

    const std::string project = opts.Get("en"), state = opts.Get("st");
    std::string envId, ignored;
    bool ok = true;
    bool found = first("SELECT ENVOBJID FROM KESENVIRONMENT WHERE ENVIRONMENTNAME = $1", {project},
                       envId, ok);
    if (!ok) return fail("E0003", error, 4);
    if (!found) return fail("E0004", "Project '" + project + "' not found", 1);

    found = first("SELECT 1 FROM KESSTATE WHERE ENVOBJID = $1 AND STATENAME = $2", {envId, state},
                  ignored, ok);
    if (!ok) return fail("E0003", error, 4);
    if (!found)
        return fail("E0005", "State '" + state + "' not found in project '" + project + "'", 1);

    std::string packageId;
    if (opts.Has("p")) {
        found =
            first("SELECT PACKAGEOBJID FROM KESPACKAGE WHERE ENVOBJID = $1 AND PACKAGENAME = $2",
                  {envId, opts.Get("p")}, packageId, ok);
        if (!ok) return fail("E0003", error, 4);
        if (!found)
            return fail("E0006",
                        "Package '" + opts.Get("p") + "' not found in project '" + project + "'",
                        1);
    }

    const std::string item = opts.Get("s");
    const bool wildcard = item.find_first_of("*?") != std::string::npos;
    const std::string version = opts.Has("vn") ? opts.Get("vn") : opts.Get("bo");
    const bool byVersion = opts.Has("vn") || opts.Has("bo");

    std::vector<std::string> params = {envId};
    auto param = [&](const std::string& value) {
        params.push_back(value);
        return "$" + std::to_string(params.size());
    };
    std::string sql =
        "SELECT V.ITEMOBJID, N.ITEMNAME, F.PATHFULLNAME, V.MAPPEDVERSION, "
        "V.ITEMTYPE, V.VERSIONSTATUS, V.VERSIONDATAOBJID, P.PACKAGENAME "
        "FROM KESVERSIONS V "
        "JOIN KESPACKAGE P ON P.PACKAGEOBJID = V.PACKAGEOBJID "
        "JOIN KESITEMNAME N ON N.NAMEOBJID = V.ITEMNAMEID "
        "JOIN KESPATHFULLNAME F ON F.VERSIONOBJID = V.PATHVERSIONID "
        "WHERE P.ENVOBJID = $1";
    if (!packageId.empty()) sql += " AND V.PACKAGEOBJID = " + param(packageId);
    if (byVersion) sql += " AND V.MAPPEDVERSION = " + param(version);
    if (!wildcard) sql += " AND N.ITEMNAMEUPPER = " + param(AsciiUpper(item));
    sql += " ORDER BY V.ITEMOBJID, V.VERSIONOBJID DESC";

    const std::string viewPath = opts.Has("vp") ? opts.Get("vp") : "\\";
    const bool recursive = opts.Has("r");
    std::map<std::pair<std::string, std::string>, std::vector<Candidate>> chosen;
    long long lastItem = -1;
    bool listed = db->Query(
        sql, params,
        [&](const Row& q) {
            long long itemId = q.Int(0);
            if (itemId == lastItem) return;  // an older version of an item already taken
            lastItem = itemId;
            Candidate c;
            c.name = q.Text(1);
            c.path = q.Text(2);
            c.mappedVersion = q.Text(3);
            c.itemType = q.Int(4);
            c.status = q.Text(5);
            c.dataId = q.Int(6);
            c.package = q.Text(7);
            if (wildcard && !WildcardMatch(item, c.name)) return;
            if (!PathSelected(c.path, viewPath, recursive)) return;
            chosen[{PathKey(c.path), AsciiUpper(c.name)}].push_back(std::move(c));
        },
        error);
    if (!listed) return fail("E0003", error, 4);

    std::string clientDir = opts.Get("cp");
    while (clientDir.size() > 1 && clientDir.back() == '/') clientDir.pop_back();
    log.Info("Check-out for browse from broker '" + opts.Get("b") + "', project '" + project +
             "', state '" + state + "'" +
             (!packageId.empty() ? ", package '" + opts.Get("p") + "'" : std::string()) +
             (byVersion ? ", version '" + version + "'" : std::string()) + " into " + clientDir);

    if (chosen.empty()) {
        std::string what = "No version found for item '" + item + "' in project '" + project + "'";
        if (!packageId.empty()) what += ", package '" + opts.Get("p") + "'";
        if (byVersion) what += ", version '" + version + "'";
        what += ", path '" + viewPath + "'" + (recursive ? " and below" : "");
        return fail("E0010", what, 1);
    }
    if (!MakeDirectories(clientDir, error, g_sharedWithGroup ? 0777 : 0700))
        return fail("E0021", error, 1);
    for (const auto& entry : chosen) {
        for (const Candidate& c : entry.second) {
            ++log.total;
            CheckOutOne(*db, clientDir, c, wildcard, log);
        }
    }
    bool written = log.Finish();
    return written && log.failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace qv::tools

int main(int argc, char** argv) {
    return qv::tools::Run(argc, argv);
}

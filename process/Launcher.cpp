#include "process/Launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <set>
#include <string_view>

#include "app/Paths.h"
#include "host/Host.h"
#include "process/CommandLine.h"

extern char** environ;

namespace qv {

namespace {

StartRecord g_last;
bool g_closeRangeUnavailable = false;  // tests: behave as on a kernel without close_range
// Children started by RunAndWait that the caller has not released with KillProcess yet.
std::set<int> g_reserved;
// "NAME=value" entries that the programs started now get in addition to our environment.
thread_local std::vector<std::string> g_childVariables;

// The environment of a program started now: ours, with the added variables replacing any of
// the same name. The strings stay owned by environ and g_childVariables.
std::vector<char*> ChildEnvironment() {
    std::vector<char*> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        bool replaced = false;
        for (const std::string& added : g_childVariables)
            replaced = replaced || entry.substr(0, entry.find('=') + 1) ==
                                       std::string_view(added).substr(0, added.find('=') + 1);
        if (!replaced) env.push_back(*e);
    }
    for (std::string& added : g_childVariables) env.push_back(added.data());
    env.push_back(nullptr);
    return env;
}

bool Contains(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

std::string OwnDirectory() {
    return ProgramDir();
}

// 0 when the path is an executable regular file; otherwise ENOENT or EACCES.
int CheckCandidate(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ENOENT;
    return access(path.c_str(), X_OK) == 0 ? 0 : EACCES;
}

int StartErrorResult(int err) {
    return (err == ENOENT || err == ENOTDIR) ? kTaskNotFound : kTaskStartFailed;
}

// Exit code of a finished child as 0-255, or 128 + the signal that ended it.
int ExitCodeOf(const siginfo_t& info) {
    return info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
}

int ExitCodeOfStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// True when the child has ended (it stays unreaped); also true when it is no longer a child.
bool HasEnded(int pid, int* exitCode) {
    for (;;) {
        siginfo_t info{};
        int r = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r == 0) {
            if (info.si_pid != pid) return false;
            if (exitCode) *exitCode = ExitCodeOf(info);
            return true;
        }
        if (errno == EINTR) continue;
        return true;  // ECHILD: reaped elsewhere (or children are ignored); it is gone
    }
}

int Reap(int pid) {
    int status = 0;
    for (;;) {
        if (waitpid(pid, &status, 0) == pid) return ExitCodeOfStatus(status);
        if (errno != EINTR) return -1;
    }
}

// Waits until the child ends or the time limit (negative: none) passes. Between slices of the
// wait the window may repaint; nothing else runs. Returns true when the child ended.
bool WaitForChild(int pid, int timeLimitMs, Host* paintHost, int* exitCode) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
#ifdef SYS_pidfd_open
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    int pidfd = -1;
#endif
    int backoffMs = 1;
    bool ended = false;
    // A wait longer than a frame repaints once per frame, so that what the window showed before
    // the program started (a row's placeholder, say) is on the screen while it runs.
    const int frameMs = paintHost ? paintHost->FrameMs() : 0;
    const int sliceMs = frameMs > 0 && frameMs < 50 ? frameMs : 50;
    for (;;) {
        if (HasEnded(pid, exitCode)) {
            ended = true;
            break;
        }
        int slice = sliceMs;
        if (timeLimitMs >= 0) {
            auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (spent >= timeLimitMs) break;
            if (timeLimitMs - spent < slice) slice = static_cast<int>(timeLimitMs - spent);
        }
        bool woke = false;
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            woke = poll(&p, 1, slice) > 0;
        } else {
            int ms = backoffMs < slice ? backoffMs : slice;
            timespec ts{ms / 1000, (ms % 1000) * 1000000L};
            nanosleep(&ts, nullptr);
            if (backoffMs < 20) backoffMs *= 2;
            woke = ms < slice;
        }
        if (!woke && paintHost) paintHost->PumpPaintMessages();
    }
    if (pidfd >= 0) close(pidfd);
    return ended;
}

std::vector<char*> ArgvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// A program to be waited for: own process group, standard input from /dev/null, no descriptor
// of ours inherited, default signal handling. Returns 0 or an errno value.
int SpawnWaited(const std::string& path, std::vector<std::string>& args, int& pid) {
    std::vector<char*> argv = ArgvOf(args);
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    if (posix_spawnattr_init(&attr) != 0) return ENOMEM;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attr);
        return ENOMEM;
    }
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t child = 0;
    std::vector<char*> env = ChildEnvironment();
    int err = posix_spawn(&child, path.c_str(), &actions, &attr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err == 0) pid = static_cast<int>(child);
    return err;
}

// Marks every open descriptor from 3 up close-on-exec, so that none reaches the started program.
// close_range does it in one call; on a kernel without it (or without its close-on-exec flag)
// each descriptor listed in /proc/self/fd is marked by itself, and when that list cannot be
// read, every number below the descriptor limit. Runs between fork and exec, so it makes only
// async-signal-safe calls: no allocation, raw directory reads.
void MarkDescriptorsCloseOnExec() {
    if (!g_closeRangeUnavailable && close_range(3, UINT_MAX, CLOSE_RANGE_CLOEXEC) == 0) return;
    const auto mark = [](int fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC)) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    };
    const int dir = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        alignas(8) char buf[4096];
        bool listed = true;
        for (;;) {
            const long n = syscall(SYS_getdents64, dir, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                listed = false;
                break;
            }
            for (long at = 0; at < n;) {
                // struct linux_dirent64: inode (8), offset (8), record length (2), type (1), name
                unsigned short length = 0;
                __builtin_memcpy(&length, buf + at + 16, sizeof length);
                const char* name = buf + at + 19;
                int fd = 0;
                bool number = *name != '\0';
                for (const char* c = name; *c; ++c) {
                    if (*c < '0' || *c > '9')
                        number = false;
                    else
                        fd = fd * 10 + (*c - '0');
                }
                if (number && fd >= 3 && fd != dir) mark(fd);
                at += length;
            }
        }
        close(dir);
        if (listed) return;
    }
    rlimit limit{};
    rlim_t last = 65536;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        last = limit.rlim_cur;
    if (last > (1u << 20)) last = 1u << 20;
    for (rlim_t fd = 3; fd < last; ++fd) mark(static_cast<int>(fd));
}

// What the helper processes of SpawnIndependent report through their pipe.
struct Report {
    int kind;  // 1: the program's process id; 2: an errno value
    int value;
};

void SendReport(int fd, int kind, int value) {
    Report r{kind, value};
    ssize_t n;
    do {
        n = write(fd, &r, sizeof r);
    } while (n < 0 && errno == EINTR);
}

// A program not waited for: started through an intermediate process that opens a new session,
// starts the program and ends at once, so the program is no child of ours and is reaped by the
// system when it ends. Between fork and exec only async-signal-safe calls are made (the second
// fork is _Fork, which runs no fork handlers). Returns 0 or
// an errno value.
int SpawnIndependent(const std::string& path, std::vector<std::string>& args, int& pid) {
    std::vector<char*> argv = ArgvOf(args);
    const char* file = path.c_str();
    std::vector<char*> childEnv = ChildEnvironment();
    char** env = childEnv.data();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return errno;
    pid_t middle = fork();
    if (middle < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        return err;
    }
    if (middle == 0) {
        close(fds[0]);
        setsid();
        pid_t program = _Fork();
        if (program < 0) {
            SendReport(fds[1], 2, errno);
            _exit(1);
        }
        if (program == 0) {
            int nul = open("/dev/null", O_RDONLY);
            if (nul > 0) {
                dup2(nul, 0);
                close(nul);
            }
            struct sigaction dfl {};
            dfl.sa_handler = SIG_DFL;
            for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            MarkDescriptorsCloseOnExec();
            execve(file, argv.data(), env);
            SendReport(fds[1], 2, errno);
            _exit(127);
        }
        SendReport(fds[1], 1, static_cast<int>(program));
        _exit(0);
    }
    close(fds[1]);
    Reap(static_cast<int>(middle));
    int err = 0;
    int started = 0;
    Report r{};
    for (;;) {
        ssize_t n = read(fds[0], &r, sizeof r);
        if (n < 0 && errno == EINTR) continue;
        if (n != static_cast<ssize_t>(sizeof r)) break;
        if (r.kind == 1) started = r.value;
        if (r.kind == 2) err = r.value;
    }
    close(fds[0]);
    if (err == 0 && started <= 0) err = ECHILD;
    if (err == 0) pid = started;
    return err;
}

ShowMode ShowModeOf(int showValue) {
    switch (showValue) {
        case 0:
            return ShowMode::MinimizedNoActivate;
        case 3:
            return ShowMode::Maximized;
        case 9:
            return ShowMode::Restored;
        default:
            return ShowMode::Normal;
    }
}

std::string TitleOf(const std::string& text) {
    return text.size() > kMaxWindowTitle ? text.substr(0, kMaxWindowTitle) : text;
}

// Splits the command and finds its program; 0 or a start result.
int Prepare(const std::string& commandLine, StartRecord& rec) {
    rec.arguments = SplitCommandLine(commandLine);
    if (rec.arguments.empty() || rec.arguments[0].empty()) return kTaskNotFound;
    int err = FindProgram(rec.arguments[0], rec.program);
    if (err != 0) {
        rec.program.clear();
        return StartErrorResult(err);
    }
    return 0;
}

}  // namespace

ChildVariableScope::ChildVariableScope(const std::string& name, const std::string& value) {
    g_childVariables.push_back(name + "=" + value);
}

ChildVariableScope::~ChildVariableScope() {
    // Nothing of the value stays in memory that is given back.
    std::string& last = g_childVariables.back();
    std::fill(last.begin(), last.end(), '\0');
    g_childVariables.pop_back();
}

TaskOptions ParseTaskOptions(const std::string& options) {
    TaskOptions t;
    if (Contains(options, "PMDEFAULT") || Contains(options, "PMFULLSCREEN") ||
        Contains(options, "PMWINDOW")) {
        t.refused = true;
        return t;
    }
    // One blank, filled in rather than copied from a literal: GCC 12 at -O3 takes the copy of
    // a short literal into a string for an overlapping one (a false -Wrestrict).
    if (Contains(options, "FOREGROUND")) t.titlePrefix.assign(1, ' ');
    if (Contains(options, "BACKGROUND")) {
        t.titlePrefix.assign(1, ' ');
        t.showMode = ShowMode::MinimizedNoActivate;
    }
    if (Contains(options, "INDEPENDENT")) t.wait = false;
    if (Contains(options, "MAXIMIZE")) t.showMode = ShowMode::Maximized;
    // "DOSFULLSCREEN", "DOSWINDOW", "SEAMLESSWINDOWS", "WINSESSIONCHILD" and "DEPENDENT" are
    // accepted and change nothing.
    return t;
}

void SetCloseRangeUnavailable(bool unavailable) {
    g_closeRangeUnavailable = unavailable;
}

const StartRecord& LastStart() {
    return g_last;
}

int FindProgram(const std::string& name, std::string& path) {
    if (name.empty()) return ENOENT;
    if (name.find('/') != std::string::npos) {
        int err = CheckCandidate(name);
        if (err == 0) path = name;
        return err;
    }
    int result = ENOENT;
    auto tryDir = [&](const std::string& dir) {
        std::string candidate = dir == "/" ? "/" + name : dir + "/" + name;
        int err = CheckCandidate(candidate);
        if (err == 0) {
            path = candidate;
            return true;
        }
        if (err == EACCES) result = EACCES;
        return false;
    };
    std::string own = OwnDirectory();
    if (!own.empty() && tryDir(own)) return 0;
    // A system installation keeps the companions out of PATH, in its library directory.
    if (const std::string lib = ProgramLibraryDir(); lib != own && tryDir(lib)) return 0;
    std::string searchPath;
    if (const char* p = getenv("PATH")) {
        searchPath = p;
    } else {
        size_t n = confstr(_CS_PATH, nullptr, 0);
        if (n > 0) {
            searchPath.resize(n);
            confstr(_CS_PATH, searchPath.data(), n);
            searchPath.resize(n - 1);
        }
    }
    size_t pos = 0;
    while (pos <= searchPath.size()) {
        size_t colon = searchPath.find(':', pos);
        if (colon == std::string::npos) colon = searchPath.size();
        std::string dir = searchPath.substr(pos, colon - pos);
        // Empty and relative entries would name the current directory: never searched.
        if (!dir.empty() && dir[0] == '/' && tryDir(dir)) return 0;
        pos = colon + 1;
    }
    return result;
}

int StartTask(const std::string& commandLine, const std::string& options, int& processId,
              Host* paintHost) {
    g_last = StartRecord{};
    g_last.commandLine = commandLine;
    TaskOptions opts = ParseTaskOptions(options);
    if (opts.refused) {
        g_last.result = kTaskRefused;
        return kTaskRefused;
    }
    g_last.windowTitle = TitleOf(opts.titlePrefix + commandLine);
    g_last.showMode = opts.showMode;
    g_last.wait = opts.wait;
    if (int r = Prepare(commandLine, g_last); r != 0) {
        g_last.result = r;
        return r;
    }
    int pid = 0;
    int err = opts.wait ? SpawnWaited(g_last.program, g_last.arguments, pid)
                        : SpawnIndependent(g_last.program, g_last.arguments, pid);
    if (err != 0) {
        g_last.result = StartErrorResult(err);
        return g_last.result;
    }
    processId = pid;
    g_last.processId = pid;
    if (!opts.wait) {
        g_last.result = kTaskStarted;
        return kTaskStarted;
    }
    WaitForChild(pid, -1, paintHost, nullptr);
    g_last.exitStatus = Reap(pid);
    g_last.result = kTaskWaited;
    return kTaskWaited;
}

int LaunchTask(const std::string& commandLine, bool foreground, Host& host) {
    const std::string options = foreground ? kForegroundTaskOptions : kDefaultTaskOptions;
    int pid = 0;
    int r = StartTask(commandLine, options, pid, &host);
    if (r == kTaskNotFound) {
        host.MessageBox(MsgKind::Warning,
                        "Executable Not Found: '" + commandLine +
                            "'\n\nThis executable must be installed\nto the same directory as "
                            "this application.\n");
    } else if (r < 0) {
        host.MessageBox(MsgKind::Warning, "Failed to Launch Task '" + commandLine + ", " + options +
                                              "' Err=" + std::to_string(r) + "\n");
    }
    return r;
}

int RunAndWait(const std::string& commandLine, const std::string& windowTitle, int showValue,
               int timeLimitMs, int& processId, Host* paintHost) {
    g_last = StartRecord{};
    g_last.commandLine = commandLine;
    g_last.windowTitle = TitleOf(windowTitle);
    g_last.showMode = ShowModeOf(showValue);
    g_last.wait = true;
    if (int r = Prepare(commandLine, g_last); r != 0) {
        g_last.result = r;
        return r;
    }
    int pid = 0;
    if (int err = SpawnWaited(g_last.program, g_last.arguments, pid); err != 0) {
        g_last.result = StartErrorResult(err);
        return g_last.result;
    }
    processId = pid;
    g_last.processId = pid;
    g_reserved.insert(pid);
    int code = -1;
    if (WaitForChild(pid, timeLimitMs < 0 ? -1 : timeLimitMs, paintHost, &code)) {
        g_last.exitStatus = code;
    }
    g_last.result = kTaskWaited;
    return kTaskWaited;
}

int KillProcess(int processId, Host* host) {
    if (processId <= 0) return kKillDone;  // 0 and below would name process groups
    if (g_reserved.count(processId)) {
        if (!HasEnded(processId, nullptr)) {
            kill(-processId, SIGKILL);
            kill(processId, SIGKILL);
        }
        Reap(processId);
        g_reserved.erase(processId);
        return kKillDone;
    }
    if (kill(processId, SIGKILL) == 0) return kKillDone;
    int err = errno;
    if (err == ESRCH) return kKillDone;
    if (err != EPERM && host) {
        host->MessageBox(MsgKind::Warning, "KillProcess: Unable To Kill Process " +
                                               std::to_string(processId) +
                                               "\n         Err=" + std::to_string(err) + "\n\n");
    }
    return kKillFailed;
}

void PumpMessages(Host& host) {
    host.PumpMessages();
}
void PumpPaintMessages(Host& host) {
    host.PumpPaintMessages();
}

}  // namespace qv

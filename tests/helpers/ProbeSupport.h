// Test-side support for the child-process helper qv_probe_child and for reading trace files.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace qvtest {

// The directory of the running test program (the helpers are built next to it).
inline std::string OwnDir() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    std::string exe(buf, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/'));
}

inline std::string ProbePath() {
    return OwnDir() + "/qv_probe_child";
}

// What the probe's --record action wrote.
struct ProbeRecord {
    bool present = false;
    int pid = 0, pgid = 0, sid = 0, ppid = 0;
    std::string stdinTarget;
    std::string inheritedFds;       // what the descriptors from 3 up name, '|' between
    std::string password;           // $TESSARK_PASSWORD, "-" when unset
    std::vector<std::string> args;  // argv[0] first
};

inline ProbeRecord ReadProbeRecord(const std::string& path) {
    ProbeRecord r;
    std::ifstream in(path);
    if (!in) return r;
    std::string line;
    auto value = [&](const char* key) {
        std::getline(in, line);
        return line.rfind(key, 0) == 0 ? line.substr(std::string(key).size()) : std::string();
    };
    r.pid = std::atoi(value("pid=").c_str());
    r.pgid = std::atoi(value("pgid=").c_str());
    r.sid = std::atoi(value("sid=").c_str());
    r.ppid = std::atoi(value("ppid=").c_str());
    r.stdinTarget = value("stdin=");
    r.inheritedFds = value("fds=");
    r.password = value("password=");
    while (std::getline(in, line)) r.args.push_back(line);
    r.present = r.pid > 0;
    return r;
}

// Waits until the predicate holds or the time passes; returns the last answer.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The state letter and parent of a process from /proc/<pid>/stat; state 0 when it is gone.
struct ProcState {
    char state = 0;
    int ppid = 0;
};
inline ProcState StateOf(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ProcState s;
    size_t close = all.rfind(')');
    if (close == std::string::npos || close + 2 >= all.size()) return s;
    std::istringstream rest(all.substr(close + 2));
    rest >> s.state >> s.ppid;
    return s;
}

// Running (not a zombie, not gone).
inline bool IsRunning(int pid) {
    char s = StateOf(pid).state;
    return s != 0 && s != 'Z' && s != 'X';
}

// The zombies whose parent is this test program.
inline std::vector<int> OwnZombies() {
    std::vector<int> out;
    DIR* dir = opendir("/proc");
    if (!dir) return out;
    while (dirent* e = readdir(dir)) {
        int pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        ProcState s = StateOf(pid);
        if (s.state == 'Z' && s.ppid == getpid()) out.push_back(pid);
    }
    closedir(dir);
    return out;
}

// Ends a process this test started when the test leaves early.
class KillGuard {
public:
    explicit KillGuard(int pid = 0) : pid_(pid) {}
    ~KillGuard() {
        if (pid_ > 0 && IsRunning(pid_)) {
            kill(pid_, SIGKILL);
            WaitUntil([&] { return !IsRunning(pid_); });
        }
    }
    void Set(int pid) { pid_ = pid; }

private:
    int pid_;
};

// The messages of a trace file, without the number, date and time in front of them.
inline std::vector<std::string> TraceMessages(const std::string& path) {
    std::vector<std::string> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t at = 0;
        for (int i = 0; i < 3 && at != std::string::npos; ++i) {
            at = line.find(' ', at);
            if (at != std::string::npos) ++at;
        }
        out.push_back(at == std::string::npos ? line : line.substr(at));
    }
    return out;
}

}  // namespace qvtest

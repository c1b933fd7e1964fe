// A spy for the password tests: another local user who reads the command line of every process.
//   qv_cmdline_spy UID
// Started as root, it becomes UID (no groups) at once, then reads every /proc/*/cmdline over and
// over until its standard input ends, and prints
//   hits=H marked=M scans=S
// M: processes seen whose command line held $QV_SPY_MARKER (the processes of the test, so that
// tests running beside it do not count; and the test knows the spy saw the tools run); H: their
// command lines read that held $QV_SPY_NEEDLE; S: passes over /proc. The
// needle reaches it in its environment, which only its own user reads, never on its command line.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string needle = getenv("QV_SPY_NEEDLE") ? getenv("QV_SPY_NEEDLE") : "";
    const std::string marker = getenv("QV_SPY_MARKER") ? getenv("QV_SPY_MARKER") : "";
    const uid_t uid = static_cast<uid_t>(std::strtoul(argv[1], nullptr, 10));
    if (needle.empty() || marker.empty() || setgroups(0, nullptr) != 0 ||
        setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0 || getuid() != uid ||
        geteuid() != uid)
        return 3;
    const std::string self = std::to_string(getpid());
    long hits = 0, scans = 0;
    std::set<std::string> marked;
    std::string text;
    for (;;) {
        ++scans;
        DIR* proc = opendir("/proc");
        if (!proc) return 4;
        while (const dirent* e = readdir(proc)) {
            if (e->d_name[0] < '1' || e->d_name[0] > '9' || self == e->d_name) continue;
            const int fd = open(("/proc/" + std::string(e->d_name) + "/cmdline").c_str(),
                                O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            text.clear();
            char buf[8192];
            ssize_t n;
            while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
            close(fd);
            for (char& c : text)
                if (c == '\0') c = ' ';
            if (text.find(marker) == std::string::npos) continue;
            marked.insert(e->d_name);
            if (text.find(needle) != std::string::npos) ++hits;
        }
        closedir(proc);
        pollfd in{0, POLLIN, 0};
        if (poll(&in, 1, 0) > 0) break;  // input or its end: the test is done
    }
    std::printf("hits=%ld marked=%zu scans=%ld\n", hits, marked.size(), scans);
    return 0;
}

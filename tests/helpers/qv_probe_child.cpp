// A child program for the launcher and tool-runner tests. It performs the actions given before
// "--", in order; whatever follows "--" is only there to be recorded or searched:
//   --record FILE        write "pid=", "pgid=", "sid=", "ppid=", "stdin=", "fds=" (what the
//                        inherited descriptors from 3 up name, separated by '|'), "password="
//                        ($TESSARK_PASSWORD, "-" when unset) lines and then
//                        every argument (argv[0] first), one per line, to FILE
//   --copy-to-opt SRC O  copy the file SRC to the path that follows the option O after "--"
//   --mkdir-opt O        make a directory at the path that follows the option O after "--"
//   --ignore-term        ignore SIGTERM from now on
//   --signal N           end by the signal N
//   --sleep MS           sleep MS milliseconds
//   --exit N             end at once with exit code N
// Without "--exit" it ends with 0.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string OptionValue(const std::vector<std::string>& rest, const std::string& option) {
    for (size_t i = 0; i + 1 < rest.size(); ++i) {
        if (rest[i] == option) return rest[i + 1];
    }
    return {};
}

std::string StdinTarget() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/fd/0", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string("(none)");
}

// What the open descriptors from 3 up name (the listing's own descriptor left out).
std::string InheritedDescriptors() {
    std::string out;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return out;
    while (const dirent* e = readdir(d)) {
        const int fd = std::atoi(e->d_name);
        if (fd < 3 || fd == dirfd(d)) continue;
        char buf[4096];
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
        if (n <= 0) continue;
        if (!out.empty()) out += '|';
        out.append(buf, static_cast<size_t>(n));
    }
    closedir(d);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> actions;
    std::vector<std::string> rest;
    bool afterDash = false;
    for (int i = 1; i < argc; ++i) {
        if (!afterDash && std::strcmp(argv[i], "--") == 0) {
            afterDash = true;
            continue;
        }
        (afterDash ? rest : actions).push_back(argv[i]);
    }
    for (size_t i = 0; i < actions.size(); ++i) {
        const std::string& a = actions[i];
        auto arg = [&](size_t k) {
            return i + k < actions.size() ? actions[i + k] : std::string();
        };
        if (a == "--record") {
            const std::string fds = InheritedDescriptors();
            std::ofstream out(arg(1), std::ios::trunc);
            out << "pid=" << getpid() << "\npgid=" << getpgrp() << "\nsid=" << getsid(0)
                << "\nppid=" << getppid() << "\nstdin=" << StdinTarget() << "\nfds=" << fds
                << "\npassword="
                << (std::getenv("TESSARK_PASSWORD") ? std::getenv("TESSARK_PASSWORD") : "-")
                << "\n";
            for (int k = 0; k < argc; ++k) out << argv[k] << "\n";
            i += 1;
        } else if (a == "--copy-to-opt") {
            std::string target = OptionValue(rest, arg(2));
            if (!target.empty()) {
                std::ifstream in(arg(1), std::ios::binary);
                std::ofstream out(target, std::ios::binary | std::ios::trunc);
                out << in.rdbuf();
            }
            i += 2;
        } else if (a == "--mkdir-opt") {
            const std::string target = OptionValue(rest, arg(1));
            if (!target.empty()) mkdir(target.c_str(), 0755);
            i += 1;
        } else if (a == "--signal") {
            const int sig = std::atoi(arg(1).c_str());
            signal(sig, SIG_DFL);
            raise(sig);
            i += 1;
        } else if (a == "--ignore-term") {
            signal(SIGTERM, SIG_IGN);
        } else if (a == "--sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg(1).c_str())));
            i += 1;
        } else if (a == "--exit") {
            return std::atoi(arg(1).c_str());
        }
    }
    return 0;
}

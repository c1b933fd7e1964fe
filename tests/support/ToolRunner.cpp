#include "tests/support/ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/TempEnv.h"

extern char** environ;

namespace qvtest {

std::string BinDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

ToolResult RunTool(const std::string& name, const std::vector<std::string>& args,
                   const std::string& input) {
    return RunProgram(BinDir() + "/" + name, args, input);
}

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input) {
    TempDir io;
    WriteFile(io / "in", input);
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
    ToolResult result;
    if (rc != 0) {
        result.err = "cannot start " + program;
        return result;
    }
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited < 0) {
        result.err = "cannot wait for " + program;
        return result;
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(io / "out");
    result.err = ReadFile(io / "err");
    return result;
}

}  // namespace qvtest

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace qvtest {
namespace {

// Sets or clears environment variables for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(std::vector<std::pair<std::string, const char*>> vars) {
        for (auto& [name, value] : vars) {
            const char* old = getenv(name.c_str());
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            if (value)
                setenv(name.c_str(), value, 1);
            else
                unsetenv(name.c_str());
        }
    }
    ~ScopedEnv() {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(CompanionsTest, EachProgramHandsItsFilesToTheConfiguredTool) {
    TempDir dir;
    const std::string a = dir / "old file.txt", b = dir / "new.txt";
    WriteFile(a, "one\ntwo\n");
    WriteFile(b, "one\nthree\n");
    // No desktop and no terminal: the fallbacks print, which is what is checked here.
    ScopedEnv noDesktop({{"DISPLAY", nullptr},
                         {"WAYLAND_DISPLAY", nullptr},
                         {"VISUAL", nullptr},
                         {"EDITOR", nullptr},
                         {"PAGER", "cat"}});
    struct Case {
        std::string program;
        std::vector<std::string> args;
        std::vector<std::pair<std::string, const char*>> env;
        std::string expected;
    } const cases[] = {
        {"CrystalEdit", {a}, {{"QUORVEL_EDITOR", "echo edit"}}, "edit " + a + "\n"},
        {"CrystalEdit",
         {a},
         {{"QUORVEL_EDITOR", nullptr}, {"EDITOR", "echo ed"}},
         "ed " + a + "\n"},
        {"HexViewer", {a}, {{"QUORVEL_HEXVIEWER", "echo hex"}}, "hex " + a + "\n"},
        {"HexViewer", {a}, {{"QUORVEL_HEXVIEWER", nullptr}}, "00000000: 6f6e 650a 7477 6f0a"},
        {"WinDiff", {a, b}, {{"QUORVEL_DIFF", "echo diff"}}, "diff " + a + " " + b + "\n"},
        {"WinDiff", {a, b}, {{"QUORVEL_DIFF", nullptr}}, "-two\n+three\n"},
    };
    for (const Case& c : cases) {
        ScopedEnv env(c.env);
        ToolResult r = RunTool(c.program, c.args);
        EXPECT_EQ(r.exitCode, 0) << c.program << ": " << r.err;
        EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.program << ": " << r.out;
    }
    for (const char* program : {"CrystalEdit", "HexViewer", "WinDiff"})
        EXPECT_EQ(RunTool(program, {}).exitCode, 2) << program;
}

}  // namespace
}  // namespace qvtest

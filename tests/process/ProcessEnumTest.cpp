#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "process/Launcher.h"
#include "process/ProcessEnum.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"

namespace {

TEST(CProcessEnum, ListsProcessesInAscendingOrderWithTheirExecutableNames) {
    qv::CProcessEnum processes;
    ASSERT_TRUE(processes.Valid());
    std::vector<int> pids;
    std::string ownName;
    for (bool more = processes.First(); more; more = processes.Next()) {
        pids.push_back(processes.ProcessId());
        if (processes.ProcessId() == getpid()) {
            ASSERT_TRUE(processes.ModuleName(ownName));
        }
    }
    EXPECT_TRUE(std::is_sorted(pids.begin(), pids.end()));
    EXPECT_NE(std::find(pids.begin(), pids.end(), getpid()), pids.end());
    EXPECT_EQ(ownName, "test_process");
    EXPECT_FALSE(processes.Next());
    EXPECT_EQ(processes.ProcessId(), -1);
    std::string name;
    EXPECT_FALSE(processes.ModuleName(name));
}

// A probe copied under a name no other process has, started independently.
class NamedProbe : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique per test: a probe of an earlier test may still be on its way out.
        static int count = 0;
        name_ = "QvFindProbe" + std::to_string(getpid()) + "n" + std::to_string(++count) + "x";
        path_ = dir_ / name_;
        std::filesystem::copy_file(qvtest::ProbePath(), path_);
        chmod(path_.c_str(), 0755);
        ASSERT_EQ(qv::StartTask(path_ + " --sleep 20000", qv::kForegroundTaskOptions, pid_),
                  qv::kTaskStarted);
        guard_.Set(pid_);
    }
    qvtest::TempDir dir_;
    std::string name_;
    std::string path_;
    int pid_ = 0;
    qvtest::KillGuard guard_;
};

TEST_F(NamedProbe, FoundByAnyLetterCaseOfItsWholeNameAndOnlyForItsOwner) {
    std::string lower = name_, upper = name_;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    const long own = static_cast<long>(getuid());
    struct Case {
        std::string name;
        long owner;  // -1: any
        bool found;
    } cases[] = {
        {name_, -1, true},        {lower, -1, true}, {upper, -1, true},  {name_ + "x", -1, false},
        {"x" + name_, -1, false}, {"", -1, false},   {name_, own, true}, {name_, own + 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::FindProcessByName(c.name, c.owner), c.found ? pid_ : -1)
            << c.name << " owner " << c.owner;
}

}  // namespace

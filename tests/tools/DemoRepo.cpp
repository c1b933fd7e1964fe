#include "tests/tools/DemoRepo.h"

#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

namespace qvtest {

DemoRepo::DemoRepo(long long size) {
    db_ = dir_ / "demo.db";
    setenv("TESSARK_BROKERS", (dir_ / "brokers.ini").c_str(), 1);
    ToolResult r =
        RunTool("krepo", {"demo", db_, "--size", std::to_string(size), "--broker", "demo"});
    if (r.exitCode != 0) throw std::runtime_error("krepo demo failed: " + r.err);
}

DemoRepo::~DemoRepo() {
    unsetenv("TESSARK_BROKERS");
}

std::string DemoRepo::Query(const std::string& sql, const std::string& user,
                            const std::string& password) const {
    WriteFile(dir_ / "ksqlstmt.sql", sql);
    unlink((dir_ / "ksqlstmt.dat").c_str());
    RunTool("ksql", {"-b", "demo", "-usr", user, "-pw", password, "-t", "-f", dir_ / "ksqlstmt.sql",
                     "-o", dir_ / "ksqlstmt.dat"});
    return ReadFile(dir_ / "ksqlstmt.dat");
}

}  // namespace qvtest

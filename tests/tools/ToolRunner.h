// Runs the built repository tools (krepo, ksql, kco) as child processes, from the directory of
// the running test program, and gives a demo repository registered under a broker.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TempEnv.h"

namespace qvtest {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The directory of the running test program (where the tools are built).
std::string BinDir();

// Runs BinDir()/name with the arguments; `input` becomes its standard input.
ToolResult RunTool(const std::string& name, const std::vector<std::string>& args,
                   const std::string& input = "");

// A fresh demo repository in a temporary directory, registered as broker "demo" in a brokers
// file of its own ($TESSARK_BROKERS points to it while the object lives).
class DemoRepo {
public:
    explicit DemoRepo(long long size = 0);
    ~DemoRepo();
    const std::string& db() const { return db_; }
    const std::string& dir() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }

    // Runs ksql with the demo credentials on the statement; returns the result file's text.
    std::string Query(const std::string& sql, const std::string& user = "demo",
                      const std::string& password = "demo") const;

private:
    TempDir dir_;
    std::string db_;
};

}  // namespace qvtest

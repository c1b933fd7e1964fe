// A demo repository made by the built krepo and registered under a broker, for the tools' tests.
#pragma once

#include <string>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace qvtest {

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

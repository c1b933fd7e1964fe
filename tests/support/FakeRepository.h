// A repository for tests that answers each statement with a given result-file text. The text is
// written to a result file in a temporary install directory, so the real readers read it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/Host.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/support/TempEnv.h"

namespace qvtest {

class FakeRepository : public qv::Repository {
public:
    // An answer: the run's result and the result-file text it leaves (ignored unless kKsqlOk).
    struct Answer {
        std::string text;
        int result = qv::kKsqlOk;
    };

    explicit FakeRepository(qv::Host& host) : host_(host) {}

    // Queues the answer to the next statement. A statement without a queued answer gets the
    // zero-results line.
    void Answer(const std::string& text, int result = qv::kKsqlOk) {
        answers_.push_back({text, result});
    }
    const std::vector<std::string>& statements() const { return statements_; }
    std::string installDir() const { return dir_.path(); }

    // The answer to the check that the target exists, which every target load asks first; it is
    // not recorded among the statements. Empty: the check is answered like any statement.
    std::string targetCheck = "PROJECTS\tSTATES\tPACKAGES\n1\t1\t1\n";

    int Run(const std::string& statement) override {
        if (!targetCheck.empty() && statement.find(" AS PROJECTS, ") != std::string::npos) {
            WriteFile(ResultPath(), targetCheck);
            return qv::kKsqlOk;
        }
        statements_.push_back(statement);
        struct Answer a {
            std::string(qv::kKsqlZeroResults) + "\n", qv::kKsqlOk
        };
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
        WriteFile(ResultPath(), a.result == qv::kKsqlOk ? a.text : std::string());
        return a.result;
    }
    qv::FirstValue First() override { return qv::ReadFirstValue(dir_.path(), host_); }
    std::vector<std::string> Values() override { return qv::ReadValues(dir_.path(), host_); }
    qv::ResultLines Lines(size_t readSize) override {
        return qv::ReadResultLines(ResultPath(), readSize);
    }
    std::string ResultPath() const override { return qv::KsqlResultPath(dir_.path()); }

private:
    qv::Host& host_;
    TempDir dir_;
    std::deque<struct Answer> answers_;
    std::vector<std::string> statements_;
};

}  // namespace qvtest

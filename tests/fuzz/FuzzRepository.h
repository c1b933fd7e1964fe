// A repository for the harnesses that answers each statement with a fuzzed answer: the run's
// result and the text of the result file it leaves, which the real readers then read.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/HeadlessHost.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/fuzz/FuzzSupport.h"

namespace qvfuzz {

// Answers each statement with the next fuzzed answer; the zero-results line when none is left.
class FuzzRepository : public qv::Repository {
public:
    struct Answer {
        int result;
        std::string text;
    };
    FuzzRepository(qv::Host& host, std::deque<Answer> answers)
        : host_(host), answers_(std::move(answers)) {}

    int Run(const std::string&) override {
        ++runs;
        Answer a{qv::kKsqlOk, std::string(qv::kKsqlZeroResults) + "\n"};
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
        unwritten = unwritten || a.result == qv::kKsqlStatementUnwritten;
        WriteFile(ResultPath(), a.result == qv::kKsqlOk ? a.text : std::string());
        return a.result;
    }
    qv::FirstValue First() override { return qv::ReadFirstValue(WorkDir(), host_); }
    std::vector<std::string> Values() override { return qv::ReadValues(WorkDir(), host_); }
    qv::ResultLines Lines(size_t readSize) override {
        return qv::ReadResultLines(ResultPath(), readSize);
    }
    std::string ResultPath() const override { return qv::KsqlResultPath(WorkDir()); }

    int runs = 0;
    bool unwritten = false;

private:
    qv::Host& host_;
    std::deque<Answer> answers_;
};

}  // namespace qvfuzz

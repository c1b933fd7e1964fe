// The repository as the analysis sees it: run one statement, then read what it left. The
// analysis code takes this interface, so that it runs unchanged over the query tool
// (KsqlRepository) and over result-file texts in tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scm/InstallDirLock.h"
#include "scm/Ksql.h"

namespace qv {

// The raw lines of a result file, as the line reader hands them out.
struct ResultLines {
    bool readable = false;  // false: the file could not be opened or a read failed
    std::vector<std::string> lines;
};

class Repository {
public:
    virtual ~Repository() = default;
    // Runs one statement; the result is RunKsql's (kKsqlOk, kKsqlFailed,
    // kKsqlStatementUnwritten). kKsqlStatementUnwritten also when the statement could not be
    // run at all (the reason has been shown).
    virtual int Run(const std::string& statement) = 0;
    // The readers of the result file the last run left (see ReadFirstValue and ReadValues; they
    // show "Unable to read: %s" themselves).
    virtual FirstValue First() = 0;
    virtual std::vector<std::string> Values() = 0;
    // Every line of the result file, header and blank lines included, read `readSize` characters
    // at a time. Nothing is shown when the file cannot be read: the caller says what failed.
    virtual ResultLines Lines(size_t readSize) = 0;
    // The result file's path, for messages.
    virtual std::string ResultPath() const = 0;
};

// The repository through the query tool: statements run with RunKsql in the context's install
// directory, and the result file there is read. The install directory's lock is taken before the
// statement is written and held until the result has been read (First, Values or Lines), the run
// has failed, or the object goes, so that another program on the same directory never replaces
// the files in between. When another program holds it for longer than the lock wait, Run shows
// why and gives kKsqlStatementUnwritten, and the tool does not run.
class KsqlRepository : public Repository {
public:
    explicit KsqlRepository(KsqlContext& context, int timeLimitSeconds = -1,
                            int lockWaitMs = kInstallDirLockWaitMs)
        : context_(context), timeLimitSeconds_(timeLimitSeconds), lockWaitMs_(lockWaitMs) {}
    ~KsqlRepository() override;

    int Run(const std::string& statement) override;
    FirstValue First() override;
    std::vector<std::string> Values() override;
    ResultLines Lines(size_t readSize) override;
    std::string ResultPath() const override;

private:
    KsqlContext& context_;
    int timeLimitSeconds_;
    int lockWaitMs_;
};

// Passes every call to another repository and counts the runs that failed: the tool could not be
// started or left no result. Such a run answers nothing, and whatever was decided without its
// answer must not pass for a prediction, so the owner tells the user how many there were.
class CountingRepository : public Repository {
public:
    void Use(Repository& inner) { inner_ = &inner; }
    int FailedRuns() const { return failedRuns_; }

    int Run(const std::string& statement) override {
        const int result = inner_->Run(statement);
        if (result == kKsqlFailed) ++failedRuns_;
        return result;
    }
    FirstValue First() override { return inner_->First(); }
    std::vector<std::string> Values() override { return inner_->Values(); }
    ResultLines Lines(size_t readSize) override { return inner_->Lines(readSize); }
    std::string ResultPath() const override { return inner_->ResultPath(); }

private:
    Repository* inner_ = nullptr;
    int failedRuns_ = 0;
};

// The warning after a loading or an analysis during which `failed` runs of the query tool left
// no result; `during` names what ran ("the loading", "the analysis").
std::string FailedRunsMessage(int failed, const char* during);

// Reads every line of a file with the shared line reader.
ResultLines ReadResultLines(const std::string& path, size_t readSize);

}  // namespace qv

// The run of the analysis over a list of rows, without a window: each checked row classified
// against its target record, top to bottom, the repository's answers asked ahead where the query
// mode says so, and every step handed to an observer that shows it, lets input through between
// rows and says when the run is to stop. The main window and the batch program are observers.
#pragma once

#include <string>
#include <vector>

#include "engine/BulkAnswers.h"
#include "engine/Classify.h"
#include "engine/MappedVersion.h"
#include "engine/Records.h"
#include "engine/TargetIndex.h"

namespace qv {

// What the run asks of its front end, row by row. Rows are read when the run reaches them.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    virtual int RowCount() const = 0;
    // True when the row takes part in the run.
    virtual bool IsChecked(int row) const = 0;
    // The source record of a row (file, path, version, tag and source package).
    virtual CFObj Source(int row) const = 0;
    // The row's outcome before the run.
    virtual std::string StatusBefore(int row) const = 0;

    // An unchecked row: its outcome is emptied.
    virtual void Skipped(int row) = 0;
    // Where the classification of a row writes its texts and colours.
    virtual OutcomeSink& Sink(int row) = 0;
    // A row is classified against `target` (its outcome in target.result).
    virtual void Done(int row, const CFObj& source, const CTFObj& target) = 0;
    // A source with the R tag: the run stops before it.
    virtual void RTagged(int row, const std::string& name) = 0;
    // The calculation could not send its statement: the row gets `statusBefore` back and the run
    // stops.
    virtual void Abandoned(int row, const std::string& statusBefore) = 0;

    enum class Next { Go, Cancelled, Ended };
    // After every row, checked or not: input may be let through here. Anything but Go stops the
    // run after this row.
    virtual Next AfterRow(int row) = 0;
};

// The warning of an R-tagged source item, which stops a run.
std::string RTaggedMessage(const std::string& name);

// The options of one run.
struct RunOptions {
    std::string mergeOption;
    std::string placement;
    std::string tgtPackage;
};

// How a run ended, and at which row (the last one worked on).
struct RunEnd {
    enum Kind { Finished, RTagged, Abandoned, Cancelled, Ended } kind = Finished;
    int row = -1;
};

// The run over the observer's rows against the target items.
class AnalysisRun {
public:
    AnalysisRun(const CMapStrToTFObj& targets, MappedVersionCalculator& calculator,
                MappedSource mapped)
        : targets_(targets), calculator_(calculator), mapped_(std::move(mapped)) {}

    // With QueryMode::Bulk asks `repository` ahead for the target records of the checked rows
    // (see MappedVersionCalculator::AskAhead); otherwise forgets answers asked before.
    void AskAhead(QueryMode mode, Repository& repository, const RunObserver& rows,
                  const std::string& placement);

    // Classifies every checked row in turn; stops at an R-tagged source, an abandoned
    // calculation, or when the observer says so.
    RunEnd Run(const RunOptions& options, RunObserver& rows);

    // Classifies one row outside a run (its outcome, not its check box, counts). Abandoned when
    // the calculation could not send its statement (the row then has its outcome back).
    ClassifyResult RunOne(int row, const RunOptions& options, RunObserver& rows, CTFObj& target);

    const TargetNameIndex& Targets() const { return targets_; }

private:
    TargetNameIndex targets_;
    MappedVersionCalculator& calculator_;
    MappedSource mapped_;
};

}  // namespace qv

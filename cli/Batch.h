// One batch analysis: the engine's operations, as the desktop program runs them for "Set CPM
// Context..." and "Cross Project Merge Analysis", on the headless host: the named packages are
// checked against the package search and loaded, the target is checked and loaded, and every
// row is classified; message boxes become one-line messages, and any of them means the analysis
// did not run cleanly.
#pragma once

#include <functional>
#include <string>

#include "cli/Options.h"
#include "cli/Output.h"
#include "host/headless/HeadlessHost.h"
#include "scm/Repository.h"

namespace qv::cli {

// Exit statuses.
inline constexpr int kExitClean = 0;
inline constexpr int kExitConflict = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailed = 3;

// The headless host of the batch program: every message box is handed on as one line (its
// lines joined with " - ", the password masked) and counted; questions are answered No.
class BatchHost : public HeadlessHost {
public:
    std::function<void(const std::string&)> onMessage;
    // Called whenever pending messages are let through (after every row of a run).
    std::function<void()> onPump;
    // Texts that are masked in every message.
    std::string secret;
    int failures = 0;

    MsgResult MessageBox(MsgKind kind, const std::string& text,
                         const std::string& caption = {}) override;
    void PumpMessages() override;
    // One line from a message's text, as onMessage receives it.
    std::string OneLine(const std::string& text) const;
    // Reports a message of the batch program's own; counts as a failure.
    void Fail(const std::string& text);
};

// The settings the batch program runs with: the user's stored KsqlFmt and KcoFmt when there are
// any and the user's column layout of the result list; everything else the built-in defaults.
// Held in memory, so no file of the user changes.
void UseIsolatedSettings();

// True when the output format shows the rows' reasons.
bool NeedsReasons(const BatchOptions& options);

struct BatchResult {
    bool ok = false;  // false: the analysis could not run or was stopped (messages were given)
    ResultTable table;
};

// What the progress line shows: "done/total file" while rows are worked on, else empty.
using ProgressFn = std::function<void(const std::string&)>;

// For measurements: given the main window's own repository, the one its queries go to instead.
using RepositoryWrapper = std::function<Repository*(Repository& own)>;

// Runs the analysis in `workDir` with the password; messages go through the host, the progress
// of the run to `progress` (when given) after every row.
BatchResult RunBatch(const BatchOptions& options, const std::string& password,
                     const std::string& workDir, BatchHost& host, const ProgressFn& progress = {},
                     const RepositoryWrapper& wrapRepository = {});

}  // namespace qv::cli

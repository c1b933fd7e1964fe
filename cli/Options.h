// The batch program's command line: its options, their parsing into one value, the help text,
// and the short option words that stand for the option-list entries of the main window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv::cli {

inline constexpr char kProgram[] = "cpm-analyze";

enum class Format { Text, List, Json, Tsv, Junit, Html, Markdown };
// Auto: the progress line shows when standard error is a terminal.
enum class Progress { Auto, On, Off };

struct BatchOptions {
    std::string broker;
    std::string user;
    std::string srcProject;
    std::string srcState;
    std::vector<std::string> packages;  // in the order given, each once
    std::string tgtProject;
    std::string tgtState;
    std::string tgtPackage;
    std::string mergeOption;  // the option-list entry, e.g. "Merge Conservatively"
    std::string placement;    // the option-list entry, e.g. "Branch Only"
    Format format = Format::Text;
    std::string output;  // empty: standard output
    bool conflictsOnly = false;
    std::string passwordFile;
    std::string workDir;    // empty: a fresh private directory, removed at the end
    std::string traceFile;  // empty: no trace
    Progress progress = Progress::Auto;
    bool perItemQueries = false;  // --queries per-item: one statement per item, as rows need it
    bool why = false;             // --why: the tsv format gains a "Why" column
    std::string compareFile;      // --compare: the earlier prediction to report changes against
};

enum class ParseAction { Run, Help, Version, UsageError };

struct ParseResult {
    ParseAction action = ParseAction::UsageError;
    BatchOptions options;
    std::string error;  // for UsageError: one line, without the program's name
};

// Parses the arguments after the program's name. Options take their value as the next argument
// or after '='. Every option but --package is given at most once; the eight context options are
// required; --help and --version win over everything else.
ParseResult ParseOptions(const std::vector<std::string>& args);

// The option-list entry a merge or placement word names: the short word ("conservative",
// "branch", ...) or the entry's full text, exactly. Nothing for any other text.
std::optional<std::string> MergeOptionEntry(const std::string& word);
std::optional<std::string> PlacementEntry(const std::string& word);

// What --help prints: every option, one per line or more.
std::string HelpText();
// What --version prints.
std::string VersionText();

}  // namespace qv::cli

#include "cli/Options.h"

#include <algorithm>
#include <utility>

#include "app/Paths.h"

namespace qv::cli {

namespace {

struct Word {
    const char* word;
    const char* entry;
};

constexpr Word kMergeWords[] = {
    {"conservative", "Merge Conservatively"},
    {"aggressive", "Merge Aggressively"},
    {"take-trunk", "Take Trunk Version"},
    {"take-branch", "Take Branch Version"},
};

constexpr Word kPlacementWords[] = {
    {"branch", "Branch Only"},
    {"trunk", "Trunk Only"},
    {"trunk-or-branch", "Trunk or Branch"},
};

template <size_t N>
std::optional<std::string> Lookup(const Word (&words)[N], const std::string& text) {
    for (const Word& w : words)
        if (text == w.word || text == w.entry) return std::string(w.entry);
    return std::nullopt;
}

// Options that take a value, with the field it goes to.
struct ValueOption {
    const char* name;
    std::string BatchOptions::*field;
};

constexpr ValueOption kValueOptions[] = {
    {"--broker", &BatchOptions::broker},
    {"--user", &BatchOptions::user},
    {"--source-project", &BatchOptions::srcProject},
    {"--source-state", &BatchOptions::srcState},
    {"--target-project", &BatchOptions::tgtProject},
    {"--target-state", &BatchOptions::tgtState},
    {"--target-package", &BatchOptions::tgtPackage},
    {"--output", &BatchOptions::output},
    {"--password-file", &BatchOptions::passwordFile},
    {"--work-dir", &BatchOptions::workDir},
    {"--trace", &BatchOptions::traceFile},
};

// The options without which no analysis can be named.
constexpr const char* kRequired[] = {
    "--broker",  "--user",           "--source-project", "--source-state",
    "--package", "--target-project", "--target-state",   "--target-package",
};

ParseResult Fail(std::string error) {
    ParseResult r;
    r.action = ParseAction::UsageError;
    r.error = std::move(error);
    return r;
}

}  // namespace

std::optional<std::string> MergeOptionEntry(const std::string& word) {
    return Lookup(kMergeWords, word);
}

std::optional<std::string> PlacementEntry(const std::string& word) {
    return Lookup(kPlacementWords, word);
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help") return {ParseAction::Help, {}, {}};
        if (a == "--version") return {ParseAction::Version, {}, {}};
        if (a == "--") break;
    }

    ParseResult result;
    result.action = ParseAction::Run;
    BatchOptions& o = result.options;
    std::vector<std::string> seen;
    std::string merge = "conservative";
    std::string placement = "branch";
    std::string format = "text";
    std::string queries = "bulk";

    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            if (const size_t eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.erase(eq);
            }
        } else {
            return Fail("unexpected argument: " + name);
        }
        // A password on the command line would be seen by every user of the machine.
        if (name == "--password" || name == "--pw")
            return Fail(name + " is not accepted; give --password-file or set QUORVEL_PASSWORD");

        const bool repeatable = name == "--package";
        const bool flag = name == "--conflicts-only" || name == "--progress" || name == "--quiet" ||
                          name == "--why";
        std::string BatchOptions::*field = nullptr;
        for (const ValueOption& v : kValueOptions)
            if (name == v.name) field = v.field;
        const bool takesValue = field || repeatable || name == "--merge" || name == "--placement" ||
                                name == "--format" || name == "--queries" || name == "--compare";
        if (!takesValue && !flag) return Fail("unknown option: " + name);
        if (!repeatable && std::find(seen.begin(), seen.end(), name) != seen.end())
            return Fail(name + " is given more than once");
        seen.push_back(name);

        if (flag) {
            if (inlineValue) return Fail(name + " takes no value");
            if (name == "--conflicts-only") o.conflictsOnly = true;
            if (name == "--progress") o.progress = Progress::On;
            if (name == "--quiet") o.progress = Progress::Off;
            if (name == "--why") o.why = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return Fail(name + " needs a value");
        }
        if (field) {
            o.*field = value;
        } else if (repeatable) {
            if (std::find(o.packages.begin(), o.packages.end(), value) == o.packages.end())
                o.packages.push_back(value);
        } else if (name == "--merge") {
            merge = value;
        } else if (name == "--placement") {
            placement = value;
        } else if (name == "--queries") {
            queries = value;
        } else if (name == "--compare") {
            if (value.empty()) return Fail("--compare needs a file");
            o.compareFile = value;
        } else {
            format = value;
        }
    }

    if (std::find(seen.begin(), seen.end(), "--progress") != seen.end() &&
        std::find(seen.begin(), seen.end(), "--quiet") != seen.end())
        return Fail("--progress and --quiet exclude each other");
    for (const char* required : kRequired)
        if (std::find(seen.begin(), seen.end(), required) == seen.end())
            return Fail(std::string("missing option: ") + required);

    const auto mergeEntry = MergeOptionEntry(merge);
    if (!mergeEntry)
        return Fail("--merge must be conservative, aggressive, take-trunk or take-branch: " +
                    merge);
    o.mergeOption = *mergeEntry;
    const auto placementEntry = PlacementEntry(placement);
    if (!placementEntry)
        return Fail("--placement must be branch, trunk or trunk-or-branch: " + placement);
    o.placement = *placementEntry;

    static const std::pair<const char*, Format> formats[] = {
        {"text", Format::Text},        {"list", Format::List},   {"json", Format::Json},
        {"tsv", Format::Tsv},          {"junit", Format::Junit}, {"html", Format::Html},
        {"markdown", Format::Markdown}};
    bool known = false;
    for (const auto& [word, f] : formats)
        if (format == word) {
            o.format = f;
            known = true;
        }
    if (!known)
        return Fail("--format must be text, list, json, tsv, junit, html or markdown: " + format);
    if (queries != "bulk" && queries != "per-item")
        return Fail("--queries must be bulk or per-item: " + queries);
    o.perItemQueries = queries == "per-item";
    return result;
}

std::string HelpText() {
    return R"(Usage: cpm-analyze --broker NAME --user USER
                   --source-project P --source-state S --package PKG [--package PKG ...]
                   --target-project P --target-state S --target-package PKG
                   [--merge conservative|aggressive|take-trunk|take-branch]
                   [--placement branch|trunk|trunk-or-branch] [--queries bulk|per-item]
                   [--format text|list|json|tsv|junit|html|markdown] [--output FILE]
                   [--conflicts-only] [--why] [--compare OLD]
                   [--password-file FILE] [--work-dir DIR] [--trace FILE] [--progress|--quiet]
       cpm-analyze --help | --version

Predicts, item by item, what a cross project merge of the source packages into the target
package would do, exactly as the desktop program's analysis does, and reports it.

Context:
  --broker NAME            the broker that names the repository
  --user USER              the login user
  --source-project P       the source project
  --source-state S         the source state
  --package PKG            a source package of that state; repeat for several packages
  --target-project P       the target project
  --target-state S         the target state
  --target-package PKG     the target package

Analysis:
  --merge WORD             conservative (default), aggressive, take-trunk or take-branch; the
                           texts "Merge Conservatively", "Merge Aggressively", "Take Trunk
                           Version" and "Take Branch Version" are accepted too
  --placement WORD         branch (default), trunk or trunk-or-branch; also "Branch Only",
                           "Trunk Only" and "Trunk or Branch"
  --queries WORD           bulk (default): the repository is asked a few statements for all
                           items before the rows are classified; per-item: one statement for
                           each row that needs one, as the row is classified. The outcomes are
                           the same.

Output:
  --format FORMAT          text (default): an aligned table and a summary line;
                           list: the saved-list format of the desktop program;
                           json: {"rows": [...], "summary": {...}}, each row with "why"
                           (the reason of its outcome), "facts", "target_version" and
                           "outcome" (its kind);
                           tsv: the fourteen result-list columns, tab-separated, with a header;
                           junit: JUnit XML for CI systems, a conflict as a failure;
                           html: one self-contained report with a summary, filters and search;
                           markdown: a summary table and the conflicts
  --why                    tsv: add a "Why" column with the reason of each outcome
  --compare OLD            report the rows whose outcome changed since OLD (a list-format file
                           or a list saved by the desktop program): new and resolved conflicts,
                           changed target versions, rows added and removed
  --output FILE            write the result to FILE (whole or not at all) instead of standard
                           output
  --conflicts-only         keep only the rows whose outcome is a conflict ((D), (U) or (E))

Running:
  --password-file FILE     read the password from the first line of FILE; without it the
                           password comes from QUORVEL_PASSWORD, else from a prompt without echo
                           when standard input is a terminal. It is never taken as an argument.
  --work-dir DIR           keep the statement, result and log files (and the target data file,
                           reused by later runs for the same target project and state) in DIR;
                           default: a fresh private temporary directory, removed at the end
                           (or by the next run when this one was killed)
  --trace FILE             write the trace log to FILE (default: no trace); a trace that cannot
                           be written ends the run with status 3
  --progress               show the progress line on standard error even when it is not a
                           terminal
  --quiet                  never show the progress line
  --help                   show this help and end
  --version                show the version and end

Exit status: 0 the analysis finished without a conflict; 1 it finished and at least one row is a
conflict; 2 usage error; 3 the analysis could not run or was stopped (the message says why).
)";
}

std::string VersionText() {
    return VersionLine(kProgram);
}

}  // namespace qv::cli

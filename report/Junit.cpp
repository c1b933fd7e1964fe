// The result as JUnit XML, as CI systems read test results: a suite per source package, a test
// case per row, a failure per conflict.
#include <deque>
#include <map>
#include <utility>

#include "engine/Outcome.h"
#include "report/Reports.h"
#include "report/ResultColumns.h"
#include "report/XmlText.h"

namespace qv {

namespace {

// The name of the suite of a row without a source package.
constexpr char kNoPackage[] = "(no package)";

std::string Attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + XmlEscaped(value, true) + "\"";
}

std::string Attr(const char* name, int value) {
    return Attr(name, std::to_string(value));
}

// "2026-12-09 22:50:00 UTC" as an XML date and time in UTC ("2026-12-09T22:50:00"); empty for
// any other text.
std::string Timestamp(const std::string& made) {
    static const char pattern[] = "dddd-dd-dd dd:dd:dd UTC";
    if (made.size() != sizeof pattern - 1) return {};
    for (size_t i = 0; i < made.size(); ++i) {
        const bool digit = made[i] >= '0' && made[i] <= '9';
        if (pattern[i] == 'd' ? !digit : made[i] != pattern[i]) return {};
    }
    return made.substr(0, 10) + 'T' + made.substr(11, 8);
}

// The suites' properties: the context and options, and what the result was compared with.
std::string Properties(const ReportContext& c, const Changes* changes) {
    std::vector<std::pair<const char*, std::string>> props = {
        {"broker", c.broker},
        {"source_project", c.srcProject},
        {"source_state", c.srcState},
        {"source_packages", CommaJoined(c.packages)},
        {"target_project", c.tgtProject},
        {"target_state", c.tgtState},
        {"target_package", c.tgtPackage},
        {"merge_option", c.mergeOption},
        {"placement", c.placement},
        {"made", c.made},
        {"made_by", c.madeBy},
    };
    if (changes) {
        std::string counts;
        for (int k = 0; k < static_cast<int>(ChangeKind::Count); ++k)
            counts += std::string(k ? ", " : "") + ChangeKindName(static_cast<ChangeKind>(k)) +
                      " " + std::to_string(changes->Count(static_cast<ChangeKind>(k)));
        props.emplace_back("compared_with", changes->oldFile);
        props.emplace_back("changes", counts);
    }
    std::string out;
    for (const auto& [name, value] : props)
        if (!value.empty())
            out += "      <property" + Attr("name", name) + Attr("value", value) + "/>\n";
    return out.empty() ? out : "    <properties>\n" + out + "    </properties>\n";
}

// The text of a failure: the reason's sentence and its facts, or the outcome when there is none.
std::string FailureText(const std::string& outcome, const OutcomeReason* reason) {
    if (!reason || reason->why.empty()) return outcome;
    std::string text = reason->why;
    for (const Fact& f : reason->facts) text += std::string("\n") + f.name + ": " + f.value;
    return text;
}

// What a change says in a test case's output.
std::string ChangeText(const RowChange& c, const std::string& oldFile) {
    std::string text = std::string(ChangeKindName(c.kind)) + " since " + oldFile + ": ";
    if (c.kind == ChangeKind::Added) return text + "not there before, now " + c.after;
    if (c.kind == ChangeKind::Removed) return text + "was " + c.before + ", not there now";
    return text + c.before + " => " + c.after;
}

struct Case {
    size_t row = 0;
    const RowChange* change = nullptr;
};

struct Suite {
    std::string name;
    std::vector<Case> cases;
    int failures = 0;
    int skipped = 0;
};

std::string Key(const std::string& path, const std::string& file) {
    return path + '\n' + file;
}

// The changes of the shown rows, by row. The changes are in the rows' order, each naming its
// item and current outcome; a row takes the next change of its item when that names its outcome,
// so that an unchanged row of an item with several rows takes none.
std::vector<const RowChange*> ChangesByRow(const ResultTable& table, const Changes* changes) {
    std::vector<const RowChange*> byRow(table.rows.size(), nullptr);
    if (!changes) return byRow;
    std::map<std::string, std::deque<const RowChange*>> pending;
    for (const RowChange& c : changes->rows)
        if (c.kind != ChangeKind::Removed) pending[Key(c.path, c.file)].push_back(&c);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        auto it = pending.find(Key(CellOf(row, kColPath), CellOf(row, kColFile)));
        if (it == pending.end() || it->second.empty()) continue;
        if (it->second.front()->after != CellOf(row, kColMergeStatus)) continue;
        byRow[r] = it->second.front();
        it->second.pop_front();
    }
    return byRow;
}

std::string SuiteOpen(const Suite& s, int tests, const std::string& timestamp) {
    std::string out = "  <testsuite" + Attr("name", s.name) + Attr("tests", tests) +
                      Attr("failures", s.failures) + Attr("errors", 0) +
                      Attr("skipped", s.skipped) + Attr("time", "0");
    if (!timestamp.empty()) out += Attr("timestamp", timestamp);
    return out + ">\n";
}

}  // namespace

std::string JunitReport(const ResultTable& table, const ReportContext& context,
                        const Changes* changes) {
    const std::vector<const RowChange*> changeOf = ChangesByRow(table, changes);

    // One suite per source package, in the order the packages first appear.
    std::vector<Suite> suites;
    std::map<std::string, size_t> suiteOf;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        std::string package = CellOf(row, kColSrcPackage);
        if (package.find_first_not_of(' ') == std::string::npos) package = kNoPackage;
        auto [it, added] = suiteOf.emplace(package, suites.size());
        if (added) suites.push_back({package, {}, 0, 0});
        Suite& suite = suites[it->second];
        suite.cases.push_back({r, changeOf[r]});
        const std::string& outcome = CellOf(row, kColMergeStatus);
        if (IsConflict(outcome))
            ++suite.failures;
        else if (KindOf(outcome) == OutcomeKind::NotAnalysed)
            ++suite.skipped;
    }
    // A result without rows still tells what was analysed.
    if (suites.empty())
        suites.push_back(
            {context.packages.empty() ? kNoPackage : CommaJoined(context.packages), {}, 0, 0});
    std::vector<const RowChange*> removed;
    if (changes)
        for (const RowChange& c : changes->rows)
            if (c.kind == ChangeKind::Removed) removed.push_back(&c);

    int failures = 0, skipped = 0;
    for (const Suite& s : suites) failures += s.failures, skipped += s.skipped;
    const int tests = static_cast<int>(table.rows.size() + removed.size());
    const std::string timestamp = Timestamp(context.made);
    const std::string properties = Properties(context, changes);

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuites" + Attr("name", "merge prediction") + Attr("tests", tests) +
           Attr("failures", failures) + Attr("errors", 0) + Attr("skipped", skipped) +
           Attr("time", "0") + ">\n";
    for (const Suite& s : suites) {
        out += SuiteOpen(s, static_cast<int>(s.cases.size()), timestamp) + properties;
        for (const Case& c : s.cases) {
            const auto& row = table.rows[c.row];
            const std::string& outcome = CellOf(row, kColMergeStatus);
            out += "    <testcase" + Attr("name", CellOf(row, kColFile)) +
                   Attr("classname", CellOf(row, kColPath)) + Attr("time", "0");
            std::string body;
            if (IsConflict(outcome)) {
                body += "      <failure" + Attr("message", outcome) +
                        Attr("type", KindName(KindOf(outcome))) + ">" +
                        XmlEscaped(FailureText(outcome, table.ReasonOf(c.row)), false) +
                        "</failure>\n";
            } else if (KindOf(outcome) == OutcomeKind::NotAnalysed) {
                body += "      <skipped" + Attr("message", "not analysed") + "/>\n";
            }
            if (c.change)
                body += "      <system-out>" +
                        XmlEscaped(ChangeText(*c.change, changes->oldFile), false) +
                        "</system-out>\n";
            out += body.empty() ? "/>\n" : ">\n" + body + "    </testcase>\n";
        }
        out += "  </testsuite>\n";
    }
    // The rows that are gone since the earlier prediction: passing cases of a suite of their own,
    // so that they are seen and no conflict of the earlier result is counted again.
    if (!removed.empty()) {
        Suite gone{"removed since " + changes->oldFile, {}, 0, 0};
        out += SuiteOpen(gone, static_cast<int>(removed.size()), timestamp) + properties;
        for (const RowChange* c : removed)
            out += "    <testcase" + Attr("name", c->file) + Attr("classname", c->path) +
                   Attr("time", "0") + ">\n      <system-out>" +
                   XmlEscaped(ChangeText(*c, changes->oldFile), false) +
                   "</system-out>\n    </testcase>\n";
        out += "  </testsuite>\n";
    }
    return out + "</testsuites>\n";
}

}  // namespace qv

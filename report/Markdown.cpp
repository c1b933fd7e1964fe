// The result as Markdown for a merge-request comment or a CI job summary: the context, a summary
// table, the conflicts and the changes since an earlier prediction, short enough for a comment.
#include <string_view>

#include "engine/Outcome.h"
#include "report/Reports.h"
#include "report/ResultColumns.h"

namespace qv {

namespace {

// Comments and job summaries take about 64 KiB; the tables stop well before.
constexpr size_t kConflictsBudget = 28000;
constexpr size_t kChangesBudget = 16000;
// The longest cell text shown, and the most packages the heading names.
constexpr size_t kCellMaxChars = 300;
constexpr size_t kPackagesShown = 20;

// `text` cut to at most `max` bytes at a character boundary, with "…" when it was longer.
std::string Cut(const std::string& text, size_t max) {
    if (text.size() <= max) return text;
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "\xE2\x80\xA6";
}

// Text that Markdown shows as it is, in a table cell or a line: the characters that would start
// formatting, a link, HTML or a new cell are escaped, line breaks become <br> and other control
// characters blanks.
std::string Md(const std::string& raw) {
    const std::string text = Cut(raw, kCellMaxChars);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (c == '\n' || c == '\r') {
            out += "<br>";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (std::string_view("\\|`*_[]<>&#~!").find(c) != std::string_view::npos) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Row(const std::vector<std::string>& cells) {
    std::string line = "|";
    for (const std::string& c : cells) line += " " + c + " |";
    return line + "\n";
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Heading(const ReportContext& c) {
    // A report made without a context (a saved list alone) has a plain heading.
    std::string out = "## Merge prediction";
    if (!c.srcProject.empty() || !c.tgtProject.empty())
        out += ": " + Md(c.srcProject) + "/" + Md(c.srcState) + " \xE2\x86\x92 " +
               Md(c.tgtProject) + "/" + Md(c.tgtState) + "/" + Md(c.tgtPackage);
    out += "\n\n";
    std::vector<std::string> facts;
    if (!c.broker.empty()) facts.push_back("Broker: " + Md(c.broker));
    if (!c.packages.empty()) {
        std::string packages;
        for (size_t i = 0; i < c.packages.size() && i < kPackagesShown; ++i)
            packages += (i ? ", " : "") + c.packages[i];
        packages = Md(packages);
        if (c.packages.size() > kPackagesShown)
            packages += " and " + std::to_string(c.packages.size() - kPackagesShown) + " more";
        facts.push_back("Packages: " + packages);
    }
    if (!c.mergeOption.empty()) facts.push_back("Merge option: " + Md(c.mergeOption));
    if (!c.placement.empty()) facts.push_back("Placement: " + Md(c.placement));
    if (!c.made.empty())
        facts.push_back("Made " + Md(c.made) + (c.madeBy.empty() ? "" : " by " + Md(c.madeBy)));
    for (const std::string& f : facts) out += "- " + f + "\n";
    return facts.empty() ? out : out + "\n";
}

// A table of rows that stops before it passes `budget` characters, saying how many are left out.
class CappedTable {
public:
    CappedTable(std::vector<std::string> titles, size_t budget, const char* what)
        : budget_(budget), what_(what) {
        text_ = Row(titles);
        std::string rule = "|";
        for (size_t i = 0; i < titles.size(); ++i) rule += "---|";
        text_ += rule + "\n";
    }
    void Add(const std::vector<std::string>& cells) {
        if (left_ == 0) {
            std::string line = Row(cells);
            if (text_.size() + line.size() <= budget_) {
                text_ += line;
                return;
            }
        }
        ++left_;
    }
    std::string Text() const {
        if (left_ == 0) return text_ + "\n";
        return text_ + "\n\xE2\x80\xA6 and " + std::to_string(left_) + " more " + what_ + "\n\n";
    }

private:
    std::string text_;
    size_t budget_;
    const char* what_;
    int left_ = 0;
};

}  // namespace

std::string MarkdownReport(const ResultTable& table, const ReportContext& context,
                           const Changes* changes) {
    std::string out = Heading(context);
    const Summary s = Summarize(table);
    out += "**" + Plural(s.rows, "row", "rows") + ", " +
           Plural(s.conflicts, "conflict", "conflicts") + "**\n\n";
    out += "| Outcome | Rows |\n|---|---:|\n";
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k)
        if (s.byKind[k] > 0)
            out += Row({Md(KindName(static_cast<OutcomeKind>(k))), std::to_string(s.byKind[k])});
    out += "\n";

    if (s.conflicts > 0) {
        out += "### Conflicts\n\n";
        CappedTable conflicts({"File", "Path", "Outcome", "Why"}, kConflictsBudget, "conflicts");
        for (size_t r = 0; r < table.rows.size(); ++r) {
            const auto& row = table.rows[r];
            const std::string& outcome = CellOf(row, kColMergeStatus);
            if (!IsConflict(outcome)) continue;
            const OutcomeReason* reason = table.ReasonOf(r);
            conflicts.Add({Md(CellOf(row, kColFile)), Md(CellOf(row, kColPath)), Md(outcome),
                           Md(reason ? reason->why : std::string())});
        }
        out += conflicts.Text();
    }

    if (changes) {
        out += "### Changes since " + Md(changes->oldFile) + "\n\n";
        out += "| Change | Rows |\n|---|---:|\n";
        for (int k = 0; k < static_cast<int>(ChangeKind::Count); ++k) {
            const auto kind = static_cast<ChangeKind>(k);
            out += Row({Md(ChangeKindName(kind)), std::to_string(changes->Count(kind))});
        }
        out += "\n";
        if (changes->rows.empty()) {
            out += "No row changed.\n";
        } else {
            CappedTable rows({"Change", "File", "Path", "Before", "Now"}, kChangesBudget,
                             "changes");
            for (const RowChange& c : changes->rows)
                rows.Add({Md(ChangeKindName(c.kind)), Md(c.file), Md(c.path), Md(c.before),
                          Md(c.after)});
            out += rows.Text();
        }
    }
    while (out.size() > 1 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n')
        out.pop_back();
    return out;
}

}  // namespace qv

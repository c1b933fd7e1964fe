// The HTML report: one page that needs nothing from outside (its style and script are inline and
// it loads nothing), so that it opens the same from a mail attachment, a CI artifact or a disk.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/Outcome.h"
#include "report/HtmlAssets.h"
#include "report/Reports.h"
#include "report/ResultColumns.h"

namespace qv {

namespace {

constexpr int kKindCount = static_cast<int>(OutcomeKind::Count);

// The columns the table shows, with the titles used when the table has none.
struct ShownColumn {
    int column;
    const char* title;
};
constexpr ShownColumn kShownColumns[] = {
    {kColFile, "File"},
    {kColPath, "Path"},
    {kColVersion, "Version"},
    {kColTag, "Tag"},
    {kColMergeStatus, "Merge Status"},
    {kColSrcPackage, "Src Package"},
};

// Text for the page: the five characters that mean something in HTML are written as references,
// so a file name such as `a<b>&"c".cpp` shows as it is, in a cell as in an attribute.
void Escape(std::string& out, const std::string& text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
}

std::string Escaped(const std::string& text) {
    std::string out;
    Escape(out, text);
    return out;
}

// A desktop colour (0x00BBGGRR, red in the low byte) as a CSS colour "#rrggbb".
std::string CssColor(ColorRef color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFFu, (color >> 8) & 0xFFu,
                  (color >> 16) & 0xFFu);
    return text;
}

// The colour of an outcome kind in the chart: the colour the desktop list gives its texts, a
// grey for rows without an outcome.
std::string KindColor(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::MergeTagged:
            return CssColor(ColorMergeTagged);
        case OutcomeKind::Unmerged:
        case OutcomeKind::TagExists:
        case OutcomeKind::Deleted:
            return CssColor(ColorProblem);
        case OutcomeKind::Ignored:
            return CssColor(ColorIgnored);
        case OutcomeKind::NotAnalysed:
            return "#8a8a8a";
        default:
            return CssColor(ColorResult);
    }
}

std::string Title(const ResultTable& table, const ShownColumn& c) {
    const std::string& title = CellOf(table.titles, c.column);
    return title.empty() ? c.title : title;
}

// A value of the context; a muted "(not given)" when it is empty.
std::string ValueOrNone(const std::string& value) {
    return value.empty() ? "<span class=\"none\">(not given)</span>" : Escaped(value);
}

// Where the source and target of the analysis are, "Payroll DEV -> PayrollEU DEV".
std::string Heading(const ReportContext& c) {
    auto side = [](const std::string& project, const std::string& state) {
        std::string s = project;
        if (!state.empty()) s += (s.empty() ? "" : " ") + state;
        return s;
    };
    const std::string from = side(c.srcProject, c.srcState), to = side(c.tgtProject, c.tgtState);
    if (from.empty() && to.empty()) return "Merge prediction";
    return "Merge prediction: " + (from.empty() ? "?" : from) + " \u2192 " +
           (to.empty() ? "?" : to);
}

void AddContext(std::string& out, const ReportContext& c) {
    out += "<h1>" + Escaped(Heading(c)) + "</h1>\n";
    std::string made;
    if (!c.made.empty()) made += " " + Escaped(c.made);
    if (!c.madeBy.empty()) made += " by " + Escaped(c.madeBy);
    if (!c.broker.empty()) made += " against broker " + Escaped(c.broker);
    if (!made.empty()) out += "<p class=\"made\">Made" + made + ".</p>\n";
    out += "<section id=\"context\"><h2>Context and options</h2>\n<dl class=\"context\">\n";
    // In two columns: the source beside the target, the merge option beside the placement.
    const std::pair<const char*, std::string> items[] = {
        {"Broker", c.broker},
        {"User", c.user},
        {"Source project", c.srcProject},
        {"Target project", c.tgtProject},
        {"Source state", c.srcState},
        {"Target state", c.tgtState},
        {c.packages.size() == 1 ? "Source package" : "Source packages", CommaJoined(c.packages)},
        {"Target package", c.tgtPackage},
        {"Merge option", c.mergeOption},
        {"Placement", c.placement},
    };
    for (const auto& [name, value] : items)
        out += std::string("<dt>") + name + "</dt><dd>" + ValueOrNone(value) + "</dd>\n";
    out += "</dl></section>\n";
}

// The counts per outcome kind, as a table and as a bar chart whose bars select their kind.
void AddSummary(std::string& out, const Summary& s) {
    out += "<section id=\"summary\"><h2>Summary</h2>\n<p>" + std::to_string(s.rows) +
           (s.rows == 1 ? " row, " : " rows, ") + std::to_string(s.conflicts) +
           (s.conflicts == 1 ? " conflict" : " conflicts") +
           ".</p>\n<div class=\"summary\">\n<table class=\"counts\" id=\"kind-counts\">"
           "<thead><tr><th>Outcome</th><th>Rows</th></tr></thead><tbody>\n";
    for (int k = 0; k < kKindCount; ++k)
        out += std::string("<tr data-kind=\"") + KindName(static_cast<OutcomeKind>(k)) + "\"><td>" +
               KindName(static_cast<OutcomeKind>(k)) + "</td><td class=\"n\">" +
               std::to_string(s.byKind[k]) + "</td></tr>\n";
    out += "<tr class=\"total\"><td>all</td><td class=\"n\">" + std::to_string(s.rows) +
           "</td></tr>\n</tbody></table>\n";

    const int most = std::max(1, *std::max_element(std::begin(s.byKind), std::end(s.byKind)));
    constexpr int kLabel = 110, kBar = 300, kRow = 22;
    out += "<svg class=\"chart\" role=\"img\" aria-label=\"Rows per outcome kind\" width=\"" +
           std::to_string(kLabel + kBar + 60) + "\" height=\"" +
           std::to_string(kRow * kKindCount + 4) + "\">\n";
    for (int k = 0; k < kKindCount; ++k) {
        const auto kind = static_cast<OutcomeKind>(k);
        const int y = k * kRow + 2;
        const int width = s.byKind[k] == 0 ? 0 : std::max(2, s.byKind[k] * kBar / most);
        out += std::string("<a href=\"#kind=") + KindName(kind) + "\"><title>" + KindName(kind) +
               ": " + std::to_string(s.byKind[k]) + "</title><text x=\"0\" y=\"" +
               std::to_string(y + 15) + "\">" + KindName(kind) + "</text><rect x=\"" +
               std::to_string(kLabel) + "\" y=\"" + std::to_string(y + 3) + "\" width=\"" +
               std::to_string(width) + "\" height=\"" + std::to_string(kRow - 6) + "\" fill=\"" +
               KindColor(kind) + "\"></rect><text x=\"" + std::to_string(kLabel + width + 6) +
               "\" y=\"" + std::to_string(y + 15) + "\">" + std::to_string(s.byKind[k]) +
               "</text></a>\n";
    }
    out += "</svg>\n</div></section>\n";
}

// A "Merge Status" text in the colour the desktop list gives it.
std::string StatusCell(const std::string& status) {
    return "<td class=\"status\" style=\"color:" + CssColor(StatusTextColor(status)) + "\">" +
           Escaped(status) + "</td>";
}

// The reason's sentence, then its rule and facts (shown on request), "rule next_branch;
// source_version 3; ...". A fact that repeats the rule is left out.
void AddReason(std::string& out, const OutcomeReason* reason) {
    out += "<td class=\"why\">";
    if (reason) {
        Escape(out, reason->why);
        std::string facts = reason->rule.empty() ? "" : "rule " + Escaped(reason->rule);
        for (const Fact& f : reason->facts) {
            if (std::strcmp(f.name, "rule") == 0 && f.value == reason->rule) continue;
            facts += (facts.empty() ? "" : "; ") + Escaped(f.name) + " " + Escaped(f.value);
        }
        if (!facts.empty()) out += "<span class=\"facts\">" + facts + "</span>";
    }
    out += "</td>";
}

void AddFilters(std::string& out) {
    out +=
        "<div class=\"filters\" role=\"search\">\n"
        "<label><input type=\"checkbox\" id=\"f-conflicts\"> Conflicts only</label>\n"
        "<label><input type=\"checkbox\" id=\"f-facts\"> Rules and facts</label>\n"
        "<label>Outcome <select id=\"f-kind\"><option value=\"\">all kinds</option>";
    for (int k = 0; k < kKindCount; ++k) {
        const char* name = KindName(static_cast<OutcomeKind>(k));
        out += std::string("<option value=\"") + name + "\">" + name + "</option>";
    }
    out +=
        "</select></label>\n"
        "<label>Search <input type=\"search\" id=\"f-q\" placeholder=\"file, path, outcome, "
        "reason...\"></label>\n<span id=\"shown\"></span>\n"
        "<span id=\"notice\" class=\"notice\" hidden></span>\n</div>\n"
        "<noscript><p class=\"empty\">The filters, the search and the sorting need JavaScript; "
        "every row is shown.</p></noscript>\n";
}

void AddRows(std::string& out, const ResultTable& table) {
    out += "<section id=\"rows\"><h2>Results</h2>\n";
    AddFilters(out);
    // The table stays hidden until the script has applied the filters of the address: a long
    // table is then laid out once, not again and again while it loads.
    out += "<table class=\"rows\" id=\"results\" hidden><thead><tr>";
    for (const ShownColumn& c : kShownColumns)
        out += "<th><button type=\"button\">" + Escaped(Title(table, c)) + "</button></th>";
    out += "<th><button type=\"button\">Why</button></th></tr></thead>\n<tbody>\n";
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        const std::string& status = CellOf(row, kColMergeStatus);
        out += std::string("<tr data-kind=\"") + KindName(KindOf(status)) + "\"" +
               (IsConflict(status) ? " class=\"conflict\">" : ">");
        for (const ShownColumn& c : kShownColumns) {
            if (c.column == kColMergeStatus) {
                out += StatusCell(status);
                continue;
            }
            out += "<td>";
            Escape(out, CellOf(row, c.column));
            out += "</td>";
        }
        AddReason(out, table.ReasonOf(r));
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
    if (table.rows.empty()) out += "<p class=\"empty\">The result holds no rows.</p>\n";
    out +=
        "<p class=\"empty\" id=\"no-match\" hidden>No row matches the filters.</p>\n"
        "<p><button type=\"button\" id=\"more\" hidden>Show all matching rows</button></p>\n";
    out += "</section>\n";
}

void AddChanges(std::string& out, const Changes& changes) {
    out += "<section id=\"changes\"><h2>Changes since " + Escaped(changes.oldFile) +
           "</h2>\n<table class=\"counts\" id=\"change-counts\"><thead><tr><th>Change</th>"
           "<th>Rows</th></tr></thead><tbody>\n";
    for (int k = 0; k < static_cast<int>(ChangeKind::Count); ++k) {
        const auto kind = static_cast<ChangeKind>(k);
        out += std::string("<tr data-change=\"") + ChangeKindName(kind) + "\"><td>" +
               ChangeKindName(kind) + "</td><td class=\"n\">" +
               std::to_string(changes.Count(kind)) + "</td></tr>\n";
    }
    out += "</tbody></table>\n";
    if (changes.rows.empty()) {
        out += "<p class=\"empty\">No row changed.</p>\n</section>\n";
        return;
    }
    out +=
        "<table class=\"rows\" id=\"changed\"><thead><tr><th>Change</th><th>File</th>"
        "<th>Path</th><th>Src Package</th><th>Before</th><th>Now</th></tr></thead><tbody>\n";
    for (const RowChange& c : changes.rows) {
        out += std::string("<tr data-change=\"") + ChangeKindName(c.kind) + "\"><td>" +
               ChangeKindName(c.kind) + "</td><td>" + Escaped(c.file) + "</td><td>" +
               Escaped(c.path) + "</td><td>" + Escaped(c.package) + "</td>" + StatusCell(c.before) +
               StatusCell(c.after) + "</tr>\n";
    }
    out += "</tbody></table>\n</section>\n";
}

}  // namespace

std::string HtmlReport(const ResultTable& table, const ReportContext& context,
                       const Changes* changes) {
    std::string out;
    out.reserve(4096 + table.rows.size() * 320);
    // The policy makes the promise of the page explicit: a browser fetches nothing for it.
    out +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
        Escaped(Heading(context)) + "</title>\n<style>" + HtmlReportStyle() +
        "</style>\n<noscript><style>#results[hidden] { display: table; }</style></noscript>\n"
        "</head>\n<body>\n";
    AddContext(out, context);
    AddSummary(out, Summarize(table));
    if (changes) AddChanges(out, *changes);
    AddRows(out, table);
    out += std::string("<script>") + HtmlReportScript() + "</script>\n</body>\n</html>\n";
    return out;
}

}  // namespace qv

#include "cli/Output.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>

#include "engine/Outcome.h"
#include "engine/SavedList.h"
#include "report/Reports.h"
#include "ui/MainWindow.h"
#include "ui/ReportCtrl.h"

namespace qv::cli {

namespace {

const std::string& Cell(const std::vector<std::string>& row, int column) {
    static const std::string empty;
    return static_cast<size_t>(column) < row.size() ? row[static_cast<size_t>(column)] : empty;
}

// The columns of the text table.
constexpr int kTextColumns[] = {kColFile, kColPath,        kColVersion,
                                kColTag,  kColMergeStatus, kColSrcPackage};

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace

ResultTable TableFromList(const CReportCtrl& list) {
    ResultTable table;
    const int columns = list.ColumnCount();
    for (int c = 0; c < columns; ++c) table.titles.push_back(list.ColumnTitle(c));
    for (int r = 0, n = list.RowCount(); r < n; ++r) {
        std::vector<std::string> row;
        bool blank = true;
        for (int c = 0; c < columns; ++c) {
            row.push_back(list.CellTextRef(r, c));
            blank = blank && row.back().empty();
        }
        if (!blank) table.rows.push_back(std::move(row));
    }
    return table;
}

std::string FormatText(const ResultTable& table, const Changes* changes) {
    std::vector<size_t> widths;
    for (const int c : kTextColumns) {
        size_t w = Cell(table.titles, c).size();
        for (const auto& row : table.rows) w = std::max(w, Cell(row, c).size());
        widths.push_back(w);
    }
    auto line = [&](const std::vector<std::string>& cells) {
        std::string out;
        for (size_t i = 0; i < std::size(kTextColumns); ++i) {
            const std::string& text = Cell(cells, kTextColumns[i]);
            out += text;
            if (i + 1 < std::size(kTextColumns)) out.append(widths[i] - text.size() + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out + "\n";
    };
    std::string out = line(table.titles);
    for (const auto& row : table.rows) out += line(row);
    out += SummaryLine(Summarize(table)) + "\n";
    if (!changes) return out;
    out += "Changes since " + changes->oldFile + ":";
    for (int k = 0; k < static_cast<int>(ChangeKind::Count); ++k)
        out += std::string(k == 0 ? " " : ", ") + ChangeKindName(static_cast<ChangeKind>(k)) + " " +
               std::to_string(changes->Count(static_cast<ChangeKind>(k)));
    out += "\n";
    for (const RowChange& c : changes->rows)
        out += std::string("  ") + ChangeKindName(c.kind) + "  " + c.file + "  " + c.path + "  " +
               c.before + " => " + c.after + "\n";
    return out;
}

std::string FormatList(const ResultTable& table) {
    if (table.rows.empty()) return {};
    std::string out = ListHeaderLine(table.titles);
    for (const auto& row : table.rows) out += ListDataLine(row);
    return out;
}

std::string FormatJson(const ResultTable& table, const Changes* changes) {
    static const std::pair<const char*, int> fields[] = {
        {"file", kColFile},
        {"path", kColPath},
        {"version", kColVersion},
        {"type", kColType},
        {"tag", kColTag},
        {"status", kColMergeStatus},
        {"package", kColSrcPackage},
        {"itemobjid", kColItemObjId},
    };
    auto orNull = [](const std::string& text) {
        return text.empty() ? std::string("null") : JsonString(text);
    };
    std::string out = "{\"rows\": [";
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        const std::string& status = Cell(row, kColMergeStatus);
        const OutcomeReason* reason = table.ReasonOf(r);
        out += r == 0 ? "\n  {" : ",\n  {";
        for (const auto& [name, column] : fields) {
            out += JsonString(name) + ": " + JsonString(Cell(row, column)) + ", ";
        }
        out += "\"conflict\": ";
        out += IsConflict(status) ? "true" : "false";
        out += ", \"outcome\": " + JsonString(KindName(KindOf(status)));
        out += ", \"target_version\": " + orNull(TargetVersionOf(status));
        out += ", \"why\": " + orNull(reason ? reason->why : std::string());
        out += ", \"facts\": {";
        if (reason)
            for (size_t f = 0; f < reason->facts.size(); ++f)
                out += (f ? ", " : "") + JsonString(reason->facts[f].name) + ": " +
                       JsonString(reason->facts[f].value);
        out += "}}";
    }
    out += table.rows.empty() ? "],\n" : "\n],\n";
    const Summary s = Summarize(table);
    out += " \"summary\": {\"rows\": " + std::to_string(s.rows) +
           ", \"conflicts\": " + std::to_string(s.conflicts);
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k)
        out += ", " + JsonString(KindName(static_cast<OutcomeKind>(k))) + ": " +
               std::to_string(s.byKind[k]);
    out += "}";
    if (changes) {
        out += ",\n \"changes\": {\"against\": " + JsonString(changes->oldFile) + ", \"counts\": {";
        for (int k = 0; k < static_cast<int>(ChangeKind::Count); ++k)
            out += std::string(k ? ", " : "") +
                   JsonString(ChangeKindName(static_cast<ChangeKind>(k))) + ": " +
                   std::to_string(changes->Count(static_cast<ChangeKind>(k)));
        out += "}, \"rows\": [";
        for (size_t c = 0; c < changes->rows.size(); ++c) {
            const RowChange& change = changes->rows[c];
            out += c == 0 ? "\n  {" : ",\n  {";
            out += "\"change\": " + JsonString(ChangeKindName(change.kind)) +
                   ", \"file\": " + JsonString(change.file) +
                   ", \"path\": " + JsonString(change.path) +
                   ", \"package\": " + JsonString(change.package) +
                   ", \"before\": " + orNull(change.before) +
                   ", \"after\": " + orNull(change.after) + "}";
        }
        out += changes->rows.empty() ? "]}" : "\n]}";
    }
    return out + "}\n";
}

std::string FormatTsv(const ResultTable& table, bool why, const Changes* changes) {
    // A reason is one line; a tab or line break in it (from a name) would break the table.
    auto oneCell = [](std::string text) {
        for (char& c : text)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        return text;
    };
    // The change of each current row, by path and file in row order; removed rows follow.
    std::map<std::pair<std::string, std::string>, std::deque<const RowChange*>> changed;
    if (changes)
        for (const RowChange& c : changes->rows)
            if (c.kind != ChangeKind::Removed) changed[{c.path, c.file}].push_back(&c);
    auto line = [&](const std::vector<std::string>& cells, const std::string& reason,
                    const std::string& change) {
        std::string out;
        for (int c = 0; c < kResultColumnCount; ++c) {
            if (c) out += '\t';
            out += Cell(cells, c);
        }
        if (why) out += '\t' + oneCell(reason);
        if (changes) out += '\t' + change;
        return out + "\n";
    };
    std::string out = line(table.titles, "Why", "Change");
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        const OutcomeReason* reason = table.ReasonOf(r);
        std::string change;
        auto found = changed.find({Cell(row, kColPath), Cell(row, kColFile)});
        if (found != changed.end() && !found->second.empty()) {
            change = ChangeKindName(found->second.front()->kind);
            found->second.pop_front();
        }
        out += line(row, reason ? reason->why : std::string(), change);
    }
    // A removed row shows its earlier outcome.
    if (changes)
        for (const RowChange& c : changes->rows) {
            if (c.kind != ChangeKind::Removed) continue;
            std::vector<std::string> row(kResultColumnCount);
            row[kColFile] = c.file;
            row[kColPath] = c.path;
            row[kColSrcPackage] = c.package;
            row[kColMergeStatus] = c.before;
            out += line(row, "", ChangeKindName(c.kind));
        }
    return out;
}

std::string FormatTable(const ResultTable& table, Format format, const OutputExtras& extras) {
    const ReportContext none;
    const ReportContext& context = extras.context ? *extras.context : none;
    switch (format) {
        case Format::List:
            return FormatList(table);
        case Format::Json:
            return FormatJson(table, extras.changes);
        case Format::Tsv:
            return FormatTsv(table, extras.why, extras.changes);
        case Format::Junit:
            return JunitReport(table, context, extras.changes);
        case Format::Html:
            return HtmlReport(table, context, extras.changes);
        case Format::Markdown:
            return MarkdownReport(table, context, extras.changes);
        case Format::Text:
            break;
    }
    return FormatText(table, extras.changes);
}

}  // namespace qv::cli

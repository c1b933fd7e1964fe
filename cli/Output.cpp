#include "cli/Output.h"

#include <algorithm>
#include <cstdio>

#include "engine/SavedList.h"
#include "ui/MainWindow.h"
#include "ui/ReportCtrl.h"

namespace qv::cli {

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

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

bool IsConflictStatus(const std::string& status) {
    return Contains(status, "(D)") || Contains(status, "(U)") || Contains(status, "(E)");
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

OutcomeKind KindOf(const std::string& status) {
    // "3 (D) -> Src Ignored" is a deleted source, not an ignored one.
    if (Contains(status, "(E)")) return OutcomeKind::TagExists;
    if (Contains(status, "(U)")) return OutcomeKind::Unmerged;
    if (Contains(status, "(D)")) return OutcomeKind::Deleted;
    if (Contains(status, "(M)")) return OutcomeKind::MergeTagged;
    if (Contains(status, "Ignored")) return OutcomeKind::Ignored;
    if (Contains(status, "already exists")) return OutcomeKind::AlreadyExists;
    if (status.find_first_not_of(' ') == std::string::npos || status == "   ...")
        return OutcomeKind::NotAnalysed;
    return OutcomeKind::Mapped;
}

const char* KindName(OutcomeKind kind) {
    static const char* const names[] = {"mapped",         "merge_tagged", "unmerged",
                                        "tag_exists",     "deleted",      "ignored",
                                        "already_exists", "not_analysed"};
    return names[static_cast<int>(kind)];
}

Summary Summarize(const ResultTable& table) {
    Summary s;
    for (const auto& row : table.rows) {
        const std::string& status = Cell(row, kColMergeStatus);
        ++s.rows;
        if (IsConflictStatus(status)) ++s.conflicts;
        ++s.byKind[static_cast<int>(KindOf(status))];
    }
    return s;
}

ResultTable ConflictRows(const ResultTable& table) {
    ResultTable out;
    out.titles = table.titles;
    for (const auto& row : table.rows)
        if (IsConflictStatus(Cell(row, kColMergeStatus))) out.rows.push_back(row);
    return out;
}

bool HasConflict(const ResultTable& table) {
    return std::any_of(table.rows.begin(), table.rows.end(), [](const auto& row) {
        return IsConflictStatus(Cell(row, kColMergeStatus));
    });
}

std::string SummaryLine(const Summary& s) {
    std::string line = std::to_string(s.rows) + (s.rows == 1 ? " row, " : " rows, ") +
                       std::to_string(s.conflicts) +
                       (s.conflicts == 1 ? " conflict:" : " conflicts:");
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k) {
        line += k == 0 ? " " : ", ";
        line += KindName(static_cast<OutcomeKind>(k));
        line += ' ';
        line += std::to_string(s.byKind[k]);
    }
    return line;
}

std::string FormatText(const ResultTable& table) {
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
    return out + SummaryLine(Summarize(table)) + "\n";
}

std::string FormatList(const ResultTable& table) {
    if (table.rows.empty()) return {};
    std::string out = ListHeaderLine(table.titles);
    for (const auto& row : table.rows) out += ListDataLine(row);
    return out;
}

std::string FormatJson(const ResultTable& table) {
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
    std::string out = "{\"rows\": [";
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        out += r == 0 ? "\n  {" : ",\n  {";
        for (const auto& [name, column] : fields) {
            out += JsonString(name) + ": " + JsonString(Cell(row, column)) + ", ";
        }
        out += "\"conflict\": ";
        out += IsConflictStatus(Cell(row, kColMergeStatus)) ? "true" : "false";
        out += "}";
    }
    out += table.rows.empty() ? "],\n" : "\n],\n";
    const Summary s = Summarize(table);
    out += " \"summary\": {\"rows\": " + std::to_string(s.rows) +
           ", \"conflicts\": " + std::to_string(s.conflicts);
    for (int k = 0; k < static_cast<int>(OutcomeKind::Count); ++k)
        out += ", " + JsonString(KindName(static_cast<OutcomeKind>(k))) + ": " +
               std::to_string(s.byKind[k]);
    return out + "}}\n";
}

std::string FormatTsv(const ResultTable& table) {
    auto line = [](const std::vector<std::string>& cells) {
        std::string out;
        for (int c = 0; c < kResultColumnCount; ++c) {
            if (c) out += '\t';
            out += Cell(cells, c);
        }
        return out + "\n";
    };
    std::string out = line(table.titles);
    for (const auto& row : table.rows) out += line(row);
    return out;
}

std::string FormatTable(const ResultTable& table, Format format) {
    switch (format) {
        case Format::List:
            return FormatList(table);
        case Format::Json:
            return FormatJson(table);
        case Format::Tsv:
            return FormatTsv(table);
        case Format::Text:
            break;
    }
    return FormatText(table);
}

}  // namespace qv::cli

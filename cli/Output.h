// The batch program's result in its four formats. The rows are the result list's, cell for
// cell, so every format shows the texts the desktop program shows.
#pragma once

#include <string>
#include <vector>

#include "cli/Options.h"
#include "report/ReportTable.h"

namespace qv {
class CReportCtrl;
}

namespace qv::cli {

using qv::ConflictRows;
using qv::HasConflict;
using qv::KindName;
using qv::KindOf;
using qv::OutcomeKind;
using qv::ResultTable;
using qv::Summarize;
using qv::Summary;
using qv::SummaryLine;

// The list's columns and its rows; the empty rows of a blank list are left out.
ResultTable TableFromList(const CReportCtrl& list);

// What some formats show beside the rows.
struct OutputExtras {
    bool why = false;                        // tsv: the "Why" column
    const ReportContext* context = nullptr;  // the reports' context; none: an empty one
    const Changes* changes = nullptr;        // the changes since an earlier prediction
};

// The formats. `list` is the saved-list format, made by the saved list's own line format; it
// is the desktop program's file and shows no changes.
std::string FormatText(const ResultTable& table, const Changes* changes = nullptr);
std::string FormatList(const ResultTable& table);
std::string FormatJson(const ResultTable& table, const Changes* changes = nullptr);
// With `changes`, a "Change" column says how each row changed, and the removed rows follow with
// their earlier outcome.
std::string FormatTsv(const ResultTable& table, bool why = false, const Changes* changes = nullptr);
std::string FormatTable(const ResultTable& table, Format format, const OutputExtras& extras = {});

}  // namespace qv::cli

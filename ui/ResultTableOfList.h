// The result list as the reports see it: its titles and rows, and one reason per row from the
// list's own tooltip of the "Merge Status" cell.
#pragma once

#include "report/ReportTable.h"

namespace qv {

class CReportCtrl;

// The list's columns and its rows, the empty rows of a blank list left out. Each row's reason
// has the kind of its "Merge Status" text and the cell's tooltip (may be empty) as its sentence.
ResultTable TableFromList(const CReportCtrl& list);

}  // namespace qv

#include "report/Reports.h"

namespace qv {

std::string MarkdownReport(const ResultTable&, const ReportContext&, const Changes*) {
    return {};
}

}  // namespace qv

// An earlier prediction read from any file contents, compared with itself and with nothing, and
// put into every report.
#include <string>

#include "report/Reports.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = qvfuzz::WorkDir() + "/earlier.save";
    qvfuzz::WriteFile(path, data, size);
    std::string error;
    const std::optional<qv::ResultTable> earlier = qv::ReadEarlierResult(path, error);
    // Either a table or one line that says why not.
    FUZZ_CHECK(earlier.has_value() == error.empty());
    FUZZ_CHECK(error.find('\n') == std::string::npos);
    if (!earlier) return 0;

    // A result has not changed since itself; against nothing, every row was added.
    FUZZ_CHECK(qv::CompareResults(*earlier, *earlier).rows.empty());
    const qv::Changes all = qv::CompareResults(qv::ResultTable{}, *earlier);
    FUZZ_CHECK(all.rows.size() == earlier->rows.size());
    FUZZ_CHECK(all.Count(qv::ChangeKind::Added) == static_cast<int>(earlier->rows.size()));

    // Every report is made, whatever the cells hold; the JUnit report holds no raw control byte.
    const qv::ReportContext context;
    const std::string junit = qv::JunitReport(*earlier, context, &all);
    for (const unsigned char c : junit)
        FUZZ_CHECK(c >= 0x20 || c == '\n' || c == '\t' || c == '\r');
    FUZZ_CHECK(!qv::HtmlReport(*earlier, context, &all).empty());
    FUZZ_CHECK(!qv::MarkdownReport(*earlier, context, &all).empty());
    return 0;
}

// The readers of the query tool's result file (first value, values, raw lines) over any file
// contents.
#include <algorithm>

#include "host/headless/HeadlessHost.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool HasMarker(const std::string& line) {
    return line.find(qv::kKsqlErrorMarker) != std::string::npos ||
           line.find(qv::kKsqlZeroResults) != std::string::npos;
}

void CheckLines(const qv::ResultLines& read, const std::string& text, size_t readSize) {
    FUZZ_CHECK(read.readable);
    FUZZ_CHECK(read.lines.size() <= qvfuzz::MaxPieces(text, readSize));
    for (const std::string& line : read.lines) {
        FUZZ_CHECK(line.size() <= readSize);
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        FUZZ_CHECK(line.find('\0') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qv::HeadlessHost host;
    host.ClearBoxes();
    qvfuzz::Input in(data, size);
    const size_t smallRead = 1 + in.Byte() % 64;
    const std::string text = in.Rest();
    const std::string& dir = qvfuzz::WorkDir();
    const std::string path = qv::KsqlResultPath(dir);
    qvfuzz::WriteFile(path, text);

    const qv::ResultLines lines = qv::ReadResultLines(path, qv::kResultReadSize);
    CheckLines(lines, text, qv::kResultReadSize);
    CheckLines(qv::ReadResultLines(path, smallRead), text, smallRead);

    const std::vector<std::string> values = qv::ReadValues(dir, host);
    const qv::FirstValue first = qv::ReadFirstValue(dir, host);
    FUZZ_CHECK(host.boxes.empty());

    // Values are the non-blank lines after the header, none at all when the first line with
    // text carries a marker (the tool writes its own lines only as the whole file).
    const auto firstText = std::find_if(lines.lines.begin(), lines.lines.end(),
                                        [](const std::string& l) { return !l.empty(); });
    const bool marked = firstText != lines.lines.end() && HasMarker(*firstText);
    std::vector<std::string> expected;
    for (size_t i = 1; i < lines.lines.size() && !marked; ++i) {
        if (!lines.lines[i].empty()) expected.push_back(lines.lines[i]);
    }
    FUZZ_CHECK(values == expected);
    FUZZ_CHECK(values.size() + (lines.lines.empty() ? 0 : 1) <= lines.lines.size());

    // The first value: the marked first line with text, else the first non-blank line after
    // the header.
    const std::string* expectedFirst = marked ? &*firstText : nullptr;
    for (size_t i = 1; i < lines.lines.size() && !expectedFirst; ++i) {
        if (!lines.lines[i].empty()) expectedFirst = &lines.lines[i];
    }
    if (expectedFirst) {
        FUZZ_CHECK(first.found && first.value == *expectedFirst);
    } else {
        FUZZ_CHECK(!first.found);
        FUZZ_CHECK(first.value ==
                   (lines.lines.empty() ? "Error: Unable to fetch data from ksqlstmt.dat" : ""));
    }
    return 0;
}

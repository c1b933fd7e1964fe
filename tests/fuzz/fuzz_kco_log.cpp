// The check-out log reader over any log contents.
#include <algorithm>

#include "host/headless/HeadlessHost.h"
#include "scm/Kco.h"
#include "scm/Repository.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qv::HeadlessHost host;
    host.ClearBoxes();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string& dir = qvfuzz::WorkDir();
    const std::string path = qv::KcoLogPath(dir);
    qvfuzz::WriteFile(path, text);

    std::string said;
    const int count = qv::ReadKcoLog(host, dir, said);
    const qv::ResultLines lines = qv::ReadResultLines(path, qv::kKcoLogReadSize);

    FUZZ_CHECK(lines.readable);
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(static_cast<size_t>(count) <= lines.lines.size());
    FUZZ_CHECK(host.boxes.size() <= 1);
    // The deciding line is one of the log's lines (or nothing for a log of blank lines).
    const bool fromLog =
        std::find(lines.lines.begin(), lines.lines.end(), said) != lines.lines.end();
    FUZZ_CHECK(fromLog || said.empty());
    // An error line gives 0 and says so; a log that gives 0 otherwise has no line at all.
    if (count == 0) FUZZ_CHECK(said.empty() ? lines.lines.empty() : said[0] == 'E');
    if (count > 0 && !said.empty() && said[0] == 'E') {
        std::string upper = said;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        FUZZ_CHECK(upper.find("THE FILE IS WRITABLE") != std::string::npos);
    }
    return 0;
}

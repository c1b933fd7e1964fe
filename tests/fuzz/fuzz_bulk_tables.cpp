// The reader of the set statements' results, with fuzzed result texts: what it trusts is whole,
// and a result cut inside its last line is never trusted.
#include <string>
#include <vector>

#include "engine/BulkAnswers.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

qv::ResultLines Split(const std::string& text) {
    qv::ResultLines lines{true, {}};
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        lines.lines.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Input in(data, size);
    const uint8_t steer = in.Byte();
    const std::string text = in.Rest();

    // Any text: a trusted result answers with values that are whole fields.
    if (auto tables = qv::ReadBulkTables(Split(text), steer & 1)) {
        for (auto& [kind, table] : *tables) {
            FUZZ_CHECK(kind.size() == 1);
            FUZZ_CHECK(table.Size() <= text.size());
        }
    }

    // Rows made from the text's lines: the whole result is trusted and answers each key with its
    // value; cut anywhere inside its last line, it is not trusted.
    std::vector<std::string> values;
    for (std::string& line : Split(text).lines) {
        for (char& c : line)
            if (c == '\t' || c == '\r' || c == '\0') c = ' ';
        if (!line.empty() && line.size() < 200) values.push_back(line);
    }
    if (values.empty()) return 0;
    std::string result = "K\tID\tMV\tC\n";
    const std::string count = std::to_string(values.size());
    for (size_t k = 0; k < values.size(); ++k)
        result += "I\t" + std::to_string(k) + "\t" + values[k] + "\t" + count + "\n";
    auto whole = qv::ReadBulkTables(Split(result), true);
    FUZZ_CHECK(whole.has_value());
    for (size_t k = 0; k < values.size(); ++k) {
        const std::vector<std::string>* found =
            (*whole)[qv::kByItem].Find(static_cast<long long>(k));
        FUZZ_CHECK(found && found->size() == 1 && found->front() == values[k]);
    }
    const size_t lastLine = result.rfind('\n', result.size() - 2) + 1;
    const size_t cut = lastLine + steer % (result.size() - 1 - lastLine);
    FUZZ_CHECK(!qv::ReadBulkTables(Split(result.substr(0, cut)), true).has_value());
    return 0;
}

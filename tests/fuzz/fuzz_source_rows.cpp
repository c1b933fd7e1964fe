// The source rows: a result row split at tabs (or at tab runs) and turned into a record, and the
// rule that keeps the greatest mapped version of an item when several packages hold it.
#include <algorithm>
#include <map>

#include "engine/SourceItems.h"
#include "scm/Repository.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool ReferenceGreater(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = qvfuzz::WorkDir() + "/rows.dat";
    qvfuzz::WriteFile(path, text);
    const qv::ResultLines lines = qv::ReadResultLines(path, qv::kResultReadSize);
    FUZZ_CHECK(lines.readable);

    qv::CMapStrToFObj items;
    std::map<std::string, qv::CFObj> expected;  // the record each key must hold
    std::vector<std::string> order;
    for (const std::string& line : lines.lines) {
        // The fields: never empty, never with a tab, at most as many as asked; joined with one
        // tab they split the same way again.
        const std::vector<std::string> fields = qv::SplitAtTabRuns(line, 11);
        FUZZ_CHECK(fields.size() <= 11);
        std::string joined;
        for (const std::string& f : fields) {
            FUZZ_CHECK(!f.empty() && f.find('\t') == std::string::npos);
            FUZZ_CHECK(line.find(f) != std::string::npos);
            joined += joined.empty() ? f : "\t" + f;
        }
        FUZZ_CHECK(qv::SplitAtTabRuns(joined, 11) == fields);
        FUZZ_CHECK(qv::SplitAtTabRuns(line, 2).size() <= 2);

        // At every tab: one field more than tabs (at most as many as asked), none with a tab;
        // joined with one tab they give the row back when no field was left out.
        const std::vector<std::string> columns = qv::SplitAtTabs(line, 11);
        const size_t tabs = static_cast<size_t>(std::count(line.begin(), line.end(), '\t'));
        FUZZ_CHECK(columns.size() == std::min<size_t>(tabs + 1, 11));
        std::string rejoined;
        for (size_t i = 0; i < columns.size(); ++i) {
            FUZZ_CHECK(columns[i].find('\t') == std::string::npos);
            rejoined += (i ? "\t" : "") + columns[i];
        }
        if (tabs < 11)
            FUZZ_CHECK(rejoined == line);
        else
            FUZZ_CHECK(line.rfind(rejoined + "\t", 0) == 0);

        const qv::CFObj record = qv::SourceRecordFromRow(line, "PAY0001");
        FUZZ_CHECK(record.itemName == columns[0]);
        FUZZ_CHECK(record.itemObjId == (columns.size() == 11 ? columns[10] : ""));
        FUZZ_CHECK(record.packageName == "PAY0001" && record.result.empty());

        // The greater mapped version stays; equal ones keep the record stored first.
        FUZZ_CHECK(qv::MappedVersionGreater(record.mappedVersion, record.itemName) ==
                   ReferenceGreater(record.mappedVersion, record.itemName));
        FUZZ_CHECK(!qv::MappedVersionGreater(record.mappedVersion, record.mappedVersion));
        auto it = expected.find(record.itemObjId);
        const bool stores = it == expected.end() ||
                            ReferenceGreater(record.mappedVersion, it->second.mappedVersion);
        FUZZ_CHECK(qv::KeepGreaterMappedVersion(items, record) == stores);
        if (it == expected.end()) order.push_back(record.itemObjId);
        if (stores) expected[record.itemObjId] = record;
    }
    FUZZ_CHECK(static_cast<size_t>(items.GetCount()) == expected.size());
    FUZZ_CHECK(expected.size() <= lines.lines.size());
    for (const std::string& key : order) {
        qv::CFObj stored;
        FUZZ_CHECK(items.Lookup(key, stored) && stored == expected[key]);
    }
    return 0;
}

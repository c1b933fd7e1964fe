// The mapped version calculation over a repository whose every answer is fuzzed (the run's
// result and the result file it leaves), with fuzzed target records; and the number and version
// readers it rests on.
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/MappedVersion.h"
#include "tests/fuzz/FuzzRepository.h"

namespace {

// Num's reference: strtoll held to the range of int.
int ReferenceNum(const std::string& text) {
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qv::HeadlessHost host;
    host.ClearBoxes();
    qvfuzz::Input in(data, size);
    const uint8_t flags = in.Byte();
    const std::string parent = in.Part();
    const std::string T = in.Part();
    const std::string versionObjId = in.Part();
    const std::string itemObjId = in.Part();
    std::deque<qvfuzz::FuzzRepository::Answer> answers;
    while (!in.empty() && answers.size() < 4) {
        const uint8_t r = in.Byte() % 8;
        answers.push_back({r == 6   ? qv::kKsqlFailed
                           : r == 7 ? qv::kKsqlStatementUnwritten
                                    : qv::kKsqlOk,
                           in.Part()});
    }

    for (const std::string* text : {&parent, &T, &versionObjId, &itemObjId})
        FUZZ_CHECK(qv::Num(*text) == ReferenceNum(*text));
    const qv::VersionParts parts = qv::SplitVersion(T);
    FUZZ_CHECK(parts.count >= 1 && parts.count <= 3);
    FUZZ_CHECK(parts.c1.find('.') == std::string::npos && parts.c2.find('.') == std::string::npos);
    if (parts.count == 1) FUZZ_CHECK(parts.c2.empty() && parts.c3.empty());
    if (parts.count >= 2) {
        FUZZ_CHECK(T == parts.c1 + "." + parts.c2 + "." + parts.c3);
        FUZZ_CHECK(parts.count == (parts.c3.empty() ? 2 : 3));
    }

    qvfuzz::FuzzRepository repository(host, std::move(answers));
    qv::MappedVersionCalculator calculator(repository, host);
    calculator.SetTargetContext("Payroll", "DEV");
    const bool onBranch = flags & 1;
    for (int round = 0; round < 2; ++round) {
        const qv::MappedVersion mapped = calculator.Calculate(
            qv::Num(parent), T, onBranch, qv::Num(versionObjId), qv::Num(itemObjId));
        FUZZ_CHECK(mapped.text.size() <= 63);
        if (mapped.status == qv::MappedStatus::Result) FUZZ_CHECK(!mapped.text.empty());
        if (mapped.status != qv::MappedStatus::Result) FUZZ_CHECK(mapped.text.empty());
        if (mapped.status == qv::MappedStatus::Abandoned) FUZZ_CHECK(repository.unwritten);
        // A branch version outside the family of x versions is kept, marked as unchanged.
        if (mapped.status == qv::MappedStatus::Result && T.find('.') != std::string::npos &&
            T[0] != 'x')
            FUZZ_CHECK(mapped.text == T + " (U)");
    }
    // At most three statements per item: the children, the view (once per target), the branch.
    FUZZ_CHECK(repository.runs <= 5);
    FUZZ_CHECK(host.boxes.size() <= 2);
    return 0;
}

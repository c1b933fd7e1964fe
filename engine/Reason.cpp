#include "engine/Reason.h"

#include "engine/Classify.h"

namespace qv {

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

OutcomeKind KindOf(const std::string& status) {
    // "3 (D) -> Src Ignored" is a deleted source, not an ignored one.
    if (Contains(status, "(E)")) return OutcomeKind::TagExists;
    if (Contains(status, "(U)")) return OutcomeKind::Unmerged;
    if (Contains(status, "(D)")) return OutcomeKind::Deleted;
    if (Contains(status, "(M)")) return OutcomeKind::MergeTagged;
    if (Contains(status, "Ignored")) return OutcomeKind::Ignored;
    if (Contains(status, "already exists")) return OutcomeKind::AlreadyExists;
    if (status.find_first_not_of(' ') == std::string::npos || status == kOutcomePlaceholder)
        return OutcomeKind::NotAnalysed;
    return OutcomeKind::Mapped;
}

const char* KindName(OutcomeKind kind) {
    static const char* const names[] = {"mapped",         "merge_tagged", "unmerged",
                                        "tag_exists",     "deleted",      "ignored",
                                        "already_exists", "not_analysed"};
    const int k = static_cast<int>(kind);
    return k >= 0 && k < static_cast<int>(OutcomeKind::Count) ? names[k] : "not_analysed";
}

std::string TargetVersionOf(const std::string& status) {
    const size_t arrow = status.find("-> ");
    if (arrow == std::string::npos) return {};
    const size_t from = arrow + 3;
    const size_t to = status.find(' ', from);
    std::string word = status.substr(from, to == std::string::npos ? std::string::npos : to - from);
    if (word.empty() || !(word[0] == 'x' || (word[0] >= '0' && word[0] <= '9'))) return {};
    return word;
}

std::string CommaJoined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : ", ") + t;
    return out;
}

const std::string& OutcomeReason::FactValue(const std::string& name) const {
    static const std::string none;
    for (const Fact& f : facts)
        if (name == f.name) return f.value;
    return none;
}

}  // namespace qv

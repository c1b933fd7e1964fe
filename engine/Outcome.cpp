#include "engine/Outcome.h"

#include <string_view>
#include <utility>

namespace qv {

namespace {

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

ColorRef StatusTextColor(const std::string& text) {
    // The order matters: "3 (D) -> Src Ignored" is ignored, not a problem.
    static const std::pair<std::string_view, ColorRef> tests[] = {
        {"(U)", ColorProblem},         {"(E)", ColorProblem}, {"(M)", ColorMergeTagged},
        {"Src Ignored", ColorIgnored}, {"(D)", ColorProblem}, {"Ignored", ColorIgnored},
    };
    for (const auto& [part, color] : tests)
        if (Contains(text, part)) return color;
    return ColorResult;
}

bool IsConflict(const std::string& outcome) {
    return Contains(outcome, "(D)") || Contains(outcome, "(U)") || Contains(outcome, "(E)");
}

}  // namespace qv

// What an analysis outcome looks like: the colours of the "Merge Status" texts and the rule that
// gives a text its colour. Facts about an outcome, shared by the result list and the batch
// output.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// A colour laid out as 0x00BBGGRR (red in the low byte).
using ColorRef = std::uint32_t;

// Text colours of the "Merge Status" cell.
inline constexpr ColorRef ColorResult = 0xFF0000;       // ordinary mapped results
inline constexpr ColorRef ColorIgnored = 0x2080C8;      // deleted sources, ignored items
inline constexpr ColorRef ColorMergeTagged = 0xFF0080;  // results that would get a merge tag
inline constexpr ColorRef ColorProblem = 0x0032C8;      // unmerged versions, tags in the target

// The colour of a "Merge Status" text: the first of "(U)", "(E)" (problem), "(M)" (merge
// tagged), "Src Ignored" (ignored), "(D)" (problem), "Ignored" (ignored) that the text contains;
// ColorResult when it contains none.
ColorRef StatusTextColor(const std::string& text);

// An outcome that makes a row a conflict: it holds "(D)", "(U)" or "(E)".
bool IsConflict(const std::string& outcome);

}  // namespace qv

// Command lines as one text: how a command line is split into a program and its arguments, and
// how values are filled into a command template so that they reach the program as they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Splits a command line into its arguments, the first being the program:
// - blanks and tabs separate arguments; a double quote opens or closes a group in which they do
//   not, and a quoted group may be empty ("" is an empty argument);
// - backslashes are taken literally unless a double quote follows them: 2n backslashes and a
//   quote give n backslashes and a quote that opens or closes a group; 2n+1 backslashes and a
//   quote give n backslashes and a literal quote.
// So "-vp \" stays a lone backslash argument and a quoted path keeps its blanks.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Fills the "%s" placeholders of a command template in order with the values ("%%" gives one
// "%"; any other "%" sequence stays as it is; placeholders beyond the values get empty text).
// A value is inserted so that splitting the command gives it back unchanged within its
// argument: a double quote in it is written as \" (backslashes right before it doubled), and
// backslashes that end it are doubled when the template puts a double quote right after them.
// Blanks are not protected: a value with blanks in an unquoted placeholder is split there, as
// the templates intend (quote the placeholder to keep them).
std::string FillCommand(std::string_view templateText, const std::vector<std::string>& values);

}  // namespace qv

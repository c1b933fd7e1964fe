// The command lines of the repository tools. The password never is on them: any local user
// reads a process's command line, only its owner its environment. The program hands the
// password to ksql and kco in the environment variable below, and the built-in templates carry
// no password; a user's stored template of the older form ("... -usr %s -pw %s ...") still
// works: its "-pw %s" is left out of the command.
#pragma once

#include <string>
#include <vector>

namespace qv {

inline constexpr char kToolPasswordVariable[] = "TESSARK_PASSWORD";

// Fills a tool template. `values` are all of the tool's values, the password among them at
// `passwordIndex`. The password is taken out of the values; where the template has "-pw" right
// before that placeholder (quoted or not), the option and its placeholder are removed with the
// blanks before them.
std::string FillToolCommand(const std::string& templateText, std::vector<std::string> values,
                            size_t passwordIndex);

// The template without its "-pw %s" option when the placeholder at `passwordIndex` is that
// option's value; unchanged otherwise.
std::string WithoutPasswordOption(const std::string& templateText, size_t passwordIndex);

}  // namespace qv

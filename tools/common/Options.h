// Command-line options of the form "-name value" or "-name", as the repository tools take them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv::tools {

struct OptionSpec {
    std::set<std::string> withValue;     // options followed by one argument
    std::set<std::string> withoutValue;  // flags
};

struct ParsedOptions {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    bool Has(const std::string& name) const {
        return values.count(name) != 0 || flags.count(name) != 0;
    }
    std::string Get(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
};

// Parses argv[1..]; false with `error` set for an unknown option, a stray argument, a missing
// value or an option given twice (so that a value with a blank, filled into a command template,
// cannot add an option that overrides one of the template's own). Option names are compared
// ignoring letter case ("-USR" is "-usr"). The error text never holds an argument's value.
bool ParseOptions(const std::vector<std::string>& args, const OptionSpec& known, ParsedOptions& out,
                  std::string& error);

// The environment variable the program hands the password in: a process's environment is
// readable by its owner only, its command line by every local user.
inline constexpr char kPasswordVariable[] = "TESSARK_PASSWORD";

// The password of a run: -pw when given (older command templates, scripts), else
// $TESSARK_PASSWORD. False when there is neither.
bool ToolPassword(const ParsedOptions& opts, std::string& password);

// True for a lone "--help" (or "-help", "-h", "-?"): the tool prints its usage and exits with 0.
bool IsHelpRequest(const std::vector<std::string>& args);

}  // namespace qv::tools

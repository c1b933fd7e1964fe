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
    std::map<std::string, std::string> values;  // last occurrence wins
    std::set<std::string> flags;
    bool Has(const std::string& name) const {
        return values.count(name) != 0 || flags.count(name) != 0;
    }
    std::string Get(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
};

// Parses argv[1..]; false with `error` set for an unknown option, a stray argument or a missing
// value. Option names are compared ignoring letter case ("-USR" is "-usr").
bool ParseOptions(const std::vector<std::string>& args, const OptionSpec& known, ParsedOptions& out,
                  std::string& error);

// The value after the last "-name" among the arguments, whatever else they hold (so that an
// output file is known even when the other options are faulty); empty when absent.
std::string FindOptionValue(const std::vector<std::string>& args, const std::string& name);

}  // namespace qv::tools

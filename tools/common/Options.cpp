#include "tools/common/Options.h"

#include <stdlib.h>

namespace qv::tools {

bool ParseOptions(const std::vector<std::string>& args, const OptionSpec& known, ParsedOptions& out,
                  std::string& error) {
    // Error texts name an argument by its position only: a value may be a fragment of a
    // password that a blank split, and error texts reach logs and traces.
    auto at = [](size_t i) { return " (argument " + std::to_string(i + 1) + ")"; };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            error = "unexpected argument" + at(i);
            return false;
        }
        std::string name = a.substr(1);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const bool withValue = known.withValue.count(name) != 0;
        if (!withValue && known.withoutValue.count(name) == 0) {
            error = "unknown option" + at(i);
            return false;
        }
        // The known option names are fixed, so naming one reveals nothing of a value.
        if (out.Has(name)) {
            error = "option -" + name + " is given more than once" + at(i);
            return false;
        }
        if (withValue) {
            if (i + 1 >= args.size()) {
                error = "option -" + name + " needs a value";
                return false;
            }
            out.values[name] = args[++i];
        } else {
            out.flags.insert(name);
        }
    }
    return true;
}

bool IsHelpRequest(const std::vector<std::string>& args) {
    if (args.size() != 1) return false;
    const std::string& a = args[0];
    return a == "--help" || a == "-help" || a == "-h" || a == "-?";
}

bool ToolPassword(const ParsedOptions& opts, std::string& password) {
    if (opts.Has("pw")) {
        password = opts.Get("pw");
        return true;
    }
    const char* env = getenv(kPasswordVariable);
    if (!env) return false;
    password = env;
    return true;
}

}  // namespace qv::tools

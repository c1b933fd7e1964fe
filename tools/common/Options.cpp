#include "tools/common/Options.h"

namespace qv::tools {

bool ParseOptions(const std::vector<std::string>& args, const OptionSpec& known, ParsedOptions& out,
                  std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            error = "unexpected argument '" + a + "'";
            return false;
        }
        std::string name = a.substr(1);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (known.withValue.count(name)) {
            if (i + 1 >= args.size()) {
                error = "option -" + name + " needs a value";
                return false;
            }
            out.values[name] = args[++i];
        } else if (known.withoutValue.count(name)) {
            out.flags.insert(name);
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    return true;
}

std::string FindOptionValue(const std::vector<std::string>& args, const std::string& name) {
    std::string value;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() == name.size() + 1 && a[0] == '-') {
            bool same = true;
            for (size_t k = 0; k < name.size(); ++k) {
                char c = a[k + 1];
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
                if (c != name[k]) same = false;
            }
            if (same) value = args[++i];
        }
    }
    return value;
}

}  // namespace qv::tools

#include "tools/common/Brokers.h"

#include <stdlib.h>

#include <vector>

#include "tools/common/FileUtil.h"
#include "tools/common/Repository.h"

namespace qv::tools {
namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return lines;
}

// The section name of a "[name]" line, or false for any other line.
bool SectionName(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    name = Trim(t.substr(1, t.size() - 2));
    return true;
}

// The key and value of a "key = value" line, or false for comments and other lines.
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

}  // namespace

std::string BrokersFilePath() {
    const char* env = getenv("TESSARK_BROKERS");
    if (env && *env) return env;
    std::string dir = ConfigDirectory();
    if (dir.empty()) return {};
    return dir + "/tessark/brokers.ini";
}

bool LookupBrokerLocator(const std::string& iniText, const std::string& broker,
                         std::string& locator) {
    bool inSection = false;
    for (const std::string& line : SplitLines(iniText)) {
        std::string name, key, value;
        if (SectionName(line, name)) {
            inSection = EqualsIgnoreCase(name, broker);
        } else if (inSection && KeyValue(line, key, value) && EqualsIgnoreCase(key, "repository")) {
            locator = value;
            return true;
        }
    }
    return false;
}

std::string SetBrokerLocator(const std::string& iniText, const std::string& broker,
                             const std::string& locator) {
    std::vector<std::string> lines = SplitLines(iniText);
    const std::string entry = "repository = " + locator;
    int sectionLine = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, key, value;
        if (SectionName(lines[i], name)) {
            if (sectionLine >= 0) break;
            if (EqualsIgnoreCase(name, broker)) sectionLine = static_cast<int>(i);
        } else if (sectionLine >= 0 && KeyValue(lines[i], key, value) &&
                   EqualsIgnoreCase(key, "repository")) {
            lines[i] = entry;
            sectionLine = -2;
            break;
        }
    }
    if (sectionLine >= 0) {
        lines.insert(lines.begin() + sectionLine + 1, entry);
    } else if (sectionLine == -1) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + broker + "]");
        lines.push_back(entry);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

bool IsValidBrokerName(const std::string& broker) {
    if (broker.empty() || Trim(broker) != broker) return false;
    for (char c : broker)
        if (c == '[' || c == ']' || c == '\n' || c == '\r' || c == '\0') return false;
    return true;
}

bool ResolveBroker(const std::string& broker, Locator& repository, std::string& error) {
    std::string file = BrokersFilePath();
    if (file.empty()) {
        error = "no configuration directory (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    std::string text, readError;
    if (!ReadWholeFile(file, text, readError)) {
        error = "Unknown broker '" + broker + "': no brokers file (" + readError + ")";
        return false;
    }
    std::string locator;
    if (!LookupBrokerLocator(text, broker, locator)) {
        error = "Unknown broker '" + broker + "' (not registered in " + file + ")";
        return false;
    }
    std::string why;
    if (!ParseLocator(locator, repository, why)) {
        error = "Broker '" + broker + "': " + why;
        return false;
    }
    return true;
}

bool RegisterBroker(const std::string& broker, const std::string& locator, std::string& error) {
    if (!IsValidBrokerName(broker)) {
        error = "invalid broker name '" + broker + "'";
        return false;
    }
    Locator parsed;
    std::string why;
    if (!ParseLocator(locator, parsed, why)) {
        error = why;
        return false;
    }
    std::string file = BrokersFilePath();
    if (file.empty()) {
        error = "no configuration directory (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(file.substr(0, slash), error)) {
        return false;
    }
    std::string text, readError;
    ReadWholeFile(file, text, readError);  // an absent file starts empty
    return WriteFileAtomic(file, SetBrokerLocator(text, broker, locator), error);
}

}  // namespace qv::tools

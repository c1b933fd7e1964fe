#include "tools/common/LocalPath.h"

namespace qv::tools {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool CheckComponent(const std::string& c, std::string& why) {
    if (c.empty()) {
        why = "empty path component";
        return false;
    }
    if (c.find_first_not_of('.') == std::string::npos) {
        why = "path component '" + c + "' is not allowed";
        return false;
    }
    for (unsigned char ch : c) {
        if (ch < 0x20 || ch == 0x7f) {
            why = "control character in a path component";
            return false;
        }
        if (ch == ':') {
            why = "colon in path component '" + c + "'";
            return false;
        }
    }
    return true;
}

}  // namespace

bool SplitRepositoryPath(const std::string& path, std::vector<std::string>& components,
                         std::string& why) {
    components.clear();
    size_t pos = 0;
    if (!path.empty() && IsSeparator(path[0])) {
        pos = 1;
        if (path.size() > 1 && IsSeparator(path[1])) {
            why = "network or doubled root in repository path '" + path + "'";
            return false;
        }
    }
    if (pos >= path.size()) return true;
    while (true) {
        size_t next = pos;
        while (next < path.size() && !IsSeparator(path[next])) ++next;
        std::string c = path.substr(pos, next - pos);
        if (!CheckComponent(c, why)) {
            why += " in repository path '" + path + "'";
            components.clear();
            return false;
        }
        components.push_back(c);
        if (next >= path.size()) break;
        pos = next + 1;
        if (pos >= path.size()) {
            why = "empty path component in repository path '" + path + "'";
            components.clear();
            return false;
        }
    }
    return true;
}

bool IsSafeItemName(const std::string& name, std::string& why) {
    for (char c : name) {
        if (IsSeparator(c)) {
            why = "item name '" + name + "' contains a path separator";
            return false;
        }
    }
    if (!CheckComponent(name, why)) {
        why = "unsafe item name '" + name + "': " + why;
        return false;
    }
    return true;
}

}  // namespace qv::tools

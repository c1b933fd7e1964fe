#include "app/Paths.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// An environment value that names an absolute directory; relative values are ignored, as the
// base-directory rules ask.
std::string AbsoluteEnv(const char* name) {
    const char* v = getenv(name);
    if (v && v[0] == '/') return v;
    return {};
}

}  // namespace

std::string HomeDir() {
    if (const char* h = getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string ConfigDir() {
    std::string dir = AbsoluteEnv("XDG_CONFIG_HOME");
    return dir.empty() ? JoinPath(HomeDir(), ".config") : dir;
}

std::string DataDir() {
    std::string dir = AbsoluteEnv("XDG_DATA_HOME");
    return dir.empty() ? JoinPath(HomeDir(), ".local/share") : dir;
}

std::string DefaultInstallDir() {
    return JoinPath(DataDir(), kAppName);
}

std::string ProfileFilePath() {
    return JoinPath(ConfigDir(), std::string(kAppName) + ".INI");
}

std::string RegistryFilePath(const std::string& company) {
    return JoinPath(JoinPath(ConfigDir(), company), std::string(kAppName) + ".ini");
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool CreateDirectories(const std::string& dir, unsigned mode) {
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        mkdir(dir.substr(0, slash).c_str(), static_cast<mode_t>(mode));
    mkdir(dir.c_str(), static_cast<mode_t>(mode));
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string VersionLine(const char* program) {
    return std::string(program) + " " + kAppVersion + " (" + kAppName + ")\n";
}

}  // namespace qv

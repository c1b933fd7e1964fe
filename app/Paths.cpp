#include "app/Paths.h"

#include <limits.h>
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

#ifndef QV_INSTALL_BINDIR
#define QV_INSTALL_BINDIR "/usr/bin"
#endif
#ifndef QV_INSTALL_LIBDIR
#define QV_INSTALL_LIBDIR "/usr/lib/quorvel"
#endif

std::string g_programDirOverride;
std::string g_libraryDirOverride;

}  // namespace

std::string ProgramDir() {
    if (!g_programDirOverride.empty()) return g_programDirOverride;
    char buf[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return {};
    const std::string exe(buf, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

void SetProgramDirForTesting(const std::string& dir) {
    g_programDirOverride = dir;
}

std::string ProgramLibraryDir() {
    return g_libraryDirOverride.empty() ? std::string(QV_INSTALL_LIBDIR) : g_libraryDirOverride;
}

void SetProgramLibraryDirForTesting(const std::string& dir) {
    g_libraryDirOverride = dir;
}

bool IsSystemInstallation() {
    const std::string dir = ProgramDir();
    if (dir.empty()) return false;
    // Root may write anywhere; a program in the prefix's bin directory is a system one all the
    // same.
    return access(dir.c_str(), W_OK) != 0 ||
           (g_programDirOverride.empty() && dir == QV_INSTALL_BINDIR);
}

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

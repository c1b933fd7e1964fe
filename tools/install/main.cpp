// qv-install: makes an installation of the program for the current user.
//
//   qv-install [--dir INSTALL_DIR] [--from BIN_DIR] [--bin-dir LINK_DIR] [--no-link]
//
// Creates the install directory (default: the user's data directory + "/Quorvel"), copies the
// built programs found in BIN_DIR (default: the directory this program runs from) into it,
// names the install directory as INSTALLDIR in the per-user settings and in the program's
// profile file, links LINK_DIR/quorvel (default: ~/.local/bin) to the installed program and
// adds a desktop entry with the program's icon (copied into the user's hicolor icon theme from
// BIN_DIR/icons). The desktop program itself never writes INSTALLDIR; an installation
// has to.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SharedRepository.h"

namespace {

// The programs an installation holds: the desktop program, the repository tools, the batch
// program and the companion programs of the item actions.
const char* const kPrograms[] = {"quorvel",     "ksql",      "kco",    "cpm-analyze",
                                 "CrystalEdit", "HexViewer", "WinDiff"};

void Usage() {
    fprintf(stderr,
            "usage: qv-install [--dir INSTALL_DIR] [--from BIN_DIR] [--bin-dir LINK_DIR] "
            "[--no-link]\n");
}

std::string OwnDir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = '\0';
    std::string path(buf);
    return path.substr(0, path.rfind('/'));
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return path;
    return qv::JoinPath(buf, path);
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadWhole(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    contents = ss.str();
    return static_cast<bool>(in) || in.eof();
}

// Copies a program; the copy replaces an older one atomically, so a running copy is not hurt.
bool CopyProgram(const std::string& from, const std::string& to) {
    std::string contents;
    return ReadWhole(from, contents) && qv::WriteFileAtomically(to, contents, 0755);
}

// Points `link` at `target`, replacing an older link but never a file of the user's.
bool MakeLink(const std::string& target, const std::string& link) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        fprintf(stderr, "qv-install: %s exists and is no link; left as it is\n", link.c_str());
        return false;
    }
    const std::string temp = link + ".qv-install";
    unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), link.c_str()) != 0) {
        unlink(temp.c_str());
        fprintf(stderr, "qv-install: cannot link %s: %s\n", link.c_str(), strerror(errno));
        return false;
    }
    return true;
}

// A value of a desktop entry's string keys: backslashes and line breaks escaped.
std::string DesktopValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out;
}

// One quoted argument of a desktop entry's Exec key: the characters special inside the quotes
// get a backslash, percent signs are doubled so that none reads as a field code, and the whole
// is then escaped as any string value.
std::string DesktopExecArgument(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return DesktopValue(quoted);
}

// The icon sizes the build puts beside the programs, in the hicolor theme's layout.
const char* const kIconDirs[] = {"16x16", "22x22",   "24x24",   "32x32",   "48x48",
                                 "64x64", "128x128", "256x256", "scalable"};

// Copies the program's icon from BIN_DIR/icons/hicolor into the user's hicolor theme (each file
// replaced whole); the number of files copied.
int InstallIcons(const std::string& fromDir) {
    int copied = 0;
    const std::string themes = qv::JoinPath(qv::DataDir(), "icons/hicolor");
    for (const char* size : kIconDirs) {
        const std::string name = std::strcmp(size, "scalable") == 0 ? "quorvel.svg" : "quorvel.png";
        const std::string sub = std::string(size) + "/apps";
        const std::string from = qv::JoinPath(qv::JoinPath(fromDir, "icons/hicolor/" + sub), name);
        std::string contents;
        if (!IsRegularFile(from) || !ReadWhole(from, contents)) continue;
        const std::string dir = qv::JoinPath(themes, sub);
        if (qv::MakeDirectories(dir, 0755) &&
            qv::WriteFileAtomically(qv::JoinPath(dir, name), contents, 0644))
            ++copied;
    }
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    std::string installDir = qv::DefaultInstallDir();
    std::string fromDir = OwnDir();
    std::string binDir = qv::JoinPath(qv::HomeDir(), ".local/bin");
    bool link = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--dir" || arg == "--from" || arg == "--bin-dir") && i + 1 < argc) {
            std::string& target = arg == "--dir" ? installDir : arg == "--from" ? fromDir : binDir;
            target = argv[++i];
        } else if (arg == "--no-link") {
            link = false;
        } else {
            Usage();
            return 2;
        }
    }
    installDir = StripTrailingSlashes(Absolute(installDir));
    fromDir = Absolute(fromDir);
    binDir = Absolute(binDir);
    if (installDir.empty()) {
        Usage();
        return 2;
    }

    // The install directory is also the user's workspace (the target data file, checked-out
    // copies): a new one is the user's alone unless the repository is shared with a group.
    if (!qv::MakeDirectories(installDir, qv::SettingsBrokerSharedWithGroup() ? 0777 : 0700)) {
        fprintf(stderr, "qv-install: cannot create %s\n", installDir.c_str());
        return 1;
    }
    int copied = 0;
    bool desktopProgram = false;
    for (const char* name : kPrograms) {
        const std::string from = qv::JoinPath(fromDir, name);
        if (!IsRegularFile(from)) {
            printf("qv-install: %s not built, skipped\n", name);
            continue;
        }
        const std::string to = qv::JoinPath(installDir, name);
        if (!CopyProgram(from, to)) {
            fprintf(stderr, "qv-install: cannot copy %s to %s\n", from.c_str(), to.c_str());
            return 1;
        }
        printf("qv-install: %s\n", to.c_str());
        ++copied;
        if (std::strcmp(name, "quorvel") == 0) desktopProgram = true;
    }

    // Both sources of the install directory name the same place.
    qv::SwitchToRegistry(qv::kCompanyKey);
    const bool registry = qv::WriteSettingText("Settings", "INSTALLDIR", installDir);
    qv::SwitchToProfile();
    const bool profile = qv::WriteSettingText("Settings", "INSTALLDIR", installDir);
    if (!registry || !profile) {
        fprintf(stderr, "qv-install: cannot write the settings in %s\n", qv::ConfigDir().c_str());
        return 1;
    }
    printf("qv-install: INSTALLDIR=%s in %s\n", installDir.c_str(),
           qv::RegistryFilePath(qv::kCompanyKey).c_str());

    if (desktopProgram) {
        const std::string program = qv::JoinPath(installDir, "quorvel");
        if (link && qv::MakeDirectories(binDir, 0755) &&
            MakeLink(program, qv::JoinPath(binDir, "quorvel")))
            printf("qv-install: %s -> %s\n", qv::JoinPath(binDir, "quorvel").c_str(),
                   program.c_str());
        const int icons = InstallIcons(fromDir);
        if (icons > 0)
            printf("qv-install: %d icon%s in %s\n", icons, icons == 1 ? "" : "s",
                   qv::JoinPath(qv::DataDir(), "icons/hicolor").c_str());
        const std::string apps = qv::JoinPath(qv::DataDir(), "applications");
        const std::string entry =
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Quorvel\n"
            "Comment=Predicts what a cross project merge would do\n"
            "Exec=" +
            DesktopExecArgument(program) +
            "\n"
            "Path=" +
            DesktopValue(installDir) +
            "\n"
            "Icon=quorvel\n"
            "Terminal=false\n"
            "Categories=Development;\n";
        if (qv::MakeDirectories(apps, 0755) &&
            qv::WriteFileAtomically(qv::JoinPath(apps, "quorvel.desktop"), entry, 0644))
            printf("qv-install: %s\n", qv::JoinPath(apps, "quorvel.desktop").c_str());
    }
    printf("qv-install: %d program%s installed in %s\n", copied, copied == 1 ? "" : "s",
           installDir.c_str());
    return 0;
}

#include "app/App.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SharedRepository.h"
#include "app/Trace.h"

namespace qv {

namespace {

AppValues g_values;

constexpr size_t kFieldMax = 255;

std::string CurrentDir() {
    std::vector<char> buf(4096);
    for (;;) {
        if (getcwd(buf.data(), buf.size())) return buf.data();
        if (errno != ERANGE || buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
}

// Enters a directory or, when it cannot be entered, creates it with `mode` (its parent must
// exist); the current directory stays where it was after a creation.
bool EnterOrCreate(const std::string& dir, unsigned mode) {
    if (chdir(dir.c_str()) == 0) return true;
    return mkdir(dir.c_str(), static_cast<mode_t>(mode)) == 0;
}

// The trace clock reads the host's local time while the host lives.
class TraceClockScope {
public:
    explicit TraceClockScope(Host& host) {
        SetTraceClock([&host] { return host.LocalTime(); });
    }
    ~TraceClockScope() { SetTraceClock({}); }
    TraceClockScope(const TraceClockScope&) = delete;
    TraceClockScope& operator=(const TraceClockScope&) = delete;
};

}  // namespace

const AppValues& TheApp() {
    return g_values;
}

void SetAppValues(const AppValues& values) {
    g_values = values;
}

void ReturnToStartupDir() {
    const std::string& dir = TheApp().startupDir;
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
        // Staying in the current directory changes nothing of what follows.
    }
}

CommandLineFields ExamineCommandLine(const std::string& commandLine) {
    CommandLineFields fields;
    std::string line = commandLine.substr(0, kFieldMax);
    if (const size_t at = line.find("FILE="); at != std::string::npos) {
        fields.fileValue = line.substr(at + 5);
        line.resize(at);
    }
    std::string* const args[] = {&fields.arg1, &fields.arg2, &fields.arg3};
    bool programSkipped = false;
    size_t pos = 0;
    while ((pos = line.find_first_not_of(" ,;", pos)) != std::string::npos) {
        const size_t end = line.find_first_of(" ,;", pos);
        const std::string token = line.substr(pos, end - pos);
        pos = end;
        if (!programSkipped) {
            programSkipped = true;
            continue;
        }
        if (fields.tokens < 3) *args[fields.tokens] = token;
        ++fields.tokens;
        if (end == std::string::npos) break;
    }
    if (fields.tokens == 1) {
        fields.arg2 = fields.arg1;
        fields.arg1.clear();
    }
    return fields;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (i > 0) line += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            line += arg;
            continue;
        }
        // Quoted so that the platform's rules read it back as one argument.
        line += '"';
        size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
            } else {
                if (c == '"') line.append(backslashes + 1, '\\');
                backslashes = 0;
            }
            line += c;
        }
        line.append(backslashes, '\\');
        line += '"';
    }
    return line;
}

std::string ListFileOnCommandLine(const CommandLineFields& fields, const std::string& startDir) {
    std::string file = !fields.fileValue.empty() ? fields.fileValue
                       : fields.tokens == 1      ? fields.arg2
                                                 : std::string();
    if (!file.empty() && file.front() == '"') file.erase(0, 1);
    if (!file.empty() && file.back() == '"') file.pop_back();
    if (file.empty() || file.front() == '/') return file;
    return JoinPath(startDir, file);
}

std::string CommandLineAnswer(int argc, const char* const* argv) {
    bool help = false, version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        help = help || arg == "--help";
        version = version || arg == "--version";
    }
    if (help) {
        return std::string("Usage: ") + kProgramFileName +
               " [FILE=LIST | LIST]\n"
               "Shows the main window. With LIST, a saved result list, loads it at start as\n"
               "\"Load Saved List\" loads toplist.save from the install directory.\n\n"
               "  --help     show this help and end\n"
               "  --version  show the version and end\n";
    }
    return version ? VersionLine(kProgramFileName) : std::string();
}

int CQuorvelApp::Run(Host& host, const std::string& commandLine,
                     const MainWindowRunner& runMainWindow) {
    TraceClockScope clock(host);
    // Where the program was started, before the workspace becomes the current directory: a
    // relative list file on the command line is taken from there.
    const std::string launchDir = CurrentDir();
    AppValues v;

    // The profile file names the directory that the workspace and the trace log live in.
    SwitchToProfile();
    v.provisionalInstallDir = DefaultInstallDir();
    if (std::string dir = ReadSettingText("Settings", "INSTALLDIR", DefaultInstallDir());
        !dir.empty())
        v.provisionalInstallDir = dir;
    v.browseDir = v.provisionalInstallDir + "/Temp";
    v.compareDir = v.provisionalInstallDir + "/Temp1";
    v.startupDir = CurrentDir();
    // A new user has no install directory yet: it is made, with its missing parents, for the
    // user alone (for the group too, as the umask allows, when the repository is shared with
    // one). A directory that cannot be made is reported with the workspace below. The directories
    // hold repository data: the target data file, checked-out copies.
    const unsigned dirMode = SettingsBrokerSharedWithGroup() ? 0777 : 0700;
    CreateDirectories(v.provisionalInstallDir, dirMode);

    // Every run starts a fresh log.
    v.traceFile = v.provisionalInstallDir + "/" + kAppName + ".trc";
    SetTraceFile(v.traceFile);
    unlink(v.traceFile.c_str());
    SetAppValues(v);
    WriteTrace("%s %s", kAppName, kAppVersion);

    // Workspace: enter the browse, then the compare directory, creating what is missing.
    for (const std::string* dir : {&v.browseDir, &v.compareDir}) {
        if (!EnterOrCreate(*dir, dirMode)) {
            host.MessageBox(MsgKind::Error, "Unable to create directory: " + *dir);
            return kStartupFailed;
        }
    }

    SwitchToRegistry(kCompanyKey);
    v.windowsDir = ConfigDir();
    if (v.windowsDir.empty() || v.windowsDir.back() != '/') v.windowsDir += '/';
    v.startupDir = CurrentDir();

    // The cap applies from here; the lines before it are few.
    const int traceLimitMB = ReadSettingInt("Settings", kTraceLimitKey, kDefaultTraceLimitMB);
    SetTraceLimit(traceLimitMB > 0 ? static_cast<std::uint64_t>(traceLimitMB) << 20 : 0);

    v.installDir = ReadSettingText("Settings", "INSTALLDIR", "");
    // A program installed for every user cannot keep its files beside itself: each user's
    // install directory is the per-user one made above.
    if (v.installDir.empty() && IsSystemInstallation()) v.installDir = v.provisionalInstallDir;
    if (v.installDir.empty()) {
        SetAppValues(v);
        host.MessageBox(MsgKind::Error, std::string("Error: HKCU\\Software\\") + kCompanyKey +
                                            "\\" + kAppName + "\\Settings\\INSTALLDIR is missing.");
        return kStartupFailed;
    }
    v.statusFile = v.windowsDir + "FSTATUS.INI";

    const CommandLineFields fields = ExamineCommandLine(commandLine);
    v.fileValue = fields.fileValue;
    v.arg1 = fields.arg1;
    v.arg2 = fields.arg2;
    v.arg3 = fields.arg3;
    v.listFile = ListFileOnCommandLine(fields, launchDir);
    SetAppValues(v);

    const int result = runMainWindow ? runMainWindow(host) : kMainWindowCancel;
    if (result == kMainWindowOk) {
        WriteIniText(v.statusFile, "FSTATUS", "ReturnCode", "100");
    } else if (result == kMainWindowCancel) {
        WriteIniText(v.statusFile, "FSTATUS", "ReturnCode", "200");
    }
    return result;
}

}  // namespace qv

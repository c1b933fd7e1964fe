// Starting, waiting for and ending other programs, and the two message pumps with which long
// loops keep the window alive.
//
// A command line is split into the program and its arguments (see SplitCommandLine). A program
// named without a directory is looked for in the directory of the running executable first, then
// in the absolute directories of PATH; the current directory is never searched. Programs that are
// waited for run in a process group of their own with standard input from /dev/null; programs
// that are not waited for run in a new session, are not children of this process and so never
// linger as zombies of it.
#pragma once

#include <string>
#include <vector>

namespace qv {

class Host;

// Adds a variable to the environment of every program this thread starts while the object
// lives (replacing one of the same name). The repository tools get the password this way: a
// process's environment is readable by its owner only, its command line by every local user.
class ChildVariableScope {
public:
    ChildVariableScope(const std::string& name, const std::string& value);
    ~ChildVariableScope();
    ChildVariableScope(const ChildVariableScope&) = delete;
    ChildVariableScope& operator=(const ChildVariableScope&) = delete;
};

// Results of starting a program.
inline constexpr int kTaskStarted = 1;        // started, not waited for
inline constexpr int kTaskWaited = 0;         // started and waited for (or the time limit passed)
inline constexpr int kTaskNotFound = -2;      // the program was not found
inline constexpr int kTaskRefused = -7;       // the option string was refused
inline constexpr int kTaskStartFailed = -32;  // any other start failure

// Results of ending a process.
inline constexpr int kKillDone = 32;
inline constexpr int kKillFailed = -1;

// The option string of programs run in the background and waited for, and its foreground form
// (not waited for).
inline constexpr char kDefaultTaskOptions[] = "BACKGROUND, DEPENDENT, WINSESSIONCHILD";
inline constexpr char kForegroundTaskOptions[] = "FOREGROUND, INDEPENDENT, WINSESSIONCHILD";

// How a started program's window is to be shown. Recorded only; it has no effect here.
enum class ShowMode { Normal, MinimizedNoActivate, Maximized, Restored };

// What an option string asks for. Keywords are case-sensitive substrings; separators and order do
// not matter.
struct TaskOptions {
    bool refused = false;  // "PMDEFAULT", "PMFULLSCREEN" or "PMWINDOW" present
    ShowMode showMode = ShowMode::Normal;
    bool wait = true;
    std::string titlePrefix;
};
TaskOptions ParseTaskOptions(const std::string& options);

// The longest window title kept.
inline constexpr size_t kMaxWindowTitle = 2047;

// The parameters of the last attempt to create a process (for the trace and for tests).
struct StartRecord {
    std::string commandLine;
    std::vector<std::string> arguments;  // the split command line
    std::string program;                 // the file found for the program; empty when none
    std::string windowTitle;
    ShowMode showMode = ShowMode::Normal;
    bool wait = true;
    int result = 0;       // the start result (kTask...)
    int processId = 0;    // 0 when nothing was started
    int exitStatus = -1;  // wait status of a program waited for to its end; -1 otherwise
};
const StartRecord& LastStart();

// Tests: start programs as on a kernel without close_range (the descriptors are then marked
// close-on-exec one by one).
void SetCloseRangeUnavailable(bool unavailable);

// Finds the file that a program name stands for: a name with a "/" as it is, otherwise the first
// executable regular file of that name in the running executable's directory, then in the
// system installation's library directory (app/Paths.h), then in PATH.
// Returns 0 and the path, or an errno value (ENOENT when there is none; EACCES when only files
// that cannot be executed were found).
int FindProgram(const std::string& name, std::string& path);

// Starts the command line as the option string asks, without any message. Returns kTaskStarted,
// kTaskWaited, kTaskNotFound, kTaskRefused or kTaskStartFailed and sets processId when a process
// was started. A program waited for is waited for without time limit; while it runs, `paintHost`
// (when given) may repaint the window, and nothing else of the program runs.
int StartTask(const std::string& commandLine, const std::string& options, int& processId,
              Host* paintHost = nullptr);

// Runs the command line with the default option string (foreground clear: in the background,
// waited for until it ends) or its foreground form (not waited for). On a negative result shows
// the warning "Executable Not Found: ..." (-2) or "Failed to Launch Task ..." (others).
int LaunchTask(const std::string& commandLine, bool foreground, Host& host);

// Starts the program in a process group of its own and waits until it ends or the time limit
// (milliseconds; negative: none) passes. Returns kTaskWaited either way, or kTaskNotFound or
// kTaskStartFailed when it cannot start. Show values: 0 minimised not activated, 3 maximised,
// 9 restored, others normal. While waiting, `paintHost` (when given) may repaint the window.
//
// The process stays reserved for the caller: a program that is still running when the time
// limit passes goes on running, and one that ended is kept as an unreaped child, so that its id
// cannot be given to another process. The caller ends and releases it with KillProcess.
int RunAndWait(const std::string& commandLine, const std::string& windowTitle, int showValue,
               int timeLimitMs, int& processId, Host* paintHost = nullptr);

// Ends a process with SIGKILL. Returns kKillDone when it was ended or cannot be found (ids of 0
// and below never name a process here); kKillFailed when it cannot be ended, with the warning
// "KillProcess: Unable To Kill Process ..." unless permission was denied. A process reserved by
// RunAndWait is ended together with its process group if it still runs, and released.
int KillProcess(int processId, Host* host = nullptr);

// Lets every pending message through (input, notifications, painting).
void PumpMessages(Host& host);
// Repaints what needs repainting; no input is handled and no handler of the program runs.
void PumpPaintMessages(Host& host);

}  // namespace qv

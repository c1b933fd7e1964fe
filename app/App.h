// The application object: the whole life of the process, from fixing the directories to
// reporting the main window's result in the status file.
#pragma once

#include <functional>
#include <string>

#include "app/AppValues.h"
#include "host/Host.h"

namespace qv {

// The parts of a command line.
struct CommandLineFields {
    std::string fileValue;         // the text after "FILE=", to the end of the line
    std::string arg1, arg2, arg3;  // the tokens after the program's own path
    int tokens = 0;                // tokens after the program's path, ignored ones included
};

// Examines the start-up command line (not split for a launch, see process/CommandLine.h):
// "FILE=" takes the rest of the line; the text before it is split at
// blanks, commas and semicolons; the first token (the program) is skipped, the next three are
// the arguments, and a single argument goes to arg2. The line is considered up to 255
// characters, so no field is longer.
CommandLineFields ExamineCommandLine(const std::string& commandLine);

// The saved list a command line names: the "FILE=" value, else a single argument (arg2), without
// the quotes that JoinCommandLine puts around an argument holding blanks; relative to
// `startDir`. Empty when it names none.
std::string ListFileOnCommandLine(const CommandLineFields& fields, const std::string& startDir);

// What the desktop program prints instead of opening its window: the usage for "--help", the
// version for "--version" (anywhere among the arguments; "--help" wins); empty otherwise.
std::string CommandLineAnswer(int argc, const char* const* argv);

// Joins a program's arguments into one command line with blanks, quoting those that hold blanks.
std::string JoinCommandLine(int argc, const char* const* argv);

// Makes the start-up directory (when known) the current directory again; Exit does so before
// the main window closes, so that the program ends where start-up left it.
void ReturnToStartupDir();

// Ways the main window ends (the dialog results of ui/DialogTemplate.h).
inline constexpr int kMainWindowOk = 1;
inline constexpr int kMainWindowCancel = 2;
// What Run returns when start-up ended before the main window ran.
inline constexpr int kStartupFailed = -1;

class CQuorvelApp {
public:
    // Constructs and runs the main window modally; returns its result.
    using MainWindowRunner = std::function<int(Host&)>;

    // Start-up, the main window, the status file. Returns the main window's result, or
    // kStartupFailed when a directory could not be set up or the install directory is not
    // configured (after telling the user).
    int Run(Host& host, const std::string& commandLine, const MainWindowRunner& runMainWindow);

    const AppValues& Values() const { return TheApp(); }
};

}  // namespace qv

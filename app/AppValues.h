// The process-wide values that start-up fixes and the rest of the program reads.
#pragma once

#include <string>

namespace qv {

struct AppValues {
    // INSTALLDIR of the profile file, else the default install directory. Only the browse and
    // compare directories and the trace file are derived from it.
    std::string provisionalInstallDir;
    // INSTALLDIR of the per-user settings: where the query files, the check-out log, the saved
    // lists and the companion programs live.
    std::string installDir;
    std::string browseDir;   // provisional install directory + "/Temp"
    std::string compareDir;  // provisional install directory + "/Temp1"
    std::string traceFile;   // provisional install directory + "/Quorvel.trc"
    // The current directory once the workspace is set up; the exit-time process search returns
    // to it.
    std::string startupDir;
    std::string windowsDir;  // the configuration directory, ending with '/'
    std::string statusFile;  // windowsDir + "FSTATUS.INI"
    // The command line's parts.
    std::string fileValue;
    std::string arg1, arg2, arg3;
    // The saved list named on the command line, as an absolute path (empty: none); the main
    // window loads it at start.
    std::string listFile;
};

// The values of this process (empty until start-up or a test sets them).
const AppValues& TheApp();
void SetAppValues(const AppValues& values);

}  // namespace qv

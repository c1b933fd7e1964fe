// Where the program keeps its files on this platform. Every rule that turns the user's
// environment into a directory or file name lives here.
#pragma once

#include <string>

namespace qv {

// The program's name and version, as shown in the first trace line and the window title.
inline constexpr char kAppName[] = "Quorvel";
inline constexpr char kAppVersion[] = "1.07";
// The program's file name, as it is started.
inline constexpr char kProgramFileName[] = "quorvel";
// The version line a program of the project prints for "--version": "<program> <version>
// (Quorvel)" and a line feed.
std::string VersionLine(const char* program);
// The company key below which the per-user settings live.
inline constexpr char kCompanyKey[] = "Orvane";

// The user's configuration directory: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config. It also holds the program's profile file and the status file.
std::string ConfigDir();
// The user's data directory: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share.
std::string DataDir();
// The install directory used when no setting names one: DataDir()/Quorvel.
std::string DefaultInstallDir();

// The program's own profile file, read before start-up switches to the per-user settings:
// ConfigDir()/Quorvel.INI.
std::string ProfileFilePath();
// The per-user settings file below a company key: ConfigDir()/<company>/Quorvel.ini.
std::string RegistryFilePath(const std::string& company);

// Creates `dir` and each of its missing parents with `mode` (directories that exist are left as
// they are); true when `dir` is a directory afterwards.
bool CreateDirectories(const std::string& dir, unsigned mode);

// Joins a directory and a name with one '/'.
std::string JoinPath(const std::string& dir, const std::string& name);

// The home directory: $HOME, else the password database's entry, else "/".
std::string HomeDir();

// The directory of the running executable (empty when it cannot be read); tests may name
// another one (empty: the real one again).
std::string ProgramDir();
void SetProgramDirForTesting(const std::string& dir);

// The fixed directory of a system installation that holds the companion programs, searched
// after the program's own directory (the installation prefix's lib/quorvel); tests may name
// another one (empty: the built-in one again).
std::string ProgramLibraryDir();
void SetProgramLibraryDirForTesting(const std::string& dir);

// True when the program runs as a system installation: from a directory the user cannot write,
// or from the installation prefix's bin directory. Such a program keeps the user's files in
// DefaultInstallDir() unless the settings name an install directory.
bool IsSystemInstallation();

}  // namespace qv

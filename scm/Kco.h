// Checking item versions out for browse with the check-out tool, and reading its log.
#pragma once

#include <string>
#include <utility>

#include "app/MainSettings.h"
#include "scm/InstallDirLock.h"

namespace qv {

class Host;

// Characters per read of the check-out log.
inline constexpr size_t kKcoLogReadSize = 2047;

// The check-out log in the install directory.
std::string KcoLogPath(const std::string& installDir);

// Where a checked-out item lands below a directory: the directory, the repository path with its
// backslashes turned into slashes, a slash and the item name.
std::string LocalItemPath(const std::string& dir, const std::string& repositoryPath,
                          const std::string& itemName);

// What a check-out needs.
struct KcoContext {
    Host* host = nullptr;
    std::string installDir;
    std::string browseDir;
    std::string broker;
    std::string userId;
    std::string password;
    std::string srcProject;
    std::string srcState;
    std::string checkoutPackage;  // "*" anywhere in it means no package
    std::string kcoFmt;
    // How long a check-out waits for another program's use of the install directory.
    int lockWaitMs = kInstallDirLockWaitMs;
};

// Checks the item version out for browse below the browse directory. Returns 1 when the local
// copy is already there with a size above 0 (nothing runs), a negative launcher result when the
// tool cannot be started, 0 when another program keeps the install directory beyond the wait
// (shown; the log lies there beside the query files, under the same lock), otherwise the result
// of ReadKcoLog. The command line is traced with the password as asterisks.
int RunKco(const KcoContext& context, const std::string& repositoryPath,
           const std::string& itemName);

// Reads the check-out log: 0 when it holds an error line (first character "E", unless it is about
// a writable file) or cannot be opened or read; otherwise the number of lines read, blank ones
// included. `text` receives the deciding line: the error line, the summary line, or the last
// non-blank line; after a failure the message shown. A summary with a failed count other than "0"
// is shown to the user and still gives the count.
int ReadKcoLog(Host& host, const std::string& installDir, std::string& text);
int ReadKcoLog(const KcoContext& context, std::string& text);

// The template without its first "-p " option and that option's argument; unchanged when it has
// none or when the argument ends the template without a blank after it.
std::string RemovePackageOption(const std::string& templateText);

}  // namespace qv

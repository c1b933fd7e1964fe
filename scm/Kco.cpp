#include "scm/Kco.h"

#include <unistd.h>

#include <cstring>

#include "app/Trace.h"
#include "host/Host.h"
#include "process/CommandLine.h"
#include "process/Launcher.h"
#include "scm/Ksql.h"
#include "scm/LineReader.h"
#include "scm/ToolCommand.h"

namespace qv {

namespace {

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(from, pos);
        if (hit == std::string::npos) break;
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::string TrimBlanks(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

// The count after a summary label: up to the delimiter, trimmed; the untrimmed rest of the line
// when the delimiter is missing; empty when the label is absent.
std::string SummaryValue(const std::string& upper, const char* label, char delimiter) {
    size_t at = upper.find(label);
    if (at == std::string::npos) return {};
    size_t from = at + std::strlen(label);
    size_t end = upper.find(delimiter, from);
    if (end == std::string::npos) return upper.substr(from);
    return TrimBlanks(upper.substr(from, end - from));
}

// True when a repository path or item name holds a ".." component (separated by "\\" or "/"),
// so that the local copy formed from it would not lie below the browse directory.
bool ClimbsOut(const std::string& text) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\\' || text[i] == '/') {
            if (i - start == 2 && text[start] == '.' && text[start + 1] == '.') return true;
            start = i + 1;
        }
    }
    return false;
}

void Box(Host* host, MsgKind kind, const std::string& text) {
    if (host) host->MessageBox(kind, text);
}

int ReadLog(Host* host, const std::string& installDir, std::string& text) {
    WriteTrace("ReadKcoLog: START");
    const std::string path = KcoLogPath(installDir);
    LineReader reader(path, kKcoLogReadSize);
    if (!reader.IsOpen()) {
        // The log the tool should have written is not there: the action that asked for the
        // check-out ends with this message.
        text = "Error: Unable to open " + path + ": " + std::strerror(reader.OpenError());
        WriteTrace("ReadKcoLog: %s", text.c_str());
        Box(host, MsgKind::Error, text);
        return 0;
    }
    int count = 0;
    std::string current;
    std::string line;
    while (reader.Next(line)) {
        ++count;
        if (line.empty()) continue;
        current = line;
        if (line[0] == 'E') {
            WriteTrace("%s", line.c_str());
            if (UpperAscii(line).find("THE FILE IS WRITABLE") == std::string::npos) {
                Box(host, MsgKind::Warning,
                    "KCO Encountered Errors: " + line + "\r\n\r\nReview the kco.log.");
                reader.Close();
                text = line;
                return 0;
            }
        }
        if (line.find("No version found") != std::string::npos) {
            text = line;
            continue;
        }
        const std::string upper = UpperAscii(line);
        if (upper.find("TOTAL: ") == std::string::npos) continue;
        const std::string failed = SummaryValue(upper, "FAILED: ", ';');
        WriteTrace("%s", line.c_str());
        if (!failed.empty() && failed != "0") {
            Box(host, MsgKind::Warning,
                "KCO Summary shows failed count: " + failed + "\r\n\r\nReview the kco.log.");
        }
        reader.Close();
        WriteTrace("ReadKcoLog: END readcount=%d", count);
        text = line;
        return count;
    }
    if (reader.Failed()) {
        reader.Close();
        text = "Unable to read: " + path;
        Box(host, MsgKind::Plain, text);
        return 0;
    }
    reader.Close();
    WriteTrace("ReadKcoLog: END readcount=%d", count);
    text = current;
    return count;
}

}  // namespace

std::string KcoLogPath(const std::string& installDir) {
    return installDir + "/kco.log";
}

std::string LocalItemPath(const std::string& dir, const std::string& repositoryPath,
                          const std::string& itemName) {
    std::string local = repositoryPath;
    for (char& c : local) {
        if (c == '\\') c = '/';
    }
    return dir + local + "/" + itemName;
}

std::string RemovePackageOption(const std::string& templateText) {
    size_t at = templateText.find("-p ");
    if (at == std::string::npos) return templateText;
    const std::string before = templateText.substr(0, at);
    const std::string remains = templateText.substr(at + 3);  // after "-p" and its blank
    size_t blank = remains.find(' ');
    if (blank == std::string::npos) return templateText;
    return before + remains.substr(blank);
}

int RunKco(const KcoContext& ctx, const std::string& repositoryPath, const std::string& itemName) {
    WriteTrace("RunKco: START");
    const std::string logPath = KcoLogPath(ctx.installDir);
    const std::string localCopy = LocalItemPath(ctx.browseDir, repositoryPath, itemName);
    int err = 0;
    if (ClimbsOut(repositoryPath) || ClimbsOut(itemName)) {
        // A file found there is not a checked-out copy; the tool decides about such a name.
        WriteTrace("RunKco: not below the browse directory: %s", localCopy.c_str());
    } else if (FileSize(localCopy, err) > 0) {
        WriteTrace("File already checked out for browse: %s", localCopy.c_str());
        return 1;
    }
    const InstallDirLockScope lock(ctx.installDir, ctx.host, ctx.lockWaitMs);
    if (!lock.locked()) return 0;
    unlink(logPath.c_str());

    std::string package = ctx.checkoutPackage;
    if (package.find('*') != std::string::npos) package.clear();
    std::string templ = RemovePackageOption(ctx.kcoFmt);
    const std::string item = itemName.empty() ? std::string("*") : itemName;
    std::vector<std::string> values = {item,          ctx.broker, ctx.srcProject, ctx.srcState,
                                       ctx.browseDir, ctx.userId, ctx.password};
    if (!package.empty()) {
        templ += " -p \"%s\"";
        values.push_back(package);
    }
    // The password goes to the tool in its environment; the command line has none.
    const std::string command = ReplaceAll(FillToolCommand(templ, values, 6), "kco.log", logPath);
    WriteTrace("RunKco: ExecuteThis: %s", command.c_str());
    const ChildVariableScope password(kToolPasswordVariable, ctx.password);

    int r;
    if (ctx.host) {
        r = LaunchTask(command, false, *ctx.host);
    } else {
        int pid = 0;
        r = StartTask(command, kDefaultTaskOptions, pid);
    }
    if (r < 0) {
        WriteTrace("RunKco: %s", "Error: Execute RunKco Failed");
        return r;
    }
    WriteTrace("RunKco: END return code=%d", r == 0 ? 1 : r);
    std::string text;
    return ReadLog(ctx.host, ctx.installDir, text);
}

int ReadKcoLog(Host& host, const std::string& installDir, std::string& text) {
    return ReadLog(&host, installDir, text);
}

int ReadKcoLog(const KcoContext& context, std::string& text) {
    return ReadLog(context.host, context.installDir, text);
}

}  // namespace qv

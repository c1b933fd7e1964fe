// The result list's context menu actions on one row: opening the checked-out item in the
// editor, the hex viewer or its associated application, and comparing it with the latest version
// of the same item name in the target project.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/AppValues.h"
#include "app/Trace.h"
#include "process/CommandLine.h"
#include "process/Launcher.h"
#include "scm/InstallDirLock.h"
#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"
#include "scm/ToolCommand.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace qv {

namespace {

// The latest version of every item object of one name in a project and state.
constexpr char kLatestTargetVersionStatement[] =
    "SELECT KESENVIRONMENT.ENVIRONMENTNAME, KESITEMNAME.ITEMNAME, KESPATHFULLNAME.PATHFULLNAME, "
    "KESVERSIONS.MAPPEDVERSION, KESVERSIONS.ITEMTYPE, KESVERSIONS.VERSIONSTATUS, "
    "KESSTATE.STATENAME, "
    "KESPACKAGE.PACKAGENAME, KESVERSIONS.ITEMOBJID FROM KESVERSIONS INNER JOIN KESITEMNAME "
    "ON KESITEMNAME.NAMEOBJID = KESVERSIONS.ITEMNAMEID INNER JOIN KESPATHFULLNAME ON "
    "KESVERSIONS.PATHVERSIONID "
    "= KESPATHFULLNAME.VERSIONOBJID INNER JOIN KESPACKAGE ON KESPACKAGE.PACKAGEOBJID = "
    "KESVERSIONS.PACKAGEOBJID "
    "INNER JOIN KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN "
    "KESVERSIONDATA ON KESVERSIONS.VERSIONDATAOBJID = KESVERSIONDATA.VERSIONDATAOBJID INNER "
    "JOIN KESSTATE ON KESSTATE.STATEOBJID = KESPACKAGE.STATEOBJID INNER JOIN KESALLUSERS CREATOR "
    "ON KESVERSIONS.CREATORID = CREATOR.USROBJID INNER JOIN KESALLUSERS MODIFIER ON "
    "KESVERSIONS.MODIFIERID "
    "= MODIFIER.USROBJID INNER JOIN  (SELECT KESVERSIONS.ITEMOBJID, MAX(DISTINCT "
    "KESVERSIONS.VERSIONOBJID) "
    "AS Max_VERSIONOBJID     FROM KESVERSIONS INNER JOIN KESITEMNAME ON KESITEMNAME.NAMEOBJID "
    "= KESVERSIONS.ITEMNAMEID INNER JOIN KESPACKAGE ON KESPACKAGE.PACKAGEOBJID = "
    "KESVERSIONS.PACKAGEOBJID "
    "INNER JOIN KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN "
    "KESSTATE ON KESENVIRONMENT.ENVOBJID = KESSTATE.ENVOBJID     WHERE "
    "KESENVIRONMENT.ENVIRONMENTNAME "
    "= '%s'     AND KESSTATE.STATENAME = '%s'     AND KESITEMNAME.ITEMNAMEUPPER = '%s'    "
    " GROUP BY KESENVIRONMENT.ENVIRONMENTNAME, KESSTATE.STATENAME, KESVERSIONS.ITEMOBJID  "
    "   ) MAXVERSIONS ON KESVERSIONS.VERSIONOBJID = MAXVERSIONS.Max_VERSIONOBJID ";

constexpr char kResultHeaderMark[] = "ITEMNAME\tPATHFULLNAME";

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(text, pos, hit - pos);
        out += to;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

// Whether the local copy of an item, formed from the check-out directory, the repository path
// and the item name, stays below that directory and can be quoted on a command line: the path
// begins with a separator and has no empty, "." or ".." component; the name is one plain
// component; neither holds a double quote or a control character. Rows of a saved list edited
// by hand, or odd repository names, fail this.
bool IsPlainItemLocation(const std::string& path, const std::string& name) {
    for (const std::string* text : {&path, &name}) {
        for (const char c : *text)
            if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("\\/") != std::string::npos)
        return false;
    if (path.empty() || (path[0] != '\\' && path[0] != '/')) return false;
    if (path.size() == 1) return true;  // the repository's root
    size_t start = 1;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
        const std::string_view part(path.data() + start, i - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = i + 1;
    }
    return true;
}

// A version that the check-out command can carry unquoted after "-vn": no blank (which would
// end the argument) and no double quote (which would open one).
bool IsPlainVersion(const std::string& version) {
    return !version.empty() && version.find_first_of(" \t\"") == std::string::npos;
}

// A data row of the target query: its tab-separated values in query order.
struct LatestVersionRow {
    std::string environmentName, itemName, pathFullName, mappedVersion, itemType, versionStatus,
        stateName, packageName, itemObjId;
};

LatestVersionRow SplitLatestVersionRow(const std::string& line) {
    std::string text = ReplaceAll(line, "\t", "|");
    // An empty value becomes one blank, as the other readers of result rows see it.
    text = ReplaceAll(text, "||", "| |");
    text = ReplaceAll(text, "||", "| |");
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
        f.push_back(text.substr(start, bar - start));
    f.push_back(text.substr(start));
    f.resize(9);
    return {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
}

// What tells one file at a path from another put there later: its inode, size and change time;
// empty when there is no file.
std::string FileStamp(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    return std::to_string(st.st_ino) + ' ' + std::to_string(st.st_size) + ' ' +
           std::to_string(st.st_ctim.tv_sec) + '.' + std::to_string(st.st_ctim.tv_nsec);
}

enum class Opener { Editor, HexViewer, DefaultApp };

// The browse actions share one procedure; only what opens the file differs.
void OpenCheckedOut(CQuorvelDlg& w, Opener opener) {
    Host& host = w.host();
    WaitCursor wait(host);
    CReportCtrl& list = w.ResultList();
    const int row = list.FocusedRow();
    if (row < 0) return;
    const std::string type = list.CellText(row, kColType);
    const std::string tag = list.CellText(row, kColTag);
    const std::string file = list.CellText(row, kColFile);
    const std::string path = list.CellText(row, kColPath);
    w.Values().CheckoutPackage = list.CellText(row, kColSrcPackage);
    if (tag == "D") {
        host.MessageBox(MsgKind::Plain,
                        "Item is 'D' tagged.\nUnable to check out for browse:\n" + file);
        return;
    }
    if (type == "0") {
        host.MessageBox(MsgKind::Plain, "Item is a directory!");
        return;
    }
    if (w.RefuseUnplainItem(path, file)) return;
    if (w.CheckOutRowForBrowse(row) <= 0) return;
    const std::string local = LocalItemPath(w.Values().BrowseDir, path, file);
    if (opener == Opener::DefaultApp) {
        host.OpenWithAssociatedApp(local);
        return;
    }
    const char* program = opener == Opener::Editor ? "CrystalEdit" : "HexViewer";
    const std::string command = TheApp().installDir + "/" + program + " \"" + local + "\"";
    WriteTrace("%s", command.c_str());
    LaunchTask(command, true, host);
}

}  // namespace

void CQuorvelDlg::OpenInEditor() {
    OpenCheckedOut(*this, Opener::Editor);
}

void CQuorvelDlg::OpenInHexViewer() {
    OpenCheckedOut(*this, Opener::HexViewer);
}

void CQuorvelDlg::OpenWithDefaultApp() {
    OpenCheckedOut(*this, Opener::DefaultApp);
}

KcoContext CQuorvelDlg::CheckOutContext() {
    KcoContext ctx;
    ctx.host = &host();
    ctx.installDir = TheApp().installDir;
    ctx.browseDir = values_.BrowseDir;
    ctx.broker = values_.Broker;
    ctx.userId = values_.UserId;
    ctx.password = values_.Password;
    ctx.srcProject = values_.SrcProject;
    ctx.srcState = values_.SrcState;
    ctx.checkoutPackage = values_.CheckoutPackage;
    ctx.kcoFmt = values_.KcoFmt;
    return ctx;
}

int CQuorvelDlg::CheckOutRowForBrowse(int row) {
    const CReportCtrl& list = ResultList();
    const std::string path = list.CellText(row, kColPath);
    const std::string file = list.CellText(row, kColFile);
    const std::string local = LocalItemPath(values_.BrowseDir, path, file);
    // The check-out takes the version through the package; a copy left by another row, an
    // earlier run or another program may be of any version, and nothing in the file tells. The
    // record also holds the file's identity, size and time, so a copy replaced since is not
    // taken for the one checked out.
    const std::string version = list.CellText(row, kColSrcPackage) + '\t' +
                                list.CellText(row, kColVersion) + '\t' +
                                list.CellText(row, kColItemObjId) + '\t';
    if (const auto known = browseCopies_.find(local);
        known == browseCopies_.end() || known->second != version + FileStamp(local)) {
        browseCopies_.erase(local);
        unlink(local.c_str());
    }
    const int result = RunKco(CheckOutContext(), path, file);
    if (result > 0) browseCopies_[local] = version + FileStamp(local);
    return result;
}

bool CQuorvelDlg::RefuseUnplainItem(const std::string& path, const std::string& name) {
    if (IsPlainItemLocation(path, name)) return false;
    const std::string text =
        "Unable to check out:\nthe item's Path or File would lead outside the "
        "check-out directory.\nPath: " +
        path + "\nFile: " + name;
    WriteTrace("%s", ReplaceAll(text, "\n", " ").c_str());
    host().MessageBox(MsgKind::Warning, text);
    return true;
}

void CQuorvelDlg::CompareWithLatestVersion() {
    int proceed = 1;
    CWaitDlg wait(host(), proceed, 100, *this);
    CReportCtrl& list = ResultList();
    const int row = list.FocusedRow();
    if (row < 0) return;
    const std::string type = list.CellText(row, kColType);
    const std::string tag = list.CellText(row, kColTag);
    const std::string file = list.CellText(row, kColFile);
    const std::string path = list.CellText(row, kColPath);
    values_.CheckoutPackage = list.CellText(row, kColSrcPackage);
    wait.ReportProgress(33);
    host().Sleep(250);
    if (tag == "D") {
        wait.Close();
        host().MessageBox(MsgKind::Plain, "Cannot compare 'D' tagged item.");
        return;
    }
    if (type == "0") {
        wait.Close();
        host().MessageBox(MsgKind::Plain, "Item is a directory!");
        return;
    }
    if (!IsPlainItemLocation(path, file)) {
        wait.Close();
        RefuseUnplainItem(path, file);
        return;
    }
    const std::string source = LocalItemPath(values_.BrowseDir, path, file);
    values_.TgtProject = GetDlgItemText(IDC_TGT_PROJECT, kEditMaxChars);
    values_.TgtState = GetDlgItemText(IDC_TGT_STATE, kEditMaxChars);
    values_.TgtPackage = GetDlgItemText(IDC_TGT_PACKAGE, kEditMaxChars);
    wait.SetStatusText("Comparing to Latest Version in\n" + values_.TgtProject + "->" +
                       values_.TgtState);
    if (CheckOutRowForBrowse(row) <= 0) return;
    wait.ReportProgress(66);
    WaitCursor cursor(host());
    std::string target;
    if (!CheckOutLatestTargetVersion(file, target)) return;
    wait.ReportProgress(100);
    host().Sleep(500);
    wait.Close();
    const std::string command =
        TheApp().installDir + "/WinDiff \"" + source + "\" \"" + target + "\"";
    WriteTrace("%s", command.c_str());
    LaunchTask(command, true, host());
}

bool CQuorvelDlg::CheckOutLatestTargetVersion(const std::string& itemName, std::string& localFile) {
    const std::string statement =
        FormatStatement(kLatestTargetVersionStatement,
                        {values_.TgtProject, values_.TgtState, UpperAscii(itemName)});
    Repository& repository = Repo();
    if (repository.Run(statement) != kKsqlOk) return false;
    const ResultLines result = repository.Lines(kResultReadSize);
    if (!result.readable) {
        const std::string text =
            "GetTargetPackageData: Error: Target Unable to read: " + repository.ResultPath();
        WriteTrace("%s", text.c_str());
        host().MessageBox(MsgKind::Plain, text);
        return false;
    }
    bool found = false;
    LatestVersionRow latest;
    ToolLines tool(kKsqlZeroResultsNoDot);
    for (const std::string& line : result.lines) {
        const ToolLines::Kind kind = tool.Next(line);
        if (kind == ToolLines::kError) {
            const std::string text = statement + "\n\n" + line;
            WriteTrace("%s", text.c_str());
            host().MessageBox(MsgKind::Plain, text);
            return false;
        }
        if (kind == ToolLines::kZeroResults) {
            WriteTrace("%s", line.c_str());
            break;
        }
        if (line.empty() || Contains(line, kResultHeaderMark)) continue;
        // With several items of the name, the last row is the one compared.
        latest = SplitLatestVersionRow(line);
        found = true;
        if (latest.versionStatus == "R") {
            const std::string text = "Latest Version Item to compare with is \"R\" tagged.";
            WriteTrace("%s", text.c_str());
            host().MessageBox(MsgKind::Warning, text);
            return false;
        }
    }
    if (!found) return false;
    if (!IsPlainItemLocation(latest.pathFullName, latest.itemName)) {
        RefuseUnplainItem(latest.pathFullName, latest.itemName);
        return false;
    }

    // The version goes after "-vn" without quotes: one that could split the argument or open a
    // quote would hand the tool options of its own making, so it is refused.
    const bool branch = Contains(latest.mappedVersion, ".");
    if (!branch && !IsPlainVersion(latest.mappedVersion)) {
        const std::string text =
            "Unable to check out the latest version to compare with: its version \"" +
            latest.mappedVersion + "\" is not a plain version number.";
        WriteTrace("%s", text.c_str());
        host().MessageBox(MsgKind::Warning, text);
        return false;
    }
    const std::string templ =
        RemovePackageOption(values_.KcoFmt) + " -p \"%s\"" + (branch ? " -bo \"%s\"" : " -vn %s");
    std::vector<std::string> values = {latest.itemName,  values_.Broker,     latest.environmentName,
                                       latest.stateName, values_.CompareDir, values_.UserId,
                                       values_.Password, latest.packageName, latest.mappedVersion};
    const std::string installDir = TheApp().installDir;
    const std::string logPath = KcoLogPath(installDir);
    // The password goes to the tool in its environment; the command line has none.
    const std::string command = ReplaceAll(FillToolCommand(templ, values, 6), "kco.log", logPath);
    const InstallDirLockScope lock(installDir, &host());
    if (!lock.locked()) return false;
    unlink(logPath.c_str());
    WriteTrace("RunKco: ExecuteThis: %s", command.c_str());
    const ChildVariableScope password(kToolPasswordVariable, values_.Password);
    if (LaunchTask(command, false, host()) < 0) {
        WriteTrace("RunKco: %s", "Error: Execute RunKco Failed");
        return false;
    }
    std::string text;
    if (ReadKcoLog(host(), installDir, text) != 0) {
        localFile = LocalItemPath(values_.CompareDir, latest.pathFullName, latest.itemName);
        return true;
    }
    if (Contains(text, "No version found"))
        host().MessageBox(MsgKind::Warning, "No version found for Windiff target file.\n" + text);
    return false;
}

}  // namespace qv

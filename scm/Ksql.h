// Running one SQL statement through the query tool, and the generic readers of its result file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/MainSettings.h"

namespace qv {

class Host;

// Texts the query tool writes into the result file.
inline constexpr char kKsqlErrorMarker[] = "Error: ";
inline constexpr char kKsqlZeroResults[] = "KSQL query has Zero results.";
inline constexpr char kKsqlZeroResultsNoDot[] = "KSQL query has Zero results";

// Tells the query tool's own lines from the rows of a result file. The tool writes the whole file
// at once, and an error or the zero-results line is then all it writes, so only the file's first
// line with text can be one of them; every later line is the header or a row, whatever it says
// (an item named "Error: see log.txt" is an item). Given the file's lines in order, Next() tells
// what each one is; `zeroResults` is the part of the zero-results line the reader looks for.
class ToolLines {
public:
    enum Kind { kRow, kError, kZeroResults };

    explicit ToolLines(std::string_view zeroResults = kKsqlZeroResults)
        : zeroResults_(zeroResults) {}

    Kind Next(std::string_view line) {
        if (line.empty() || textSeen_) return kRow;
        textSeen_ = true;
        if (line.find(kKsqlErrorMarker) != std::string_view::npos) return kError;
        if (line.find(zeroResults_) != std::string_view::npos) return kZeroResults;
        return kRow;
    }

private:
    std::string_view zeroResults_;
    bool textSeen_ = false;
};

// Characters per read of the result file (all readers but the package search).
inline constexpr size_t kResultReadSize = 4095;

// What the password is traced as.
inline constexpr char kMaskedPassword[] = "**********";

// The statement file and the result file in the install directory.
std::string KsqlStatementPath(const std::string& installDir);
std::string KsqlResultPath(const std::string& installDir);

// What a query needs: the host (messages, repainting while the tool runs), the install
// directory, the connection values and the command template.
struct KsqlContext {
    // The command template is the owner's own value (the main window's `KsqlFmt`): when it is
    // empty, RunKsql stores the default there, so the owner keeps it.
    explicit KsqlContext(std::string& commandTemplate) : ksqlFmt(commandTemplate) {}

    Host* host = nullptr;
    std::string installDir;
    std::string broker;
    std::string userId;
    std::string password;
    std::string& ksqlFmt;
};

// RunKsql's results.
inline constexpr int kKsqlOk = 1;
inline constexpr int kKsqlFailed = 0;
// The statement file could not be written: the error has been shown, and the action that asked
// for the query must end here rather than go on with a result it does not have.
inline constexpr int kKsqlStatementUnwritten = -1;

// Writes the statement into the statement file (unchanged, without a line end), runs the query
// tool on it and waits for it (time limit in seconds, -1: none), and makes sure it left a result
// file that is not empty. Returns kKsqlOk (1) when it did (the file may still hold an error text
// or the zero-results line); kKsqlFailed (0) when the tool could not be started or the result
// file stayed missing or empty after 1,000 checks and one repeat of the whole run;
// kKsqlStatementUnwritten (-1) when the statement file could not be written (shown as an error
// box and traced; the tool is not run). The command line is traced with the password as
// asterisks.
int RunKsql(KsqlContext& context, const std::string& statement, int timeLimitSeconds = -1);

// The first value of the result file: the tool's error or zero-results line (see ToolLines), or
// the first non-blank line after the first line (the header). `found` is false at the
// end of the file; the value is then "Error: Unable to fetch data from ksqlstmt.dat" when the file
// held no line, empty otherwise. A file that cannot be opened or read shows "Unable to read: %s"
// and gives not found with an empty value.
struct FirstValue {
    bool found = false;
    std::string value;
};
FirstValue ReadFirstValue(const std::string& installDir, Host& host);

// Every non-blank line after the header, in file order; none when the file holds the tool's error
// or zero-results line (see ToolLines), or when it cannot be opened or read ("Unable to read: %s"
// shown).
std::vector<std::string> ReadValues(const std::string& installDir, Host& host);

}  // namespace qv

// The main window's remembered values: the built-in defaults, loading them from the settings
// store at construction and saving them back, and the password scrambling.
#pragma once

#include <string>
#include <vector>

#include "app/AppValues.h"

namespace qv {

// Sections of the settings store.
inline constexpr char kSectionSettings[] = "Settings";
inline constexpr char kSectionTopList[] = "TopList";

// Built-in defaults of the options and the action templates.
inline constexpr char kDefaultMergeOption[] = "Merge Conservatively";
inline constexpr char kDefaultPlacementOption[] = "Branch Only";
// The tools get the password in their environment (scm/ToolCommand.h), never on the command line.
inline constexpr char kDefaultKsqlFmt[] = "ksql -b %s -usr %s -t -f %s -o %s";
inline constexpr char kDefaultSqlFmt[] =
    "select envobjid from KESENVIRONMENT where ENVIRONMENTNAME = '%s'";
inline constexpr char kDefaultKcoFmt[] =
    "kco -s \"%s\" -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -br -r -op pc -cp \"%s\" -usr %s "
    "-o kco.log";
inline constexpr char kDefaultKcoFmtWithPackage[] =
    "kco -s \"%s\" -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -br -r -op pc -cp \"%s\" -usr %s "
    "-o kco.log -p \"%s\" ";
inline constexpr char kDefaultKsvFmt[] =
    "ksv -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -usr %s -pw %s -iv lv -s \"*\" -o ksv.log";
inline constexpr char kDefaultKsvFmtWithPackage[] =
    "ksv -b \"%s\" -en \"%s\" -st \"%s\" -vp \\ -usr %s -pw %s -iv lv -s \"*\" -o ksv.log -p "
    "\"%s\" ";

// The longest text an edit box of the main window or of the settings dialogs hands out.
inline constexpr size_t kEditMaxChars = 254;

// The main window's values that the settings store remembers, all texts.
struct MainWindowValues {
    std::string Broker;
    std::string UserId;
    std::string Password;  // clear text in memory
    std::string SrcProject;
    std::string SrcState;
    std::string TgtProject;
    std::string TgtState;
    std::string TgtPackage;
    std::string LocalPath;
    std::string BrowseDir;        // the window's copy of the browse directory
    std::string CompareDir;       // the window's copy of the compare directory
    std::string CheckoutPackage;  // set by the item actions; empty at construction
    std::string KsvFmt;
    std::string KcoFmt;
    std::string KsqlFmt;
    std::string SqlFmt;
    std::string MergeOption;
    std::string PlacementOption;
};

// Fills the values from section "Settings" of the store: each key read with an empty default,
// and only a non-empty stored text replaces the built-in default. The browse and compare
// directories come from `app`, LocalPath defaults to its install directory, and each of these
// three loses one trailing path separator. The stored password is unscrambled; a password store
// in use (app/PasswordStore.h) that holds one gives it instead.
void LoadSettings(MainWindowValues& values, const AppValues& app = TheApp());

// Writes the values to section "Settings" (INSTALLDIR from `app` first, the password scrambled,
// or empty when a password store in use took it),
// then the column widths to section "TopList" when there is at least one column. All keys reach
// the store in one atomic rewrite; a value with a line break is left out (the file keeps what it
// holds for that key). Returns false when the file could not be written.
bool SaveSettings(const MainWindowValues& values, const std::vector<int>& columnWidths,
                  const AppValues& app = TheApp());

// Scrambles or unscrambles (the same operation) a password in place with the built-in key and
// returns its new length. Characters from position 80 on are kept as they are, the top bit of
// every scrambled character is dropped, and a character that becomes zero ends the text.
size_t ScramblePassword(std::string& text);

// Drops one trailing directory separator ('\' or '/') from a directory value; the root "/"
// stays as it is.
std::string TrimOneTrailingSeparator(const std::string& dir);

}  // namespace qv

// The saved list and the CSV export: the list file written from the list, read back into the
// source items, and the export's file dialog and directory setting.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "engine/SavedList.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ExportImport.h"

namespace qv {
namespace {

using qvtest::MakeRecord;
using qvtest::ReadFile;
using qvtest::WriteFile;

const char kHeader[] =
    "File,Path,Version,Type,Tag,Merge Status,Src Package,Datasize,Creator,Created Date,"
    "Modifier,Modified Date,Itemobjid,Record,\r\n";

// Rows of every outcome kind, an empty outcome and an empty tag, a cell with a line break, and
// cells with commas and double quotes.
std::vector<CFObj> MixedRecords() {
    std::vector<CFObj> rs = {
        MakeRecord("a.cpp", "3 -> 4 ", "11", "P1"),
        MakeRecord("b.cpp", "4 (D) -> Src Ignored", "12", "P1"),
        MakeRecord("c.cpp", "6 -> 2.1.3  (U) Unmerged Exists", "13", "P2"),
        MakeRecord("d.cpp", "3 -> 5 (E) Merge Tag Exists", "14", "P2"),
        MakeRecord("e.cpp", "3 -> 5  (M) Merge Tagged", "15", "P1"),
        MakeRecord("f.cpp", "", "16", "P3"),
    };
    rs[5].versionStatus = "";
    rs[2].creator = "two\r\nlines";
    rs[3].pathFullName = "\\Pay,roll";
    rs[3].creator = "say \"hi\"";
    rs[4].result = "2 -> x.1.1, P9";
    return rs;
}

class SavedListTest : public qvtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        path_ = CQuorvelDlg::SavedListPath();
        Start(w_);
    }
    std::string SavedFile() const { return ReadFile(path_); }

    std::string path_;
    CQuorvelDlg w_{host_};
};

TEST_F(SavedListTest, SaveThenLoadGivesTheRowsAndOutcomesBack) {
    CQuorvelDlg& w = w_;
    Fill(w, MixedRecords());
    w.UserClick(IDC_SAVE_LIST);
    EXPECT_EQ(w.Status(), " Ready - Current List Saved");
    EXPECT_EQ(host_.sleptMs, 200);

    const std::vector<std::string> lines = qvtest::Lines(SavedFile());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0] + "\n", kHeader);
    for (const std::string& line : lines) EXPECT_TRUE(line.ends_with(",\r")) << line;
    EXPECT_EQ(lines[3],
              "c.cpp,\\Payroll\\src,3,1,N,6 -> 2.1.3  (U) Unmerged Exists,P2,1024,twolines,"
              "2024-01-02 03:04:05,bob,2024-02-03 04:05:06,13,2,\r");
    EXPECT_EQ(lines[4],
              "d.cpp,\"\\Pay,roll\",3,1,N,3 -> 5 (E) Merge Tag Exists,P2,1024,\"say \"\"hi\"\"\","
              "2024-01-02 03:04:05,bob,2024-02-03 04:05:06,14,3,\r");
    EXPECT_EQ(lines[6],
              "f.cpp,\\Payroll\\src,3,1, , ,P3,1024,ann,2024-01-02 03:04:05,bob,"
              "2024-02-03 04:05:06,16,5,\r");

    w.SourceItems().RemoveAll();
    w.UserClick(IDC_CLEAR_LIST);
    w.UserClick(IDC_LOAD_SAVED_LIST);
    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(w.Status(), " Ready");
    ASSERT_EQ(w.SourceItems().GetCount(), 6);
    EXPECT_EQ(w.SelectedPackages().GetCount(), 3);  // P1, P2, P3
    for (CFObj expected : MixedRecords()) {
        SCOPED_TRACE(expected.itemName);
        if (expected.versionStatus.empty()) expected.versionStatus = " ";  // the blank stays
        if (expected.creator == "two\r\nlines") expected.creator = "twolines";
        CFObj loaded;
        ASSERT_TRUE(w.SourceItems().Lookup(expected.itemObjId, loaded));
        EXPECT_EQ(loaded, expected);
        const int row = RowOf(w, expected.itemName);
        ASSERT_GE(row, 0);
        EXPECT_TRUE(w.ResultList().IsRowChecked(row));
    }

    // Saving the list once cleared empties the file, which then loads as empty.
    w.UserClick(IDC_CLEAR_LIST);
    w.UserClick(IDC_SAVE_LIST);
    EXPECT_EQ(w.Status(), " Ready - Current List Saved");
    EXPECT_TRUE(qvtest::FileExists(path_));
    EXPECT_EQ(SavedFile(), "");
    w.UserClick(IDC_LOAD_SAVED_LIST);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"File is empty: " + path_});
}

TEST_F(SavedListTest, HandEditedLinesLoadAsTheReaderSplitsThem) {
    struct Case {
        const char* what;
        std::string body;  // the data lines after the header
        std::vector<CFObj> expected;
        int count;
    };
    CFObj full = MakeRecord("x.cpp", "3 -> 4", "7");
    CFObj shortLine;
    shortLine.itemName = "z.cpp";
    shortLine.pathFullName = "\\p";
    shortLine.mappedVersion = "2";
    CFObj quoted = shortLine;
    quoted.itemName = "vat,2024.cpp";
    quoted.pathFullName = "a \"b\",";
    CFObj open = shortLine;
    open.itemName = "\"z.cpp";
    open.pathFullName = "\\p\"x";
    CFObj errorItem = full, zeroItem = full;
    errorItem.itemName = "Error: x.cpp";
    errorItem.itemObjId = "8";
    zeroItem.itemName = "KSQL query has Zero results.";
    zeroItem.itemObjId = "9";
    CFObj commas = shortLine;
    commas.pathFullName = "2";  // a run of commas is one separator
    commas.mappedVersion = "";
    const std::string line =
        "x.cpp,\\Payroll\\src,3,1,N,   3 -> 4,PKG-1,1024,ann,2024-01-02 03:04:05,bob,"
        "2024-02-03 04:05:06,7,0,\r\n";
    // `line` with another file name and Itemobjid.
    auto named = [&line](const std::string& name, const std::string& id) {
        std::string l = name + line.substr(5);
        return l.replace(l.find(",7,0,"), 5, "," + id + ",0,");
    };
    const std::vector<Case> cases = {
        {"two lines with one Itemobjid: the first stays", line + "y" + line.substr(1), {full}, 2},
        {"a short line", "z.cpp,\\p,2,\r\n", {shortLine}, 1},
        {"leading and repeated commas", ",,z.cpp,,,2\r\n\r\n", {commas}, 1},
        {"blank lines are skipped", "\r\n" + line + "\n", {full}, 1},
        {"lines of commas alone are skipped", ",\r\n" + line + ",,,\r\n", {full}, 1},
        {"quoted cells are taken whole", "\"vat,2024.cpp\",\"a \"\"b\"\",\",2,\r\n", {quoted}, 1},
        {"a quote not closed before a comma reads as before", "\"z.cpp,\\p\"x,2\r\n", {open}, 1},
        // The list is written by this program: only its first line can be the tool's text.
        {"items named like the tool's error and zero-results texts",
         line + named("Error: x.cpp", "8") + named("KSQL query has Zero results.", "9"),
         {full, errorItem, zeroItem},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFile(path_, kHeader + c.body));
        CMapStrToFObj items;
        items.SetAt("old", CFObj{});
        EXPECT_EQ(CImport(w_).ReadSavedList(path_, items), c.count);
        ASSERT_EQ(items.GetCount(), static_cast<int>(c.expected.size()));
        for (const CFObj& e : c.expected) {
            CFObj got;
            ASSERT_TRUE(items.Lookup(e.itemObjId, got)) << e.itemObjId;
            EXPECT_EQ(got, e);
        }
    }
}

TEST_F(SavedListTest, AFileWithoutDataLinesIsReportedEmptyAndTheListStays) {
    struct Case {
        const char* what;
        const char* contents;  // nullptr: no file
        std::vector<std::string> boxes;
    };
    const std::string& path = path_;
    const std::vector<Case> cases = {
        {"no file", nullptr, {"Unable to read: " + path}},
        {"an empty file", "", {"File is empty: " + path}},
        {"a header only", kHeader, {"File is empty: " + path}},
        {"an error line", "Error: no such table\r\n", {"File is empty: " + path}},
        {"zero results", "KSQL query has Zero results.\r\n", {"File is empty: " + path}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(path.c_str());
        if (c.contents) {
            ASSERT_TRUE(WriteFile(path, c.contents));
        }
        host_.ClearBoxes();
        Fill(w_, {MakeRecord("kept.cpp", "", "1")});
        w_.UserClick(IDC_LOAD_SAVED_LIST);
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_EQ(host_.boxes.back().kind, c.contents ? MsgKind::Warning : MsgKind::Plain);
        EXPECT_EQ(w_.Status(), " Loading previous saved list: " + path);
        EXPECT_EQ(w_.ResultList().CellText(0, kColFile), "kept.cpp");
        EXPECT_EQ(w_.SourceItems().GetCount(), c.contents ? 0 : 1);
    }
}

TEST_F(SavedListTest, AListNamedOnTheCommandLineLoadsAtStartAsLoadSavedListLoadsItsOwn) {
    Fill(w_, MixedRecords());
    w_.UserClick(IDC_SAVE_LIST);
    AppValues app = TheApp();
    app.listFile = home_ / "lists/merge-prediction.save";
    ASSERT_TRUE(WriteFile(app.listFile, SavedFile()));
    SetAppValues(app);
    CQuorvelDlg w(host_);
    Start(w);
    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(w.Status(), " Ready");
    EXPECT_EQ(w.ResultList().RowCount(), 6);
    EXPECT_EQ(w.SelectedPackages().GetCount(), 3);
}

TEST_F(SavedListTest, AFileThatCannotBeWrittenKeepsTheOldOneAndTheSavingStatus) {
    Fill(w_, {MakeRecord("a.cpp", "", "1")});
    // A directory where the file should be: the rename cannot replace it.
    ASSERT_EQ(mkdir(path_.c_str(), 0755), 0);
    w_.UserClick(IDC_SAVE_LIST);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(host_.boxes[0].text.rfind("Unable to write " + path_, 0), 0u);
    EXPECT_EQ(w_.Status(), " Saving list to: " + path_);
    // No temporary file is left behind.
    for (const auto& e : std::filesystem::directory_iterator(TheApp().installDir))
        EXPECT_EQ(e.path().filename().string().find(".toplist.save."), std::string::npos);
}

TEST_F(SavedListTest, ExportWritesTheSavedListFormatWhereTheUserChoseAndRemembersTheDirectory) {
    CQuorvelDlg& w = w_;
    Fill(w, MixedRecords());
    w.UserClick(IDC_SAVE_LIST);
    const std::string saved = SavedFile();

    struct Step {
        const char* what;
        std::optional<std::string> chosen;
        std::string expectedInitialDir;
        std::string storedAfter;
    };
    const std::string out = home_ / "out";
    ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
    const std::vector<Step> steps = {
        {"cancelled", std::nullopt, "../data", "<absent>"},
        {"first export", out + "/list.csv", "../data", out},
        {"a name without an extension", out + "/sub-less", out, out},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        host_.QueueFile(s.chosen);
        const size_t before = host_.fileRequests.size();
        w.UserClick(IDC_EXPORT_LIST);
        ASSERT_EQ(host_.fileRequests.size(), before + 1);
        const FileDialogRequest& r = host_.fileRequests.back();
        EXPECT_EQ(r.initialDir, s.expectedInitialDir);
        EXPECT_EQ(r.filters,
                  (std::vector<std::pair<std::string, std::string>>{
                      {"CSV Files (*.csv)", "*.csv"}, {"HTML report (*.html)", "*.html;*.htm"}}));
        EXPECT_TRUE(r.overwritePrompt);
        EXPECT_EQ(r.defaultExtension, "");
        EXPECT_EQ(r.initialName, "");
        EXPECT_EQ(ReadSettingText(kSectionSettings, "ExportTopDirectory", "<absent>"),
                  s.storedAfter);
        if (s.chosen) {
            EXPECT_EQ(ReadFile(*s.chosen), saved);
        }
    }
    EXPECT_FALSE(qvtest::FileExists(home_ / "data"));
    EXPECT_TRUE(host_.boxes.empty());

    // A blank list shows no dialog and writes nothing.
    w.UserClick(IDC_CLEAR_LIST);
    host_.QueueFile(out + "/blank.csv");
    w.UserClick(IDC_EXPORT_LIST);
    EXPECT_EQ(host_.fileRequests.size(), steps.size());
    EXPECT_FALSE(qvtest::FileExists(out + "/blank.csv"));
}

TEST_F(SavedListTest, LoadedPackagesGoUnderTheCountOrTheNextFreeKey) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, CPkgObj>> before;
        std::vector<std::pair<std::string, CPkgObj>> after;
    };
    const CPkgObj p1{"P1", "1"}, p2{"P2", "1"}, p9{"P9", "0"};
    const std::vector<Case> cases = {
        {"empty map", {}, {{"0", p1}, {"1", p2}}},
        {"P1 there", {{"0", p1}}, {{"0", p1}, {"1", p2}}},
        {"the count's key taken", {{"1", p9}}, {{"1", p9}, {"2", p1}, {"3", p2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CQuorvelDlg w(host_);
        Start(w);
        Fill(w, {MakeRecord("a.cpp", "", "1", "P1"), MakeRecord("b.cpp", "", "2", "P2"),
                 MakeRecord("c.cpp", "", "3", "P1")});
        w.UserClick(IDC_SAVE_LIST);
        for (const auto& [key, p] : c.before) w.SelectedPackages().SetAt(key, p);
        w.UserClick(IDC_LOAD_SAVED_LIST);
        ASSERT_EQ(w.SelectedPackages().GetCount(), static_cast<int>(c.after.size()));
        for (const auto& [key, p] : c.after) {
            CPkgObj got;
            ASSERT_TRUE(w.SelectedPackages().Lookup(key, got)) << key;
            EXPECT_EQ(got, p) << key;
        }
    }
}

}  // namespace
}  // namespace qv

// The item actions' checks before anything is checked out: the row's tag, type, and a Path or
// File that would lead outside the check-out directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeRepository.h"
#include "tests/ui/WindowFixture.h"
#include "ui/WaitDlg.h"

namespace qv {
namespace {

using qvtest::MakeRecord;

class ItemActionsTest : public qvtest::WindowTest {
protected:
    bool KcoRan() const {
        for (const std::string& line : Trace())
            if (line == "RunKco: START") return true;
        return false;
    }
};

TEST_F(ItemActionsTest, RowsThatCannotBeCheckedOutGetTheirMessageAndNothingRuns) {
    const std::string outside =
        "Unable to check out:\nthe item's Path or File would lead outside the check-out "
        "directory.\n";
    struct Case {
        const char* what;
        std::string tag, type, path, file;
        int command;
        std::string box;  // empty: none
    };
    const std::vector<Case> cases = {
        {"D before directory (browse)", "D", "0", "\\p", "f.txt", ID_OPEN_HEXVIEWER,
         "Item is 'D' tagged.\nUnable to check out for browse:\nf.txt"},
        {"D before directory (compare)", "D", "0", "\\p", "f.txt", ID_WINDIFF_LATEST,
         "Cannot compare 'D' tagged item."},
        {"directory (editor)", "N", "0", "\\p", "dir", ID_OPEN_CRYSTALEDIT, "Item is a directory!"},
        {"directory (compare)", "N", "0", "\\p", "dir", ID_WINDIFF_LATEST, "Item is a directory!"},
        {"climbing path", "N", "1", "\\a\\..\\..\\b", "f.txt", ID_OPEN_CRYSTALEDIT,
         outside + "Path: \\a\\..\\..\\b\nFile: f.txt"},
        {"path without a leading separator", "N", "1", "Payroll\\src", "f.txt",
         ID_OPEN_DEFAULT_ASSOC, outside + "Path: Payroll\\src\nFile: f.txt"},
        {"empty path component", "N", "1", "\\a\\\\b", "f.txt", ID_WINDIFF_LATEST,
         outside + "Path: \\a\\\\b\nFile: f.txt"},
        {"name with a separator", "N", "1", "\\a", "../../x", ID_OPEN_HEXVIEWER,
         outside + "Path: \\a\nFile: ../../x"},
        {"name with a quote", "N", "1", "\\a", "x\" -rf \"y", ID_OPEN_CRYSTALEDIT,
         outside + "Path: \\a\nFile: x\" -rf \"y"},
        {"name ..", "N", "1", "\\a", "..", ID_OPEN_CRYSTALEDIT, outside + "Path: \\a\nFile: .."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.ClearBoxes();
        CQuorvelDlg w(host_);
        Start(w);
        CFObj r = MakeRecord(c.file, "", "1", "PKG-7");
        r.versionStatus = c.tag;
        r.itemType = c.type;
        r.pathFullName = c.path;
        Fill(w, {r});
        w.ResultList().SetRowFocused(0);
        w.OnCommand(c.command);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.box});
        EXPECT_FALSE(KcoRan());
        EXPECT_TRUE(host_.opened.empty());
        EXPECT_EQ(w.Values().CheckoutPackage, "PKG-7");
        EXPECT_TRUE(w.IsWindowEnabled());  // the compare's wait dialog is gone
    }
}

TEST_F(ItemActionsTest, WithoutAFocusedRowNothingHappens) {
    CQuorvelDlg w(host_);
    Start(w);
    Fill(w, {MakeRecord("a.cpp", "", "1")});
    w.ResultList().SetRowFocused(-1);
    for (int command :
         {ID_OPEN_CRYSTALEDIT, ID_OPEN_HEXVIEWER, ID_OPEN_DEFAULT_ASSOC, ID_WINDIFF_LATEST}) {
        w.OnCommand(command);
        EXPECT_TRUE(host_.boxes.empty());
        EXPECT_FALSE(KcoRan());
        EXPECT_TRUE(w.IsWindowEnabled());
    }
    EXPECT_EQ(host_.modelessIds.back(), IDD_WAIT);
}

TEST_F(ItemActionsTest, TheLatestTargetVersionIsRefusedOnWhatTheQueryReturns) {
    const std::string header =
        "ENVIRONMENTNAME\tITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\tITEMTYPE\tVERSIONSTATUS\t"
        "STATENAME\tPACKAGENAME\tITEMOBJID\n";
    auto row = [](const std::string& version, const std::string& tag) {
        return "PayrollEU\tit's.c\t\\P\t" + version + "\t1\t" + tag + "\tDEV\tEU1\t9\n";
    };
    const std::string refused =
        "Unable to check out the latest version to compare with: its "
        "version \"";
    struct Case {
        const char* what;
        std::string result;
        std::string box;  // the start of the one message; empty: none
    };
    const std::vector<Case> cases = {
        {"error line", "Error: no such column\n", "SELECT KESENVIRONMENT.ENVIRONMENTNAME, "},
        {"zero results", "KSQL query has Zero results.\n", ""},
        {"empty result", "\n", ""},
        {"R tagged after an ordinary row", header + row("3", "N") + row("4", "R"),
         "Latest Version Item to compare with is \"R\" tagged."},
        {"rows that read like the tool's own lines",
         header + "PayrollEU\tError: see log.txt\t\\P\t3\t1\tN\tDEV\tEU1\t9\n" +
             "PayrollEU\tKSQL query has Zero results.txt\t\\P\t3\t1\tN\tDEV\tEU1\t9\n" +
             row("4", "R"),
         "Latest Version Item to compare with is \"R\" tagged."},
        {"version with a blank", header + row("5 -pw x", "N"), refused + "5 -pw x\""},
        {"version with a quote", header + row("5\"", "N"), refused + "5\"\""},
        {"path leading out", header + "E\tx.c\t\\..\\..\t3\t1\tN\tDEV\tEU1\t9\n",
         "Unable to check out:\nthe item's Path or File would lead outside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.ClearBoxes();
        CQuorvelDlg w(host_);
        Start(w);
        qvtest::FakeRepository repo(host_);
        repo.Answer(c.result);
        w.SetRepositoryForTesting(&repo);
        w.Values().TgtProject = "PayrollEU";
        w.Values().TgtState = "DEV";
        std::string local = "untouched";
        EXPECT_FALSE(w.CheckOutLatestTargetVersion("it's.c", local));
        EXPECT_EQ(local, "untouched");
        ASSERT_EQ(repo.statements().size(), 1u);
        EXPECT_NE(repo.statements()[0].find("ITEMNAMEUPPER = 'IT''S.C'"), std::string::npos);
        EXPECT_TRUE(repo.statements()[0].ends_with("MAXVERSIONS.Max_VERSIONOBJID "));
        if (c.box.empty()) {
            EXPECT_TRUE(host_.boxes.empty());
        } else {
            ASSERT_EQ(host_.boxes.size(), 1u);
            EXPECT_EQ(host_.boxes[0].text.rfind(c.box, 0), 0u) << host_.boxes[0].text;
        }
        EXPECT_FALSE(KcoRan());
        for (const std::string& line : Trace()) EXPECT_NE(line.rfind("RunKco:", 0), 0u) << line;
    }
}

}  // namespace
}  // namespace qv

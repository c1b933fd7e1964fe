// Find: the dialog and the search over the result list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainSettings.h"
#include "tests/support/FakeRepository.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ContextSetDlg.h"
#include "ui/FindTopDlg.h"

namespace qv {
namespace {

using qvtest::MakeRecord;

class FindTest : public qvtest::WindowTest {
protected:
    // A list of `rows` rows named f00.cpp, f01.cpp ... (sorted in that order).
    void FillRows(CQuorvelDlg& w, int rows) {
        std::vector<CFObj> rs;
        for (int i = 0; i < rows; ++i) {
            const std::string n = (i < 10 ? "f0" : "f") + std::to_string(i);
            rs.push_back(MakeRecord(n + ".cpp", "", "id" + n));
        }
        Fill(w, rs);
    }
    // Answers the next Find dialog with a typed text (nothing: Cancel), and notes what it
    // started with.
    void Answer(std::optional<std::string> typed) {
        host_.OnNextModal([this, typed](Dialog& d) {
            shownText_ = d.GetDlgItemText(IDC_FIND_TEXT);
            if (!typed) return d.UserClick(IDCANCEL);
            d.UserSetText(IDC_FIND_TEXT, *typed);
            d.UserKeyEnter();
        });
    }
    std::string shownText_;
};

TEST_F(FindTest, SelectsTheFirstMatchingRowAndScrollsThreeRowsBelowIt) {
    struct Case {
        const char* what;
        int matchRow;  // the row given the matching cell, -1 none
        int matchColumn;
        std::string cell;
        std::string text;
        int selected;  // -1: nothing found
        int ensured;
    };
    const std::vector<Case> cases = {
        {"file name, any case", 7, kColFile, "README.TXT", "readme", 7, 10},
        {"one of the last three rows", 13, kColFile, "README.TXT", "readme", 13, 13},
        {"the first of two matches", 3, kColCreator, "Readme-Writer", "readme", 3, 6},
        {"hidden Itemobjid column", 4, kColItemObjId, "hidden-key", "HIDDEN-KEY", 4, 7},
        {"hidden Record column", 6, kColRecord, "zz-top", "zz-top", 6, 9},
        {"the Path column", 2, kColPath, "\\Odd\\Dir", "\\odd\\dir", 2, 5},
        {"no match", -1, -1, "", "nowhere", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CQuorvelDlg w(host_);
        Start(w);
        FillRows(w, 15);
        if (c.matchRow >= 0) w.ResultList().SetCellText(c.matchRow, c.matchColumn, c.cell);
        w.ResultList().SetCellText(14, kColFile, "readme.md");  // a later match
        w.ResultList().SetRowSelected(0);
        w.ResultList().SetRowFocused(1);
        const int ensuredBefore = w.ResultList().LastEnsuredVisibleRow();

        for (int run = 0; run < 2; ++run) {  // the search always starts again at the top
            Answer(c.text);
            w.UserClick(IDC_FIND);
            EXPECT_EQ(w.ResultList().SelectedRow(), c.selected < 0 ? 0 : c.selected);
            EXPECT_EQ(w.ResultList().LastEnsuredVisibleRow(),
                      c.ensured < 0 ? ensuredBefore : c.ensured);
            EXPECT_EQ(w.ResultList().FocusedRow(), 1);
            EXPECT_EQ(w.GetFocusId(), c.selected < 0 ? IDC_FIND : IDC_RESULT_LIST);
        }
        EXPECT_TRUE(host_.boxes.empty());
    }
}

TEST_F(FindTest, TheTypedTextIsStoredAndTheUpperCaseFormRemembered) {
    CQuorvelDlg w(host_);
    Start(w);
    FillRows(w, 3);
    WriteSettingText(kSectionSettings, "SearchTopText", "stored");

    Answer(std::string("f01"));
    w.UserClick(IDC_FIND);
    EXPECT_EQ(shownText_, "stored");  // read from the settings when nothing was searched yet
    EXPECT_EQ(ReadSettingText(kSectionSettings, "SearchTopText"), "f01");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "FindString"), "f01");
    EXPECT_EQ(w.SearchText(), "F01");

    // Cancel changes neither the selection nor the settings nor the text.
    w.ResultList().SetRowSelected(2);
    Answer(std::nullopt);
    w.UserClick(IDC_FIND);
    EXPECT_EQ(shownText_, "F01");
    EXPECT_EQ(w.ResultList().SelectedRow(), 2);
    EXPECT_EQ(ReadSettingText(kSectionSettings, "SearchTopText"), "f01");
    EXPECT_EQ(w.SearchText(), "F01");

    // A new run of the program starts from the typed form.
    HeadlessHost next;
    CQuorvelDlg again(next);
    next.ShowModeless(again);
    std::string shown;
    next.OnNextModal([&](Dialog& d) {
        shown = d.GetDlgItemText(IDC_FIND_TEXT);
        d.UserClick(IDCANCEL);
    });
    again.UserClick(IDC_FIND);
    EXPECT_EQ(shown, "f01");
}

TEST_F(FindTest, TheDialogEnablesFindOnlyWithTextAndKeepsItsOptionsHidden) {
    EXPECT_EQ(FindTopTemplate().title, "Find");
    CFindTopDlg d(host_, "");
    host_.ShowModeless(d);
    for (int id : {IDC_FIND_UP, IDC_FIND_DOWN, IDC_FIND_MATCH_CASE, IDC_FIND_WHOLE_WORD}) {
        EXPECT_FALSE(d.IsControlVisible(id)) << id;
        EXPECT_FALSE(d.IsControlEnabled(id)) << id;
    }
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_FIND_DOWN), 1);
    EXPECT_EQ(d.GetFocusId(), IDC_FIND_TEXT);

    const std::pair<const char*, bool> steps[] = {
        {"", false}, {"a", true}, {"", false}, {" ", true}};  // typed, Find enabled
    for (const auto& [typed, findEnabled] : steps) {
        d.UserSetText(IDC_FIND_TEXT, typed);
        EXPECT_EQ(d.IsControlEnabled(IDOK), findEnabled) << "'" << typed << "'";
    }
    d.UserSetText(IDC_FIND_TEXT, "");
    d.UserKeyEnter();  // the disabled default button does nothing
    EXPECT_FALSE(d.IsEnded());
    d.UserSetText(IDC_FIND_TEXT, "x");
    d.UserKeyEnter();
    EXPECT_TRUE(d.IsEnded());
    EXPECT_EQ(d.Result(), IDOK);
    EXPECT_EQ(d.Text(), "x");
    EXPECT_TRUE(d.Down());
    EXPECT_FALSE(d.MatchCase());
    EXPECT_FALSE(d.WholeWord());

    CFindTopDlg withText(host_, "start");
    host_.ShowModeless(withText);
    EXPECT_TRUE(withText.IsControlEnabled(IDOK));
    EXPECT_EQ(withText.GetDlgItemText(IDC_FIND_TEXT), "start");
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// F3 goes on from the selected row to the next match; past the last one the status line says
// so and the selection stays. It opens Find's dialog while nothing was looked for, and does
// nothing while "Find..." is disabled.
TEST_F(FindTest, FindNextGoesOnFromTheSelectedRow) {
    CQuorvelDlg w(host_);
    Start(w);
    FillRows(w, 12);
    for (int r : {2, 5, 9}) w.ResultList().SetCellText(r, kColPath, "\\Docs");

    Answer(std::string("docs"));
    w.UserAccelerator(ID_FIND_NEXT);  // nothing searched yet: the dialog
    EXPECT_EQ(w.ResultList().SelectedRow(), 2);
    struct Step {
        int selectBefore;  // -1: leave the selection
        int selected;
        bool notFound;
    };
    const Step steps[] = {{-1, 5, false}, {-1, 9, false}, {-1, 9, true},
                          {0, 2, false},  {6, 9, false},  {10, 10, true}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.selectBefore);
        if (s.selectBefore >= 0) w.ResultList().SetRowSelected(s.selectBefore);
        w.SetDlgItemText(IDC_STATUS, "before");
        w.UserAccelerator(ID_FIND_NEXT);
        EXPECT_EQ(w.ResultList().SelectedRow(), s.selected);
        EXPECT_EQ(w.GetDlgItemText(IDC_STATUS), s.notFound ? "Not found: docs" : "before");
    }
    // The dialog's search from the top says the same when nothing holds the text.
    Answer(std::string("Nowhere"));
    w.UserClick(IDC_FIND);
    EXPECT_EQ(w.GetDlgItemText(IDC_STATUS), "Not found: Nowhere");

    w.EnableControl(IDC_FIND, false);
    w.ResultList().SetRowSelected(0);
    Answer(std::string("docs"));
    w.UserAccelerator(ID_FIND_NEXT);
    EXPECT_EQ(w.ResultList().SelectedRow(), 0);
    EXPECT_TRUE(host_.boxes.empty());
}

// Enter presses the button its box belongs with: "Set CPM Context..." in the password box,
// "Search for Packages" in the context dialog's source boxes; the default button elsewhere.
TEST_F(FindTest, EnterPressesTheButtonOfItsBox) {
    CQuorvelDlg w(host_);
    qvtest::FakeRepository repo(host_);
    const CMapStrToPkgObj none;
    CContextSetDlg context(host_, repo, none);
    struct Row {
        const Dialog* dialog;
        int focus, button;
    };
    const Row rows[] = {
        {&w, IDC_PASSWORD, IDC_SET_CONTEXT},
        {&w, IDC_USERID, 0},
        {&context, IDC_CTX_SRC_PROJECT, IDC_CTX_SEARCH},
        {&context, IDC_CTX_SRC_STATE, IDC_CTX_SEARCH},
        {&context, IDC_CTX_TGT_STATE, 0},
        {&context, IDC_CTX_LOCAL_PATH, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(r.dialog->EnterButtonFor(r.focus), r.button) << r.focus;
}

// F5 starts an analysis like its button, and never cancels a running one.
TEST_F(FindTest, FiveStartsAnAnalysisButNeverCancelsOne) {
    struct Counting : CQuorvelDlg {
        using CQuorvelDlg::CQuorvelDlg;
        void OnBtnRunCPM() override { ++runs; }
        int runs = 0;
    } w(host_);
    Start(w);
    w.UserAccelerator(ID_START_ANALYSIS);
    EXPECT_EQ(w.runs, 1);
    w.SetAnalysisRunning(true);
    w.UserAccelerator(ID_START_ANALYSIS);
    EXPECT_EQ(w.runs, 1);
}

}  // namespace
}  // namespace qv

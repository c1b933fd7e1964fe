// The context dialog and the loading of the chosen packages against the real ksql on a demo
// repository, driven through the headless host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "tests/e2e/Fixture.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace {

// A main window whose target load is counted and reported as done.
class CountingWindow : public qv::CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        SetTargetDataLoaded(true);
        return ++targetLoads > 0;
    }
    int targetLoads = 0;
};

class ContextEndToEnd : public e2e::EndToEnd {
protected:
    // The demo data plus a package without items in the state that has none; two items of
    // PAY0001 named like the query tool's own lines, and two with an empty tag.
    void ChangeRepository(e2e::DemoRepository& repo) override {
        repo.Exec(
            "INSERT INTO KESPACKAGE (PACKAGEOBJID, ENVOBJID, STATEOBJID, PACKAGENAME) SELECT "
            "990001, s.ENVOBJID, s.STATEOBJID, 'PAY0009' FROM KESSTATE s JOIN KESENVIRONMENT e "
            "ON s.ENVOBJID = e.ENVOBJID WHERE e.ENVIRONMENTNAME = 'Payroll' AND "
            "s.STATENAME = 'ARCHIVE'");
        repo.Exec(
            "UPDATE KESITEMNAME SET ITEMNAME = 'Error: see log.txt' WHERE ITEMNAME = "
            "'newscreen.cpp'");
        repo.Exec(
            "UPDATE KESITEMNAME SET ITEMNAME = 'KSQL query has Zero results.txt' WHERE "
            "ITEMNAME = 'Makefile'");
        repo.Exec(
            "UPDATE KESVERSIONS SET VERSIONSTATUS = '' WHERE ITEMNAMEID IN (SELECT NAMEOBJID "
            "FROM KESITEMNAME WHERE ITEMNAME IN ('zero.cpp', 'tax.cpp')) AND PACKAGEOBJID IN "
            "(SELECT PACKAGEOBJID FROM KESPACKAGE WHERE PACKAGENAME = 'PAY0001')");
    }
    void SetUp() override {
        EndToEnd::SetUp();
        qv::AppValues app;
        app.installDir = install_.path();
        app.browseDir = install_ / "Temp";
        qv::SetAppValues(app);
        window_ = std::make_unique<CountingWindow>(host_);
        host_.ShowModeless(*window_);
        window_->SetDlgItemText(qv::IDC_BROKER, "demo");
        window_->SetDlgItemText(qv::IDC_USERID, e2e::kTester);
        window_->SetDlgItemText(qv::IDC_PASSWORD, e2e::kTesterPassword);
    }
    void TearDown() override {
        window_.reset();
        qv::SetAppValues({});
        EndToEnd::TearDown();
    }
    // "Set CPM Context..." searching Payroll/`state`, with the target package typed in unless
    // empty; returns the rows the search listed ("+" when checked).
    std::vector<std::string> Load(const std::string& state, const std::string& package) {
        std::vector<std::string> listed;
        host_.OnNextModal([&](qv::Dialog& dialog) {
            auto& d = e2e::SearchContext(dialog, state, package);
            for (int r = 0; r < d.Packages().RowCount(); ++r)
                listed.push_back(d.Packages().CellText(r, 0) +
                                 (d.Packages().IsRowChecked(r) ? "+" : ""));
            d.UserClick(qv::IDOK);
        });
        window_->UserClick(qv::IDC_SET_CONTEXT);
        return listed;
    }
    // The version and package of the row showing a file.
    std::string Row(const std::string& file) {
        const qv::CReportCtrl& list = window_->ResultList();
        for (int r = 0; r < list.RowCount(); ++r)
            if (list.CellText(r, qv::kColFile) == file)
                return list.CellText(r, qv::kColVersion) + " " +
                       list.CellText(r, qv::kColSrcPackage);
        return "-";
    }

    std::unique_ptr<CountingWindow> window_;
};

TEST_P(ContextEndToEnd, SearchingPayrollDevListsBothPackagesAndOkLoadsTheirItems) {
    EXPECT_EQ(Load("DEV", "EU0001"), (std::vector<std::string>{"PAY0001+", "PAY0002+"}));
    EXPECT_TRUE(host_.boxes.empty());
    // 25 items in PAY0001, 2 in PAY0002, util.cpp in both: the greater byte string stays.
    EXPECT_EQ(window_->ResultList().RowCount(), 26);
    EXPECT_EQ(Row("util.cpp"), "1.9.1 PAY0002");
    EXPECT_EQ(Row("tax.cpp"), "3 PAY0001");
    EXPECT_EQ(Row("Error: see log.txt"), "1 PAY0001");
    EXPECT_EQ(Row("KSQL query has Zero results.txt"), "1 PAY0001");
    EXPECT_EQ(window_->Status(), qv::kStatusReadyToRun);
}

TEST_P(ContextEndToEnd, APackageWithoutItemsShowsItsCollectedStatus) {
    EXPECT_EQ(Load("ARCHIVE", "EU0001"), std::vector<std::string>{"PAY0009+"});
    EXPECT_EQ(window_->SourceItems().GetCount(), 0);
    EXPECT_EQ(window_->Status(),
              "Processing Package: PAY0009 -  Processing Package: "
              "PAY0009KSQL query has Zero results.\n");
}

TEST_P(ContextEndToEnd, OnlyAChangedTargetReloadsTheTargetData) {
    for (const auto& [package, loads] :
         std::vector<std::pair<std::string, int>>{{"EU0001", 1}, {"EU0001", 1}, {"EU0002", 2}}) {
        Load("DEV", package);
        EXPECT_EQ(window_->targetLoads, loads) << package;
    }
    // A package typed into the main window's box before the dialog counts too.
    window_->SetDlgItemText(qv::IDC_TGT_PACKAGE, "EU0003");
    Load("DEV", "");
    EXPECT_EQ(window_->targetLoads, 3);
}

QV_E2E_ON_BOTH_BACKENDS(ContextEndToEnd);

}  // namespace

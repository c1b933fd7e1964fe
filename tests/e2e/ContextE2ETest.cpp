// The context dialog and the loading of the chosen packages against the real ksql on a demo
// repository, driven through the headless host the way a user drives the windows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "tests/e2e/Fixture.h"
#include "tests/e2e/Repository.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace {

// A main window whose target load is counted and reported as done.
class CountingWindow : public qv::CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        ++targetLoads;
        SetTargetDataLoaded(true);
        return true;
    }
    int targetLoads = 0;
};

class ContextEndToEnd : public e2e::EndToEnd {
protected:
    // The demo data plus a package without items in the state that has none.
    static void SetUpTestSuite() {
        repo_ = std::make_unique<e2e::DemoRepository>();
        repo_->Exec(
            "INSERT INTO KESPACKAGE (PACKAGEOBJID, ENVOBJID, STATEOBJID, PACKAGENAME) SELECT "
            "990001, e.ENVOBJID, s.STATEOBJID, 'PAY0009' FROM KESENVIRONMENT e JOIN KESSTATE s "
            "ON s.ENVOBJID = e.ENVOBJID WHERE e.ENVIRONMENTNAME = 'Payroll' AND "
            "s.STATENAME = 'ARCHIVE'");
    }

    void SetUp() override {
        EndToEnd::SetUp();
        qv::AppValues app;
        app.installDir = install_.path();
        app.provisionalInstallDir = install_.path();
        app.browseDir = install_ / "Temp";
        app.compareDir = install_ / "Temp1";
        app.traceFile = trace_;
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

    // Runs "Set CPM Context..." with the dialog searching project/state and taking the target
    // package (an empty one: the package the dialog shows); `listed` receives the package names
    // the search listed and whether each row was checked.
    void Load(const std::string& state, const std::string& package,
              std::vector<std::string>* listed = nullptr) {
        host_.OnNextModal([=](qv::Dialog& dialog) {
            auto& d = static_cast<qv::CContextSetDlg&>(dialog);
            d.UserSetText(qv::IDC_CTX_SRC_PROJECT, "Payroll");
            d.UserSetText(qv::IDC_CTX_SRC_STATE, state);
            d.UserSetText(qv::IDC_CTX_TGT_PROJECT, "PayrollEU");
            d.UserSetText(qv::IDC_CTX_TGT_STATE, "DEV");
            if (!package.empty()) d.UserSetText(qv::IDC_CTX_TGT_PACKAGE, package);
            d.UserClick(qv::IDC_CTX_SEARCH);
            if (listed) {
                for (int r = 0; r < d.Packages().RowCount(); ++r)
                    listed->push_back(d.Packages().CellText(r, 0) +
                                      (d.Packages().IsRowChecked(r) ? " checked" : ""));
            }
            d.UserClick(qv::IDOK);
        });
        window_->UserClick(qv::IDC_SET_CONTEXT);
    }
    qv::CFObj Item(const std::string& name) {
        std::string key;
        qv::CFObj r;
        for (auto pos = window_->SourceItems().GetStartPosition(); pos;) {
            window_->SourceItems().GetNextAssoc(pos, key, r);
            if (r.itemName == name) return r;
        }
        return {};
    }

    std::unique_ptr<CountingWindow> window_;
};

TEST_F(ContextEndToEnd, SearchingPayrollDevListsBothPackagesAndOkLoadsTheirItems) {
    std::vector<std::string> listed;
    Load("DEV", "EU0001", &listed);
    EXPECT_EQ(listed, (std::vector<std::string>{"PAY0001 checked", "PAY0002 checked"}));
    EXPECT_TRUE(host_.boxes.empty());
    // 25 items in PAY0001, 2 in PAY0002, util.cpp in both.
    EXPECT_EQ(window_->SourceItems().GetCount(), 26);
    EXPECT_EQ(window_->ResultList().RowCount(), 26);
    EXPECT_EQ(window_->GetDlgItemText(qv::IDC_ROW_COUNT), "26");
    const qv::CFObj util = Item("util.cpp");
    EXPECT_EQ(util.mappedVersion, "1.9.1");
    EXPECT_EQ(util.packageName, "PAY0002");
    const qv::CFObj tax = Item("tax.cpp");
    EXPECT_EQ(tax.pathFullName, "\\Payroll\\src\\calc");
    EXPECT_EQ(tax.packageName, "PAY0001");
    EXPECT_EQ(window_->Status(), qv::kStatusReadyToRun);
    EXPECT_EQ(window_->GetFocusId(), qv::IDC_RUN_CPM);
    EXPECT_EQ(window_->targetLoads, 1);
}

TEST_F(ContextEndToEnd, APackageWithoutItemsShowsItsCollectedStatus) {
    std::vector<std::string> listed;
    Load("ARCHIVE", "EU0001", &listed);
    EXPECT_EQ(listed, std::vector<std::string>{"PAY0009 checked"});
    EXPECT_EQ(window_->SourceItems().GetCount(), 0);
    EXPECT_EQ(window_->Status(),
              "Processing Package: PAY0009 -  Processing Package: PAY0009KSQL query has Zero "
              "results.\n");
    EXPECT_EQ(window_->targetLoads, 0);
}

TEST_F(ContextEndToEnd, OnlyAChangedTargetReloadsTheTargetData) {
    const std::vector<std::pair<std::string, int>> steps = {
        {"EU0001", 1}, {"EU0001", 1}, {"EU0002", 2}, {"EU0002", 2}};
    for (const auto& [package, loads] : steps) {
        SCOPED_TRACE(package);
        Load("DEV", package);
        EXPECT_EQ(window_->targetLoads, loads);
        EXPECT_EQ(window_->GetDlgItemText(qv::IDC_TGT_PACKAGE), package);
    }
    // Changing the target package in the main window's box before the dialog counts too: the
    // dialog opens with it.
    window_->SetDlgItemText(qv::IDC_TGT_PACKAGE, "EU0003");
    Load("DEV", "");
    EXPECT_EQ(window_->GetDlgItemText(qv::IDC_TGT_PACKAGE), "EU0003");
    EXPECT_EQ(window_->targetLoads, 3);
}

}  // namespace

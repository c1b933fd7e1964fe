// The mapped version calculation and the target load against the real ksql on a demo
// repository.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "engine/MappedVersion.h"
#include "engine/TargetData.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/e2e/Fixture.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"

namespace {

using Strings = std::vector<std::string>;

class TargetEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        ctx_.host = &host_;
        ctx_.installDir = install_.path();
        ctx_.broker = "demo";
        ctx_.userId = e2e::kTester;
        ctx_.password = e2e::kTesterPassword;
        ctx_.ksqlFmt = qv::kDefaultKsqlFmt;
        SetAppDirectories();
    }

    // A main window on the demo broker with the target PayrollEU, DEV, EU0001.
    std::unique_ptr<qv::CQuorvelDlg> Window() {
        auto w = std::make_unique<qv::CQuorvelDlg>(host_);
        qv::MainWindowValues& v = w->Values();
        v.Broker = "demo";
        v.UserId = e2e::kTester;
        v.Password = e2e::kTesterPassword;
        v.KsqlFmt = qv::kDefaultKsqlFmt;
        v.TgtProject = "PayrollEU";
        v.TgtState = "DEV";
        v.TgtPackage = "EU0001";
        return w;
    }
    // The target items by item name and path.
    static std::map<std::string, qv::CTFObj> ByName(const qv::CMapStrToTFObj& items) {
        std::map<std::string, qv::CTFObj> out;
        std::string key;
        qv::CTFObj r;
        for (auto pos = items.GetStartPosition(); pos;) {
            items.GetNextAssoc(pos, key, r);
            out[r.itemName + " " + r.pathFullName] = r;
        }
        return out;
    }
    // The record of the first item with this name.
    static qv::CTFObj Named(const qv::CMapStrToTFObj& items, const std::string& name) {
        for (const auto& [key, r] : ByName(items))
            if (r.itemName == name) return r;
        ADD_FAILURE() << "no target item " << name;
        return {};
    }
    std::string DataFile() const { return install_ / qv::kTargetDataFileName; }
    std::string ResultFile() const { return qv::KsqlResultPath(install_.path()); }

    std::string ksqlFmt_;
    qv::KsqlContext ctx_{ksqlFmt_};
};

TEST_P(TargetEndToEnd, MappedVersionsOfTheDemoTargetItems) {
    auto w = Window();
    ASSERT_TRUE(w->GetTargetPackageData());
    const auto target = ByName(w->TargetItems());
    qv::KsqlRepository repo(ctx_);
    qv::MappedVersionCalculator calc(repo, host_);
    calc.SetTargetContext("PayrollEU", "DEV");
    struct Case {
        const char* item;  // name and path
        bool onBranch;
        std::string text;
    };
    const std::vector<Case> cases = {
        // The newest first version of a branch in the target's view gives the next branch.
        {"payslip.cpp \\Payroll\\src\\calc", true, "4.2.1"},
        {"bonus.cpp \\Payroll\\src\\calc", true, "x.3.1"},
        // No branch yet.
        {"holiday.cpp \\Payroll\\src\\calc", true, "2.1.1"},
        {"zero.cpp \\Payroll\\src\\calc", true, "0 (T)"},
        // Branch versions need no statement.
        {"summary.cpp \\Payroll\\src\\report", true, "3.2.1 (U)"},
        {"dialog.cpp \\Payroll\\src\\ui", true, "x.3.1"},
        {"convert.c \\Payroll\\src\\legacy", true, "x0.2.1"},
        // On the trunk, the child check with the parent number finds nothing to object to.
        {"payslip.cpp \\Payroll\\src\\calc", false, "5 (M)"},
        {"bonus.cpp \\Payroll\\src\\calc", false, "2 (M)"},
        {"overtime.cpp \\Payroll\\src\\calc", false, "2.1.1 (U)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item) + (c.onBranch ? " on a branch" : " on the trunk"));
        auto it = target.find(c.item);
        ASSERT_NE(it, target.end());
        const qv::CTFObj& r = it->second;
        const qv::MappedVersion got =
            calc.Calculate(qv::Num(r.parentVersionId), r.mappedVersion, c.onBranch,
                           qv::Num(r.versionObjId), qv::Num(r.itemObjId));
        EXPECT_EQ(got.status, qv::MappedStatus::Result);
        EXPECT_EQ(got.text, c.text);
    }
    // The child check with P: nothing in a view numbered like a version.
    const qv::CTFObj& payslip = target.at("payslip.cpp \\Payroll\\src\\calc");
    EXPECT_TRUE(calc.CheckChildVersions(qv::Num(payslip.parentVersionId)));
    // A state without a view finds no branch.
    calc.SetTargetContext("PayrollEU", "NOSUCHSTATE");
    EXPECT_EQ(calc.Calculate(0, "4", true, 0, qv::Num(payslip.itemObjId)).text, "4.1.1");
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_P(TargetEndToEnd, TargetDataComeFromTheRepositoryEveryTimeAndAreKeptInTheFile) {
    auto w = Window();
    ASSERT_TRUE(w->GetTargetPackageData());
    ASSERT_TRUE(w->TargetDataLoaded());
    const auto queried = ByName(w->TargetItems());
    ASSERT_EQ(queried.size(), 26u);
    EXPECT_EQ(Named(w->TargetItems(), "sepa.cpp").stateName, "QA");
    ASSERT_TRUE(qvtest::FileExists(DataFile()));

    // The file holds the same records, keyed by item number when read back.
    auto again = Window();
    ASSERT_NE(qv::CImport(*again).LoadTargetData(), 0);
    const auto fromFile = ByName(again->TargetItems());
    ASSERT_EQ(fromFile.size(), queried.size());
    for (const auto& [name, record] : queried) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fromFile.at(name), record);  // fields 0 to 28, and an empty result
        EXPECT_TRUE(record.result.empty());
    }
    qv::CTFObj r;
    const qv::CTFObj& tax = queried.at("tax.cpp \\Payroll\\src\\calc");
    EXPECT_EQ(again->TargetItems().Lookup(tax.itemObjId, r), 1);

    // The next load asks the repository again, although the file serves the project and state.
    unlink(ResultFile().c_str());
    again->Values().Broker = "nosuchbroker";
    EXPECT_FALSE(again->GetTargetPackageData());
    EXPECT_TRUE(qvtest::FileExists(ResultFile()));
    EXPECT_FALSE(again->TargetDataLoaded());
    EXPECT_EQ(again->TargetItems().GetCount(), 0);
    host_.ClearBoxes();

    // Another state of the project replaces the file.
    auto qa = Window();
    qa->Values().TgtState = "QA";
    qa->Values().TgtPackage = "EU0003";
    ASSERT_TRUE(qa->GetTargetPackageData());
    EXPECT_EQ(qa->TargetItems().GetCount(), 26);
    EXPECT_EQ(qvtest::ReadFile(DataFile()).rfind("PayrollEU\nQA\n", 0), 0u);
    EXPECT_TRUE(host_.boxes.empty());
}

// A target version whose client path holds a comma, and two target items named like the query
// tool's own lines.
class CommaEndToEnd : public TargetEndToEnd {
protected:
    void ChangeRepository(e2e::DemoRepository& repo) override {
        repo.Exec(
            "UPDATE KESVERSIONS SET CLIENTPATH = 'C:\\work,old' WHERE VERSIONOBJID = (SELECT "
            "MAX(V.VERSIONOBJID) FROM KESVERSIONS V JOIN KESITEMNAME N ON N.NAMEOBJID = "
            "V.ITEMNAMEID WHERE N.ITEMNAME = 'vat.cpp')");
        repo.Exec(
            "UPDATE KESITEMNAME SET ITEMNAME = 'Error: see log.txt' WHERE ITEMNAME = 'xonly.cfg'");
        repo.Exec(
            "UPDATE KESITEMNAME SET ITEMNAME = 'KSQL query has Zero results.txt' WHERE "
            "ITEMNAME = 'locked.cpp'");
    }
};

TEST_P(CommaEndToEnd, AFieldWithACommaLeavesNoFile) {
    auto w = Window();
    ASSERT_TRUE(w->GetTargetPackageData());
    EXPECT_EQ(Named(w->TargetItems(), "vat.cpp").clientPath, "C:\\work,old");
    // Items whatever their names: none is taken for the tool's error or zero-results line.
    EXPECT_EQ(w->TargetItems().GetCount(), 26);
    EXPECT_EQ(Named(w->TargetItems(), "Error: see log.txt").mappedVersion, "x");
    EXPECT_EQ(Named(w->TargetItems(), "KSQL query has Zero results.txt").packageName, "EU0000");
    EXPECT_FALSE(qvtest::FileExists(DataFile()));
    bool traced = false;
    for (const std::string& m : qvtest::TraceMessages(trace_))
        traced = traced || m.rfind("SaveTargetData: " + DataFile() + " not written", 0) == 0;
    EXPECT_TRUE(traced);
    // So the next load asks the repository again.
    unlink(ResultFile().c_str());
    auto again = Window();
    ASSERT_TRUE(again->GetTargetPackageData());
    EXPECT_TRUE(qvtest::FileExists(ResultFile()));
}

QV_E2E_ON_BOTH_BACKENDS(TargetEndToEnd);
QV_E2E_ON_BOTH_BACKENDS(CommaEndToEnd);

}  // namespace

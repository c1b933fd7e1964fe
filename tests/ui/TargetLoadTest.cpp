// The main window's target load over a fake repository, and the target data file it writes and
// reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/TargetData.h"
#include "tests/support/FakeRepository.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ExportImport.h"

namespace qv {
namespace {

using Strings = std::vector<std::string>;

const std::string kHeader =
    "ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\tITEMTYPE\tVERSIONSTATUS\tITEMOBJID\n";

// A result row of the target query: name, mapped version, tag, item id; the client path is
// empty; package EU0001 of state DEV of PayrollEU.
std::string Row(const std::string& name, const std::string& version, const std::string& tag,
                const std::string& id) {
    std::string row = name + "\t\\src\t" + version + "\t1\t" + tag + "\t" + id + "\t" + id +
                      "0\t5\t" + id +
                      "1\t0\t0\t0\t0\t\tann\t2024-01-01 10:00:00\tbob\t"
                      "2024-02-01 10:00:00\tpc1\t\t120         \t1\t80          \t0\t1\t0\t"
                      "EU0001\tDEV\tPayrollEU";
    return row + "\n";
}

class TargetLoad : public qvtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window_.SetRepositoryForTesting(&repo_);
        Start(window_);
        SetTarget("PayrollEU", "DEV", "EU0001");
    }
    void TearDown() override {
        host_.DestroyModeless(window_);
        WindowTest::TearDown();
    }
    void SetTarget(const std::string& project, const std::string& state, const std::string& pkg) {
        window_.Values().TgtProject = project;
        window_.Values().TgtState = state;
        window_.Values().TgtPackage = pkg;
    }
    std::string FilePath() const { return JoinPath(TheApp().installDir, kTargetDataFileName); }
    // The target items as "key=name" in iteration order, separated by spaces.
    std::string Names() {
        std::string names, key;
        CTFObj r;
        for (auto pos = window_.TargetItems().GetStartPosition(); pos;) {
            window_.TargetItems().GetNextAssoc(pos, key, r);
            names += (names.empty() ? "" : " ") + key + "=" + r.itemName;
        }
        return names;
    }
    // True when the trace holds the message as one whole entry (it may span lines).
    bool TraceHas(const std::string& message) const {
        const std::string text = qvtest::ReadFile(TheApp().traceFile);
        for (size_t at = text.find(message); at != std::string::npos;
             at = text.find(message, at + 1)) {
            if (at > 0 && text[at - 1] == ' ' && text.compare(at + message.size(), 1, "\n") == 0)
                return true;
        }
        return false;
    }

    qvtest::FakeRepository repo_{host_};
    CQuorvelDlg window_{host_};
};

TEST_F(TargetLoad, TheQueryResultDecidesTheOutcome) {
    const std::string statement = TargetStatement("PayrollEU", "DEV");
    const std::string error = statement + "\n\nError: disk I/O error";
    const std::string broker = "Error: Target RunKsql failed - unable to connect to the broker.";
    struct Case {
        const char* what;
        std::string result;
        int run;
        bool ok;
        const char* items;   // key=name ...
        bool loaded;         // and the file written
        bool boxed;          // the traced message is also shown
        std::string traced;  // one entry the trace must hold
    };
    const std::vector<Case> cases = {
        {"rows after the header",
         kHeader + Row("tax.cpp", "5", "N", "11") + "\n" + Row("vat.cpp", "2", "N", "12"), kKsqlOk,
         true, "0=tax.cpp 1=vat.cpp", true, false, "    tax.cpp    PayrollEU DEV EU0001"},
        {"zero results", "KSQL query has Zero results.\n", kKsqlOk, true, "", false, false,
         "KSQL query has Zero results."},
        {"a header only", kHeader, kKsqlOk, true, "", false, false,
         "GetTargetPackageData was successful."},
        {"an R tag is traced and stored", kHeader + Row("rates.h", "5", "R", "13"), kKsqlOk, true,
         "0=rates.h", true, false,
         "CPM Analysis Error: Target Package contains an R tag version: rates.h"},
        {"an M tag likewise", kHeader + Row("tax.cpp", "5", "M", "11"), kKsqlOk, true, "0=tax.cpp",
         true, false, "CPM Analysis Error: Target Package contains an M tag version: tax.cpp"},
        {"an error line", "Error: disk I/O error\n", kKsqlOk, false, "", false, true, error},
        {"items named like the tool's own lines",
         kHeader + Row("Error: see log.txt", "5", "N", "11") +
             Row("KSQL query has Zero results.txt", "2", "N", "12") +
             Row("vat.cpp", "2", "N", "13"),
         kKsqlOk, true, "0=Error: see log.txt 1=KSQL query has Zero results.txt 2=vat.cpp", true,
         false, "    vat.cpp    PayrollEU DEV EU0001"},
        {"the runner fails", "", kKsqlFailed, false, "", false, true, broker},
        {"the statement file cannot be written", "", kKsqlStatementUnwritten, false, "", false,
         false, "Perform GetTargetPackageData"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(FilePath().c_str());
        qvtest::WriteFile(TheApp().traceFile, "");
        host_.ClearBoxes();
        window_.SetTargetDataLoaded(false);
        repo_.Answer(c.result, c.run);
        const size_t before = repo_.statements().size();
        EXPECT_EQ(window_.GetTargetPackageData(), c.ok);
        ASSERT_EQ(repo_.statements().size(), before + 1);
        EXPECT_EQ(repo_.statements().back(), statement);
        EXPECT_EQ(Names(), c.items);
        EXPECT_EQ(window_.TargetDataLoaded(), c.loaded);
        EXPECT_EQ(qvtest::FileExists(FilePath()), c.loaded);
        EXPECT_EQ(BoxTexts(), c.boxed ? Strings{c.traced} : Strings{});
        EXPECT_TRUE(TraceHas(c.traced));
        EXPECT_EQ(Trace().front(), "Perform GetTargetPackageData");
        EXPECT_EQ(window_.Status() == kStatusReady, c.ok);
    }
}

TEST_F(TargetLoad, ATargetTheRepositoryLacksIsNamedAndNotLoaded) {
    repo_.targetCheck.clear();
    const std::string check = TargetExistsStatement("PayrollEU", "DEV", "EU0001");
    const std::string header = "PROJECTS\tSTATES\tPACKAGES\n";
    const std::string project = "Target project 'PayrollEU' not found.";
    const std::vector<std::tuple<const char*, std::string, int, std::string>> cases = {
        {"all there: the target query follows", header + "1\t1\t1\n", kKsqlOk, ""},
        {"no project", header + "0\t0\t0\n", kKsqlOk, project},
        {"no such state", header + "1\t0\t0\n", kKsqlOk,
         "Target state 'DEV' not found in project 'PayrollEU'."},
        {"no such package", header + "1\t1\t0\n", kKsqlOk,
         "Target package 'EU0001' not found in project 'PayrollEU', state 'DEV'."},
        {"not a count", header + "1\tx\t1\n", kKsqlOk,
         "Target state 'DEV' not found in project 'PayrollEU'."},
        {"no row", header, kKsqlOk, project},
        {"an error line", "Error: no such table\n", kKsqlOk, check + "\n\nError: no such table"},
        {"the runner fails", "", kKsqlFailed,
         "Error: Target RunKsql failed - unable to connect to the broker."},
    };
    for (const auto& [what, answer, run, box] : cases) {
        SCOPED_TRACE(what);
        host_.ClearBoxes();
        window_.TargetItems().SetAt("old", CTFObj{});
        repo_.Answer(answer, run);
        if (box.empty()) repo_.Answer(kHeader + Row("tax.cpp", "5", "N", "11"));
        EXPECT_EQ(window_.GetTargetPackageData(), box.empty());
        EXPECT_EQ(repo_.statements().end()[box.empty() ? -2 : -1], check);
        EXPECT_EQ(BoxTexts(), box.empty() ? Strings{} : Strings{box});
        EXPECT_EQ(Names(), box.empty() ? "0=tax.cpp" : "");
        EXPECT_EQ(window_.TargetDataLoaded(), box.empty());
    }
}

TEST_F(TargetLoad, RowsAreStoredWithBlanksForEmptyColumns) {
    repo_.Answer(kHeader + Row("tax.cpp", "5", "N", "11"));
    const mode_t old = umask(0);
    ASSERT_TRUE(window_.GetTargetPackageData());
    umask(old);
    CTFObj r;
    ASSERT_TRUE(window_.TargetItems().Lookup("0", r));
    EXPECT_EQ(r.itemName, "tax.cpp");
    EXPECT_EQ(r.itemObjId, "11");
    EXPECT_EQ(r.refactorBy, " ");
    EXPECT_EQ(r.clientPath, " ");
    EXPECT_EQ(r.dataSize, "120         ");
    EXPECT_EQ(r.environmentName, "PayrollEU");
    EXPECT_EQ(r.result, "");
    // The file holds the project, the state and the record, the blank written as " ,".
    const Strings lines = qvtest::Lines(qvtest::ReadFile(FilePath()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "PayrollEU");
    EXPECT_EQ(lines[1], "DEV");
    EXPECT_NE(lines[2].find(",pc1, ,120         ,"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[2].substr(lines[2].size() - 12), ",PayrollEU,,");
    // It holds the target project's records: the user's alone, whatever the umask.
    struct stat st {};
    ASSERT_EQ(stat(FilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Without a message: the file is only a copy of what the query gives.
TEST_F(TargetLoad, AFileThatCannotServeFallsBackToTheQuery) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"empty", ""},
        {"an error line", "PayrollEU\nDEV\nError: something\n"},
        {"the zero-results line", "PayrollEU\nDEV\nKSQL query has Zero results.\n"},
        {"another project", "Payroll\nDEV\n"},
        {"a header only in the wrong order", "DEV\nPayrollEU\n"},
        {"cut short after the project line", "PayrollEU\n"},
        {"a directory in the file's place, which has no size", nullptr},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        if (text) {
            qvtest::WriteFile(FilePath(), text);
        } else {
            ASSERT_EQ(unlink(FilePath().c_str()), 0);
            ASSERT_EQ(mkdir(FilePath().c_str(), 0755), 0);
        }
        host_.ClearBoxes();
        repo_.Answer(kHeader + Row("tax.cpp", "5", "N", "11"));
        const size_t before = repo_.statements().size();
        ASSERT_TRUE(window_.GetTargetPackageData());
        EXPECT_EQ(repo_.statements().size(), before + 1);
        EXPECT_EQ(Names(), "0=tax.cpp");
        EXPECT_TRUE(host_.boxes.empty());
    }
    rmdir(FilePath().c_str());
}

TEST_F(TargetLoad, ARecordThatWouldNotReadBackLeavesTheOldFile) {
    qvtest::WriteFile(FilePath(), "Payroll\nQA\n");  // an older file for another target
    repo_.Answer(kHeader + Row("tax.cpp", "5", "N", "10") + Row("a,b.cpp", "5", "N", "11"));
    ASSERT_TRUE(window_.GetTargetPackageData());
    EXPECT_EQ(window_.TargetItems().GetCount(), 2);
    EXPECT_TRUE(window_.TargetDataLoaded());
    EXPECT_EQ(qvtest::ReadFile(FilePath()), "Payroll\nQA\n");
    const std::string traced = qvtest::ReadFile(TheApp().traceFile);
    EXPECT_NE(traced.find("SaveTargetData: " + FilePath() + " not written"), std::string::npos);
}

TEST_F(TargetLoad, ABlankTargetValueStopsBeforeAnything) {
    const std::vector<Strings> cases = {
        {"", "DEV", "EU0001"}, {"PayrollEU", "", "EU0001"}, {"PayrollEU", "DEV", ""}};
    window_.TargetItems().SetAt("keep", CTFObj{});
    for (const auto& c : cases) {
        host_.ClearBoxes();
        SetTarget(c[0], c[1], c[2]);
        EXPECT_FALSE(window_.GetTargetPackageData());
        EXPECT_EQ(BoxTexts(), Strings{"Error: Target Project, State, or Package cannot be blank."});
        EXPECT_EQ(window_.TargetItems().GetCount(), 1);
    }
    EXPECT_TRUE(repo_.statements().empty());
}

TEST_F(TargetLoad, ALoadMakesTheCalculationAskForTheViewAgain) {
    repo_.Answer(kHeader + Row("tax.cpp", "5", "N", "11"));
    ASSERT_TRUE(window_.GetTargetPackageData());
    repo_.Answer("MIN(W.VIEWOBJID)\n7\n");
    window_.MappedVersions().Calculate(0, "5", true, 1, 2);
    window_.MappedVersions().Calculate(0, "5", true, 1, 2);
    EXPECT_EQ(repo_.statements().size(), 4u);  // target, view, two branch statements
    SetTarget("PayrollEU", "QA", "EU0003");
    ASSERT_TRUE(window_.GetTargetPackageData());  // the zero-results line
    window_.MappedVersions().Calculate(0, "5", true, 1, 2);
    ASSERT_EQ(repo_.statements().size(), 7u);
    EXPECT_NE(repo_.statements()[5].find("S.STATENAME = 'QA'"), std::string::npos);
}

}  // namespace
}  // namespace qv

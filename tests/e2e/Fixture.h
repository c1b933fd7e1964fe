// What every end-to-end suite stands on: one demo repository per backend for the whole suite
// (each suite runs on a SQLite file and on a PostgreSQL server), and for every test an install
// directory, a scratch directory with the trace file and a headless host of its own.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "app/MainSettings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "scm/Kco.h"
#include "tests/e2e/Repository.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/PgCluster.h"
#include "tests/support/TempEnv.h"
#include "ui/ContextSetDlg.h"

namespace e2e {

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The texts of the message boxes shown so far.
inline std::vector<std::string> BoxTexts(const qv::HeadlessHost& host) {
    std::vector<std::string> out;
    for (const auto& b : host.boxes) out.push_back(b.text);
    return out;
}

// Fills the context dialog with Payroll/`state` into PayrollEU/DEV and `package` (left as it is
// when empty), and searches, as a user does.
inline qv::CContextSetDlg& SearchContext(qv::Dialog& dialog, const std::string& state,
                                         const std::string& package) {
    auto& d = static_cast<qv::CContextSetDlg&>(dialog);
    d.UserSetText(qv::IDC_CTX_SRC_PROJECT, "Payroll");
    d.UserSetText(qv::IDC_CTX_SRC_STATE, state);
    d.UserSetText(qv::IDC_CTX_TGT_PROJECT, "PayrollEU");
    d.UserSetText(qv::IDC_CTX_TGT_STATE, "DEV");
    if (!package.empty()) d.UserSetText(qv::IDC_CTX_TGT_PACKAGE, package);
    d.UserClick(qv::IDC_CTX_SEARCH);
    return d;
}

// The program's install directory, its browse and compare directories below it, and its trace
// file, as the window and the batch program take them.
inline void UseAppDirectories(const std::string& installDir, const std::string& traceFile) {
    qv::AppValues app;
    app.installDir = installDir;
    app.provisionalInstallDir = installDir;
    app.browseDir = installDir + "/Temp";
    app.compareDir = installDir + "/Temp1";
    app.traceFile = traceFile;
    qv::SetAppValues(app);
}

class EndToEnd : public ::testing::TestWithParam<Backend> {
protected:
    static void TearDownTestSuite() { repos_.clear(); }

    void SetUp() override {
        std::string why;
        if (GetParam() == Backend::Postgres && !qvtest::PgCluster::Get(why)) GTEST_SKIP() << why;
        auto& repo = repos_[GetParam()];
        if (!repo) {
            repo = std::make_unique<DemoRepository>("demo", GetParam());
            ChangeRepository(*repo);
        }
        repo_ = repo.get();
        setenv("TESSARK_BROKERS", repo_->brokersFile().c_str(), 1);
        qv::SetTraceFile(trace_);
    }
    void TearDown() override {
        qv::SetAppValues({});
        qv::SetTraceFile("");
    }

    // The program's directories below install_ and its trace file trace_, for the suites that
    // run the window or the batch program.
    void SetAppDirectories() { UseAppDirectories(install_.path(), trace_); }

    // A suite that needs other data changes the suite's repositories here, once per backend.
    virtual void ChangeRepository(DemoRepository&) {}

    // Check-out settings of the test user on the demo broker, checking out below install_/Temp
    // with the default command template.
    qv::KcoContext KcoSettings(const std::string& project, const std::string& state,
                               const std::string& package) {
        qv::KcoContext kco;
        kco.host = &host_;
        kco.installDir = install_.path();
        kco.browseDir = install_ / "Temp";
        kco.broker = "demo";
        kco.userId = kTester;
        kco.password = kTesterPassword;
        kco.srcProject = project;
        kco.srcState = state;
        kco.checkoutPackage = package;
        kco.kcoFmt = qv::kDefaultKcoFmtWithPackage;
        return kco;
    }

    // The check-out commands traced so far, as they were run (the password hidden).
    std::vector<std::string> CheckOutCommands() const {
        std::vector<std::string> out;
        for (const std::string& line : qvtest::TraceMessages(trace_))
            if (line.rfind("RunKco: ExecuteThis: ", 0) == 0) out.push_back(line.substr(21));
        return out;
    }

    static inline std::map<Backend, std::unique_ptr<DemoRepository>> repos_;
    DemoRepository* repo_ = nullptr;
    qvtest::TempDir install_;
    qvtest::TempDir work_;
    std::string trace_ = work_ / "Quorvel.trc";
    qv::HeadlessHost host_;
};

// Runs a parameterised suite on both backends, named by backend.
#define QV_E2E_ON_BOTH_BACKENDS(suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                 \
                             ::testing::Values(e2e::Backend::Sqlite, e2e::Backend::Postgres), \
                             [](const auto& info) { return e2e::BackendName(info.param); })

}  // namespace e2e

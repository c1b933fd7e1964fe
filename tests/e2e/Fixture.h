// What every end-to-end suite stands on: one demo repository for the whole suite, and for every
// test an install directory, a scratch directory with the trace file and a headless host of its
// own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/MainSettings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "scm/Kco.h"
#include "tests/e2e/Repository.h"
#include "tests/support/TempEnv.h"

namespace e2e {

class EndToEnd : public ::testing::Test {
protected:
    // A suite that needs other data replaces this with its own, which changes the repository.
    static void SetUpTestSuite() { repo_ = std::make_unique<DemoRepository>(); }
    static void TearDownTestSuite() { repo_.reset(); }

    void SetUp() override { qv::SetTraceFile(trace_); }
    void TearDown() override { qv::SetTraceFile(""); }

    // Check-out settings of the test user on the demo broker, checking out below install_/Temp
    // with the default command template.
    qv::KcoContext KcoSettings(
        const std::string& project, const std::string& state, const std::string& package,
        qv::EmptySourceItemsFn emptySourceItems = [] {}) {
        qv::KcoContext kco(std::move(emptySourceItems));
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

    static inline std::unique_ptr<DemoRepository> repo_;
    qvtest::TempDir install_;
    qvtest::TempDir work_;
    std::string trace_ = work_ / "Quorvel.trc";
    qv::HeadlessHost host_;
};

}  // namespace e2e

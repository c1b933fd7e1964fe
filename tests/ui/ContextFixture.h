// Shared by the tests of the context dialog and of the source loading: a settings store, an
// install directory and a trace file of their own, a headless host and a repository answering
// from result-file texts.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/AppValues.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "tests/app/Support.h"
#include "tests/support/FakeRepository.h"

namespace qvtest {

// A search result listing these packages of Payroll/DEV.
inline std::string SearchResult(const std::vector<std::string>& packages) {
    std::string text = "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\n";
    for (const std::string& p : packages) text += "Payroll\tDEV\t" + p + "\n";
    return text;
}

// A source statement result: the header, then one row per (name, version, item id).
inline std::string ItemRows(const std::vector<std::vector<std::string>>& rows) {
    std::string text = "ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\n";
    for (const auto& r : rows)
        text +=
            r[0] + "\t\\Payroll\\src\t" + r[1] + "\t1\tN\t100 \tann\tt1\tbob\tt2\t" + r[2] + "\n";
    return text;
}

class ContextFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SwitchToRegistry(qv::kCompanyKey);
        unlink(qv::SettingsFilePath().c_str());
        qv::AppValues app;
        app.installDir = home_ / "install";
        app.browseDir = app.installDir + "/Temp";
        app.traceFile = home_ / "Quorvel.trc";
        qv::SetAppValues(app);
        qv::SetTraceFile(app.traceFile);
    }
    void TearDown() override {
        qv::SwitchToProfile();
        qv::SetTraceFile("");
        qv::SetAppValues({});
    }
    // True when a trace line ends with the message.
    bool Traced(const std::string& message) const {
        for (const std::string& line : Lines(ReadFile(qv::TheApp().traceFile)))
            if (line.size() >= message.size() &&
                line.compare(line.size() - message.size(), message.size(), message) == 0)
                return true;
        return false;
    }

    TempDir home_;
    ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    qv::HeadlessHost host_;
    FakeRepository repo_{host_};
};

}  // namespace qvtest

// What the tests of the context dialog and of the source loading share: a settings store, an
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
#include "tests/support/TempEnv.h"

namespace qvtest {

inline constexpr char kSearchHeader[] = "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\n";
inline constexpr char kItemsHeader[] =
    "ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\tITEMTYPE\tVERSIONSTATUS\tDATASIZE\tCREATOR\t"
    "CREATIONTIME\tMODIFIER\tMODIFIEDTIME\tITEMOBJID\n";

// A search result listing these packages of Payroll/DEV.
inline std::string SearchResult(const std::vector<std::string>& packages) {
    std::string text = kSearchHeader;
    for (const std::string& p : packages) text += "Payroll\tDEV\t" + p + "\n";
    return text;
}

// One row of the source statement's result.
inline std::string ItemRow(const std::string& name, const std::string& version,
                           const std::string& id) {
    return name + "\t\\Payroll\\src\t" + version + "\t1\tN\t100         \tann\t" +
           "2024-01-02 03:04:05\tbob\t2024-02-03 04:05:06\t" + id + "\n";
}

class ContextFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SwitchToRegistry(qv::kCompanyKey);
        unlink(qv::SettingsFilePath().c_str());
        qv::AppValues app;
        app.installDir = home_ / "install";
        app.provisionalInstallDir = app.installDir;
        app.browseDir = app.installDir + "/Temp";
        app.compareDir = app.installDir + "/Temp1";
        app.traceFile = home_ / "Quorvel.trc";
        qv::SetAppValues(app);
        qv::SetTraceFile(app.traceFile);
    }
    void TearDown() override {
        qv::SwitchToProfile();
        qv::SetTraceFile("");
        qv::SetAppValues({});
    }
    // The messages of the trace file, without number and time stamp.
    std::vector<std::string> Trace() const {
        std::vector<std::string> out;
        for (const std::string& line : Lines(ReadFile(qv::TheApp().traceFile))) {
            size_t at = 0;
            for (int fields = 0; fields < 3 && at != std::string::npos; ++fields)
                at = line.find(' ', at == 0 ? 0 : at + 1);
            out.push_back(at == std::string::npos ? line : line.substr(at + 1));
        }
        return out;
    }
    bool Traced(const std::string& message) const {
        for (const std::string& m : Trace())
            if (m == message) return true;
        return false;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : host_.boxes) texts.push_back(b.text);
        return texts;
    }

    TempDir home_;
    ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    qv::HeadlessHost host_;
    FakeRepository repo_{host_};
};

}  // namespace qvtest

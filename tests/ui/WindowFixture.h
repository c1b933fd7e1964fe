// A main window test with its own settings store, install directory and trace file, shared by
// the tests of the list buttons and the item actions.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/AppValues.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "tests/app/Support.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"
#include "ui/MainWindow.h"

namespace qvtest {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::SwitchToRegistry(qv::kCompanyKey);
        qv::AppValues app;
        app.installDir = home_ / "install";
        app.provisionalInstallDir = app.installDir;
        app.browseDir = app.installDir + "/Temp";
        app.compareDir = app.installDir + "/Temp1";
        app.traceFile = home_ / "Quorvel.trc";
        qv::SetAppValues(app);
        qv::SetTraceFile(app.traceFile);
        WriteFile(app.installDir + "/.keep", "");
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
    void Start(qv::CQuorvelDlg& w) {
        host_.ShowModeless(w);
        ASSERT_TRUE(w.IsInitialized());
    }
    // Fills the window's list with the records, as a load would.
    static void Fill(qv::CQuorvelDlg& w, const std::vector<qv::CFObj>& records) {
        w.SourceItems().RemoveAll();
        for (const qv::CFObj& r : records) w.SourceItems().SetAt(r.itemObjId, r);
        w.PostTopList();
    }
    static int RowOf(const qv::CQuorvelDlg& w, const std::string& file) {
        for (int r = 0; r < w.ResultList().RowCount(); ++r)
            if (w.ResultList().CellText(r, qv::kColFile) == file) return r;
        return -1;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : host_.boxes) out.push_back(b.text);
        return out;
    }

    TempDir home_;
    ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    qv::HeadlessHost host_;
};

// Records every text one control shows, as a rendered window would learn them, and with a paint
// counter the paint pumps made before each change.
class TextRecorder : public qv::DialogView {
public:
    TextRecorder(const qv::Dialog& d, int id, const int* paintPumps = nullptr)
        : dialog_(d), id_(id), paintPumps_(paintPumps) {}
    void ControlChanged(int id) override {
        if (id != id_) return;
        texts.push_back(dialog_.GetDlgItemText(id));
        if (paintPumps_) pumpsBefore.push_back(*paintPumps_);
    }
    void TitleChanged() override {}
    void WindowEnabledChanged() override {}
    void FocusChanged(int) override {}
    void Ended(int) override {}
    std::vector<std::string> texts;
    std::vector<int> pumpsBefore;

private:
    const qv::Dialog& dialog_;
    int id_;
    const int* paintPumps_;
};

// A main window whose target load is counted and, unless told to fail, gives `targets`.
class TargetLoadWindow : public qv::CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        ++targetLoads;
        if (!loadSucceeds) return false;
        TargetItems() = targets;
        SetTargetDataLoaded(true);
        return true;
    }
    qv::CMapStrToTFObj targets;
    bool loadSucceeds = true;
    int targetLoads = 0;
};

// Another instance of the program as Exit would meet it: a harmless probe running under the
// desktop program's own name, copied as "quorvel" into a directory of the test's, started by the
// test and ended when the test leaves.
class OtherInstance {
public:
    explicit OtherInstance(const std::string& dir) {
        const std::string path = dir + "/quorvel";
        std::filesystem::copy_file(ProbePath(), path);
        chmod(path.c_str(), 0755);
        EXPECT_EQ(qv::StartTask(path + " --sleep 60000", qv::kForegroundTaskOptions, pid_),
                  qv::kTaskStarted);
        guard_.Set(pid_);
    }
    // Still running a moment after whatever the test did.
    bool Survived() const {
        return pid_ > 0 && !WaitUntil([&] { return !IsRunning(pid_); }, 200);
    }

private:
    int pid_ = 0;
    KillGuard guard_;
};

// A record with every field set.
inline qv::CFObj MakeRecord(const std::string& name, const std::string& result,
                            const std::string& id, const std::string& package = "PKG-1") {
    qv::CFObj r;
    r.itemName = name;
    r.pathFullName = "\\Payroll\\src";
    r.mappedVersion = "3";
    r.itemType = "1";
    r.versionStatus = "N";
    r.packageName = package;
    r.dataSize = "1024";
    r.creator = "ann";
    r.creationTime = "2024-01-02 03:04:05";
    r.modifier = "bob";
    r.modifiedTime = "2024-02-03 04:05:06";
    r.itemObjId = id;
    r.result = result;
    return r;
}

}  // namespace qvtest

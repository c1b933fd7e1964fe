// The main window's target data: loading the latest versions of the target items from the
// repository, after checking that the target exists, and writing the target data file.
#include <chrono>
#include <optional>
#include <string_view>

#include "app/AppValues.h"
#include "app/Paths.h"
#include "app/Trace.h"
#include "engine/TargetData.h"
#include "engine/TargetLoad.h"
#include "ui/ExportImport.h"
#include "ui/MainWindow.h"

namespace qv {

namespace {

constexpr char kStatusGettingTarget[] = " Getting Target Package Data...";
constexpr char kErrorTargetBlank[] = "Error: Target Project, State, or Package cannot be blank.";

// Shows the latest item in the status line, and writes the trace lines held since, at most once
// per frame: a repaint and a trace write per item would cost more than the load itself, and
// nobody reads faster than the screen shows. The trace ends up the same.
class FrameThrottle : public TargetLoadProgress {
public:
    explicit FrameThrottle(CQuorvelDlg& window) : window_(window) {}
    ~FrameThrottle() override { Flush(); }

    void Show(const std::string& text) override {
        pending_ = text;
        hasPending_ = true;
        if (Clock::now() - shown_ >= kFrame) Flush();
    }
    // Shows what is still waiting and writes the trace lines held back.
    void Flush() override {
        trace_.Flush();
        shown_ = Clock::now();
        if (!hasPending_) return;
        window_.SetStatus(pending_);
        window_.host().PumpPaintMessages();
        hasPending_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFrame{16};

    CQuorvelDlg& window_;
    TraceBatch trace_;
    std::string pending_;
    bool hasPending_ = false;
    Clock::time_point shown_{};
};

}  // namespace

bool CQuorvelDlg::TargetExists(const TargetContext& target) {
    return CheckTargetExists(Repo(), host(), target.project, target.state, target.package);
}

namespace {

// The target items from the repository; the file is written when rows were stored. False after
// a failure, which has been reported.
bool QueryTargetItems(CQuorvelDlg& window, const std::string& project, const std::string& state) {
    CMapStrToTFObj& items = window.TargetItems();
    int rows = 0;
    {
        FrameThrottle status(window);
        if (!ReadTargetItems(window.Repo(), window.host(), project, state, items, status, rows))
            return false;
    }
    if (rows > 0) {
        window.SetTargetDataLoaded(true);
        WaitCursor wait(window.host());
        CExportTop(window.ResultList(), "")
            .SaveTargetData(items, project, state,
                            JoinPath(TheApp().installDir, kTargetDataFileName));
    }
    return true;
}

}  // namespace

bool CQuorvelDlg::GetTargetPackageData() {
    WriteTrace("Perform GetTargetPackageData");
    SetStatus(kStatusGettingTarget);
    const std::string project = values_.TgtProject;
    const std::string state = values_.TgtState;
    if (project.empty() || state.empty() || values_.TgtPackage.empty()) {
        WriteTrace("%s", kErrorTargetBlank);
        host().MessageBox(MsgKind::Plain, kErrorTargetBlank);
        return false;
    }
    targetItems_.RemoveAll();
    targetDataLoaded_ = false;
    // The mapped versions of these items search the view of this project and state.
    MappedVersions().SetTargetContext(project, state);

    // The items come from the repository every time: the target data file, written after each
    // load, is not read back, as it cannot tell whether the repository, or the broker, is still
    // the one it was written from.
    if (!TargetExists({project, state, values_.TgtPackage}) ||
        !QueryTargetItems(*this, project, state))
        return false;
    WriteTrace("GetTargetPackageData was successful.");
    SetStatus(kStatusReady);
    host().PumpPaintMessages();
    return true;
}

}  // namespace qv

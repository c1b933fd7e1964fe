#include "ui/WaitDlg.h"

#include <algorithm>

namespace qv {

DialogTemplate WaitTemplate() {
    DialogTemplate t;
    t.id = IDD_WAIT;
    t.title = "Please Wait...";
    t.width = 199;
    t.height = 66;
    t.style = kDlgNoClose | kDlgCentered | kDlgKeepFocus;
    t.controls = {
        {IDC_WAIT_ICON, ControlKind::Icon, "", 5, 0, 20, 20, kBorder},
        {IDC_WAIT_TEXT, ControlKind::Static, "Working.", 32, 5, 158, 18, kMultiLine},
        {IDC_WAIT_PROGRESS, ControlKind::Progress, "", 3, 27, 193, 16, kBorder},
        {IDCANCEL, ControlKind::Button, "Cancel", 72, 48, 56, 15, kHidden},
    };
    return t;
}

CWaitDlg::CWaitDlg(Host& host, int& continueFlag, int total, Dialog& owner)
    : Dialog(host, WaitTemplate()), continue_(continueFlag), total_(total), owner_(owner) {
    owner_.EnableWindow(false);
    host.ShowModeless(*this);
}

CWaitDlg::~CWaitDlg() {
    Close();
}

bool CWaitDlg::OnInitDialog() {
    SetProgressRange(IDC_WAIT_PROGRESS, 0, 100);
    SetProgressPos(IDC_WAIT_PROGRESS, 0);
    // Drawn completely before the caller goes on.
    host().PumpPaintMessages();
    return true;
}

void CWaitDlg::SetStatusText(const std::string& text) {
    if (HasWindow()) SetDlgItemText(IDC_WAIT_TEXT, text);
}

void CWaitDlg::ReportProgress(int index) {
    if (total_ > 0) {
        // Truncated toward zero, as the bar shows whole percents. An index far outside the total
        // is held to the bar's range first, so that the conversion cannot overflow.
        const double percent = static_cast<double>(index) / total_ * 100.0;
        SetPercent(static_cast<int>(std::clamp(percent, -1.0, 101.0)));
    }
    PumpOnce();
}

void CWaitDlg::SetPercent(int percent) {
    if (percent == 0 || !HasWindow()) return;
    if (percent > 100) percent = 100;
    if (percent <= percent_) return;  // the bar only moves forward
    SetProgressPos(IDC_WAIT_PROGRESS, percent);
    percent_ = percent;
    if (percent == 100) host().Sleep(500);  // let the full bar be seen
}

bool CWaitDlg::PumpOnce() {
    switch (host().PeekMessage()) {
        case PendingMessage::None:
            break;
        case PendingMessage::Close:
            // The close request stays queued for the main loop.
            OnCancel();
            return false;
        case PendingMessage::Other:
            if (!host().PumpOneMessage()) return false;
            break;
    }
    host().PumpPaintMessages();
    return true;
}

void CWaitDlg::OnCancel() {
    if (!HasWindow()) return;
    SetDlgItemText(IDC_WAIT_TEXT, "CANCELLED");
    host().PumpPaintMessages();
    continue_ = 0;
    Close();
}

void CWaitDlg::Close() {
    // The main window is given back once, also when the dialog's window is already gone (closed
    // by the window system or by the program ending), so that it never stays disabled.
    if (closed_) return;
    closed_ = true;
    owner_.EnableWindow(true);
    if (HasWindow()) host().DestroyModeless(*this);
}

}  // namespace qv

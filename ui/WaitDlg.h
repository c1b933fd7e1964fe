// The "Please Wait..." window: a text line and a progress bar over the main window, which stays
// disabled while it exists. Every progress report lets one pending message through and repaints,
// so the program stays responsive during long loads.
#pragma once

#include <string>

#include "ui/Dialog.h"

namespace qv {

inline constexpr int IDD_WAIT = 103;
inline constexpr int IDC_WAIT_ICON = 1100;
inline constexpr int IDC_WAIT_TEXT = 2001;
inline constexpr int IDC_WAIT_PROGRESS = 2000;

DialogTemplate WaitTemplate();

class CWaitDlg : public Dialog {
public:
    // continueFlag is the caller's; it becomes 0 when the user cancels. total is the number of
    // steps ReportProgress counts against. The owner (the main window) is disabled until Close.
    CWaitDlg(Host& host, int& continueFlag, int total, Dialog& owner);
    ~CWaitDlg() override;

    void SetStatusText(const std::string& text);
    void ReportProgress(int index);
    // Lets one pending message through and repaints; false when a close or quit is pending (the
    // dialog is then cancelled) or the application is quitting.
    bool PumpOnce();
    // Gives the main window back (also when the window is already gone) and destroys the
    // window; safe to call more than once.
    void Close();

    int CurrentPercent() const { return percent_; }

    bool OnInitDialog() override;
    // Enter does not end the window: it has no OK, and only Close gives the main window back.
    void OnOK() override {}
    void OnCancel() override;

private:
    void SetPercent(int percent);

    int& continue_;
    int total_;
    Dialog& owner_;
    int percent_ = 0;
    bool closed_ = false;
};

}  // namespace qv

// The dialog model: a dialog owns the state of every control of its template, addressed by id,
// and the handlers that act on it. The logic reads and writes controls only through the dialog,
// the way a dialog class reads its controls by id. The state is the truth: a host's view renders
// it and feeds user input back through the User* operations; tests and the batch program call
// the same operations directly.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/Host.h"
#include "ui/DialogTemplate.h"

namespace qv {

class CReportCtrl;

// What a rendered window learns about changes of the model, so that it can repaint.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void ControlChanged(int id) = 0;  // text, check, enabled, visible, entries, position
    virtual void TitleChanged() = 0;
    virtual void WindowEnabledChanged() = 0;
    virtual void FocusChanged(int id) = 0;
    virtual void Ended(int result) = 0;  // EndDialog was called
};

struct ControlState {
    std::string text;
    int checked = 0;  // 0 unchecked, 1 checked
    bool enabled = true;
    bool visible = true;
    std::vector<std::string> entries;            // combo box entries
    int curSel = -1;                             // combo box selection, -1 none
    int rangeLow = 0, rangeHigh = 100, pos = 0;  // progress bar
    std::unique_ptr<CReportCtrl> list;           // list controls only
};

class Dialog {
public:
    Dialog(Host& host, DialogTemplate tmpl);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    Host& host() const { return host_; }
    const DialogTemplate& Template() const { return template_; }
    bool HasControl(int id) const { return controls_.count(id) != 0; }

    // --- Control state, by id. An unknown id reads as empty and ignores writes. ---
    // Text, at most maxChars characters (like a read into a buffer of maxChars + 1).
    std::string GetDlgItemText(int id, size_t maxChars = std::string::npos) const;
    void SetDlgItemText(int id, const std::string& text);
    int IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, int checked);
    bool IsControlEnabled(int id) const;
    void EnableControl(int id, bool enable);
    bool IsControlVisible(int id) const;
    void ShowControl(int id, bool show);

    // Combo boxes.
    int ComboAddString(int id, const std::string& entry);  // returns the new index
    void ComboResetContent(int id);
    int ComboGetCount(int id) const;
    int ComboGetCurSel(int id) const;
    void ComboSetCurSel(int id, int index);
    std::string ComboGetLBText(int id, int index) const;
    // Selects the first entry after `after` (-1: from the start, wrapping around) that begins
    // with prefix, letter case ignored; returns its index or -1 (selection unchanged).
    int ComboSelectString(int id, int after, const std::string& prefix);

    // Progress bars.
    void SetProgressRange(int id, int low, int high);
    void SetProgressPos(int id, int pos);
    int GetProgressPos(int id) const;
    // The range as {low, high}; {0, 100} for an unknown id.
    std::pair<int, int> GetProgressRange(int id) const;

    // The list control behind a List control. Calling it for another id is a programming error.
    CReportCtrl& List(int id);
    const CReportCtrl& List(int id) const;

    // Focus: the id of the control that has the keyboard focus (0 none). Moving it away from a
    // control calls OnKillFocus for that control.
    int GetFocusId() const { return focus_; }
    void SetFocusId(int id);

    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& title);

    // The whole window taking input or not.
    bool IsWindowEnabled() const { return windowEnabled_; }
    void EnableWindow(bool enable);

    // Entries added to the window's system menu (command 0 is a separator).
    const std::vector<SystemMenuEntry>& SystemMenu() const { return systemMenu_; }
    void AppendSystemMenu(int command, const std::string& text);

    // --- Lifecycle ---
    void EndDialog(int result);
    bool IsEnded() const { return ended_; }
    int Result() const { return result_; }
    // Called by the hosts: the window now exists (before OnInitDialog) or is gone.
    void AttachView(DialogView* view);
    void DetachView();
    bool HasWindow() const { return hasWindow_; }
    // Called by the hosts when the window is created; resets the ended state and runs
    // OnInitDialog. The initial focus goes to the first enabled, visible edit/button unless
    // OnInitDialog set one.
    void Initialize();

    // --- User input, as a view (or a test) delivers it. Ignored while the window or the control
    // is disabled or hidden. ---
    void UserClick(int id);                             // button, check box
    void UserSetText(int id, const std::string& text);  // typing into an edit or combo box
    void UserSelectCombo(int id, int index);
    void UserFocus(int id);
    void UserKeyEscape();  // OnKeyEscape
    void UserKeyEnter();   // EnterButtonFor the focused control, the default button, IDOK
    // A key of the template's accelerators: clicks the control of that id, or gives the command.
    void UserAccelerator(int command);
    void UserCommand(int id);  // a command from a menu or a key
    void UserSysCommand(int command);
    void UserContextMenu(int controlId, int x, int y);

    // --- Handlers ---
    virtual bool OnInitDialog() { return true; }
    virtual void OnCommand(int id);  // IDOK -> OnOK, IDCANCEL -> OnCancel
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The Escape key; Cancel unless the dialog decides otherwise. The close box is always Cancel.
    virtual void OnKeyEscape() { OnCommand(IDCANCEL); }
    virtual void OnKillFocus(int /*id*/) {}
    // The user changed the text of an edit box.
    virtual void OnEditChange(int /*id*/) {}
    virtual void OnSysCommand(int /*command*/) {}
    virtual void OnContextMenu(int /*controlId*/, int /*x*/, int /*y*/) {}
    // The button that Enter presses while the control `focusId` has the focus, 0 for the
    // default button.
    virtual int EnterButtonFor(int /*focusId*/) const { return 0; }

protected:
    // Checks the radio button and clears the others of its run of radio buttons.
    void CheckRadioInRun(int id);
    ControlState* State(int id);
    const ControlState* State(int id) const;
    void Notify(int id);

private:
    Host& host_;
    DialogTemplate template_;
    std::map<int, ControlState> controls_;
    std::string title_;
    std::vector<SystemMenuEntry> systemMenu_;
    int focus_ = 0;
    bool windowEnabled_ = true;
    bool ended_ = false;
    int result_ = 0;
    bool hasWindow_ = false;
    DialogView* view_ = nullptr;
};

}  // namespace qv

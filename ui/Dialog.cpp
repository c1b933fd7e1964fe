#include "ui/Dialog.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "ui/ReportCtrl.h"

namespace qv {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

}  // namespace

Dialog::Dialog(Host& host, DialogTemplate tmpl)
    : host_(host), template_(std::move(tmpl)), title_(template_.title) {
    for (const auto& c : template_.controls) {
        if (c.id == IDC_STATIC) continue;
        ControlState& s = controls_[c.id];
        if (c.kind != ControlKind::Edit && c.kind != ControlKind::ComboBox) s.text = c.caption;
        s.enabled = !(c.style & kDisabled);
        s.visible = !(c.style & kHidden);
        if (c.kind == ControlKind::List) s.list = std::make_unique<CReportCtrl>(host_);
    }
}

// A dialog destroyed while its modeless window still exists gives the window back to the host,
// so that no window is left pointing at a destroyed dialog.
Dialog::~Dialog() {
    if (hasWindow_) host_.DestroyModeless(*this);
}

ControlState* Dialog::State(int id) {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

const ControlState* Dialog::State(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

void Dialog::Notify(int id) {
    if (view_) view_->ControlChanged(id);
}

std::string Dialog::GetDlgItemText(int id, size_t maxChars) const {
    const ControlState* s = State(id);
    if (!s) return {};
    return s->text.substr(0, std::min(maxChars, s->text.size()));
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
    if (ControlState* s = State(id); s && s->text != text) {
        s->text = text;
        Notify(id);
    }
}

int Dialog::IsDlgButtonChecked(int id) const {
    const ControlState* s = State(id);
    return s ? s->checked : 0;
}

void Dialog::CheckDlgButton(int id, int checked) {
    if (ControlState* s = State(id); s && s->checked != checked) {
        s->checked = checked;
        Notify(id);
    }
}

bool Dialog::IsControlEnabled(int id) const {
    const ControlState* s = State(id);
    return s && s->enabled;
}

void Dialog::EnableControl(int id, bool enable) {
    if (ControlState* s = State(id); s && s->enabled != enable) {
        s->enabled = enable;
        Notify(id);
    }
}

bool Dialog::IsControlVisible(int id) const {
    const ControlState* s = State(id);
    return s && s->visible;
}

void Dialog::ShowControl(int id, bool show) {
    if (ControlState* s = State(id); s && s->visible != show) {
        s->visible = show;
        Notify(id);
    }
}

int Dialog::ComboAddString(int id, const std::string& entry) {
    ControlState* s = State(id);
    if (!s) return -1;
    s->entries.push_back(entry);
    Notify(id);
    return static_cast<int>(s->entries.size()) - 1;
}

void Dialog::ComboResetContent(int id) {
    if (ControlState* s = State(id)) {
        s->entries.clear();
        s->curSel = -1;
        s->text.clear();
        Notify(id);
    }
}

int Dialog::ComboGetCount(int id) const {
    const ControlState* s = State(id);
    return s ? static_cast<int>(s->entries.size()) : 0;
}

int Dialog::ComboGetCurSel(int id) const {
    const ControlState* s = State(id);
    return s ? s->curSel : -1;
}

void Dialog::ComboSetCurSel(int id, int index) {
    ControlState* s = State(id);
    if (!s) return;
    if (index < 0 || index >= static_cast<int>(s->entries.size())) {
        s->curSel = -1;
        s->text.clear();
    } else {
        s->curSel = index;
        s->text = s->entries[index];
    }
    Notify(id);
}

std::string Dialog::ComboGetLBText(int id, int index) const {
    const ControlState* s = State(id);
    if (!s || index < 0 || index >= static_cast<int>(s->entries.size())) return {};
    return s->entries[index];
}

int Dialog::ComboSelectString(int id, int after, const std::string& prefix) {
    ControlState* s = State(id);
    if (!s) return -1;
    const int n = static_cast<int>(s->entries.size());
    for (int k = 1; k <= n; ++k) {
        int i = (after + k) % n;
        if (i < 0) i += n;
        if (StartsWithNoCase(s->entries[i], prefix)) {
            ComboSetCurSel(id, i);
            return i;
        }
    }
    return -1;
}

void Dialog::SetProgressRange(int id, int low, int high) {
    if (ControlState* s = State(id)) {
        s->rangeLow = low;
        s->rangeHigh = high;
        s->pos = std::clamp(s->pos, low, std::max(low, high));
        Notify(id);
    }
}

void Dialog::SetProgressPos(int id, int pos) {
    if (ControlState* s = State(id)) {
        pos = std::clamp(pos, s->rangeLow, std::max(s->rangeLow, s->rangeHigh));
        if (s->pos != pos) {
            s->pos = pos;
            Notify(id);
        }
    }
}

int Dialog::GetProgressPos(int id) const {
    const ControlState* s = State(id);
    return s ? s->pos : 0;
}

std::pair<int, int> Dialog::GetProgressRange(int id) const {
    const ControlState* s = State(id);
    return s ? std::pair<int, int>{s->rangeLow, s->rangeHigh} : std::pair<int, int>{0, 100};
}

CReportCtrl& Dialog::List(int id) {
    ControlState* s = State(id);
    if (!s || !s->list) throw std::logic_error("control " + std::to_string(id) + " is no list");
    return *s->list;
}

const CReportCtrl& Dialog::List(int id) const {
    const ControlState* s = State(id);
    if (!s || !s->list) throw std::logic_error("control " + std::to_string(id) + " is no list");
    return *s->list;
}

void Dialog::SetFocusId(int id) {
    if (id == focus_) return;
    const int old = focus_;
    focus_ = id;
    if (view_) view_->FocusChanged(id);
    if (old != 0) OnKillFocus(old);
}

void Dialog::SetTitle(const std::string& title) {
    if (title_ == title) return;
    title_ = title;
    if (view_) view_->TitleChanged();
}

void Dialog::EnableWindow(bool enable) {
    if (windowEnabled_ == enable) return;
    windowEnabled_ = enable;
    if (view_) view_->WindowEnabledChanged();
}

void Dialog::AppendSystemMenu(int command, const std::string& text) {
    systemMenu_.push_back({command, text});
}

void Dialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    if (view_) view_->Ended(result);
}

void Dialog::AttachView(DialogView* view) {
    view_ = view;
    hasWindow_ = true;
}

void Dialog::DetachView() {
    view_ = nullptr;
    hasWindow_ = false;
}

void Dialog::Initialize() {
    hasWindow_ = true;
    ended_ = false;
    result_ = 0;
    focus_ = 0;
    const bool keepDefaultFocus = OnInitDialog();
    if (focus_ == 0 && keepDefaultFocus) {
        for (const auto& c : template_.controls) {
            if (c.id == IDC_STATIC) continue;
            if ((c.kind == ControlKind::Edit || c.kind == ControlKind::Button ||
                 c.kind == ControlKind::ComboBox || c.kind == ControlKind::CheckBox ||
                 c.kind == ControlKind::Radio || c.kind == ControlKind::List) &&
                IsControlEnabled(c.id) && IsControlVisible(c.id)) {
                SetFocusId(c.id);
                break;
            }
        }
    }
}

void Dialog::UserClick(int id) {
    const ControlState* s = State(id);
    const ControlTemplate* t = template_.Find(id);
    if (!windowEnabled_ || !s || !t || !s->enabled || !s->visible) return;
    if (t->kind == ControlKind::CheckBox && !(t->style & kManualCheck))
        CheckDlgButton(id, s->checked ? 0 : 1);
    if (t->kind == ControlKind::Radio) CheckRadioInRun(id);
    SetFocusId(id);
    if (!ended_) OnCommand(id);
}

void Dialog::UserSetText(int id, const std::string& text) {
    const ControlState* s = State(id);
    const ControlTemplate* t = template_.Find(id);
    if (!windowEnabled_ || !s || !t || !s->enabled || (t->style & kReadOnly)) return;
    SetDlgItemText(id, text);
    if (t->kind == ControlKind::Edit) OnEditChange(id);
}

void Dialog::CheckRadioInRun(int id) {
    const auto& cs = template_.controls;
    size_t at = 0;
    while (at < cs.size() && cs[at].id != id) ++at;
    if (at == cs.size()) return;
    size_t first = at, last = at;
    while (first > 0 && cs[first - 1].kind == ControlKind::Radio) --first;
    while (last + 1 < cs.size() && cs[last + 1].kind == ControlKind::Radio) ++last;
    for (size_t i = first; i <= last; ++i) CheckDlgButton(cs[i].id, cs[i].id == id ? 1 : 0);
}

void Dialog::UserSelectCombo(int id, int index) {
    const ControlState* s = State(id);
    if (!windowEnabled_ || !s || !s->enabled) return;
    ComboSetCurSel(id, index);
}

void Dialog::UserFocus(int id) {
    if (!windowEnabled_) return;
    SetFocusId(id);
}

void Dialog::UserKeyEnter() {
    if (const int button = EnterButtonFor(focus_); button != 0 && HasControl(button)) {
        UserClick(button);
        return;
    }
    for (const auto& c : template_.controls) {
        if (c.kind == ControlKind::Button && (c.style & kDefaultButton)) {
            UserClick(c.id);
            return;
        }
    }
    UserCommand(IDOK);
}

void Dialog::UserKeyEscape() {
    if (!windowEnabled_) return;
    OnKeyEscape();
}

void Dialog::UserAccelerator(int command) {
    if (!windowEnabled_ || command == 0) return;
    if (HasControl(command))
        UserClick(command);
    else
        OnCommand(command);
}

void Dialog::UserCommand(int id) {
    if (!windowEnabled_) return;
    OnCommand(id);
}

void Dialog::UserSysCommand(int command) {
    if (!windowEnabled_) return;
    OnSysCommand(command);
}

void Dialog::UserContextMenu(int controlId, int x, int y) {
    if (!windowEnabled_) return;
    OnContextMenu(controlId, x, y);
}

void Dialog::OnCommand(int id) {
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

}  // namespace qv

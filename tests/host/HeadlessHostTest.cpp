#include <gtest/gtest.h>

#include "host/headless/HeadlessHost.h"
#include "ui/Dialog.h"

namespace qv {
namespace {

DialogTemplate SampleTemplate() {
    DialogTemplate t;
    t.id = 500;
    t.title = "Sample";
    t.width = 200;
    t.height = 100;
    t.controls = {
        {IDC_STATIC, ControlKind::Static, "Name:", 5, 5, 30, 10, kStyleNone},
        {10, ControlKind::Edit, "", 40, 5, 100, 14, kStyleNone},
        {11, ControlKind::Edit, "", 40, 25, 100, 14, kReadOnly},
        {12, ControlKind::CheckBox, "Auto", 5, 45, 60, 10, kStyleNone},
        {13, ControlKind::CheckBox, "Manual", 5, 60, 60, 10, kManualCheck},
        {14, ControlKind::ComboBox, "", 70, 45, 100, 60, kStyleNone},
        {15, ControlKind::Button, "Hidden", 70, 60, 50, 14, kHidden | kDisabled},
        {IDOK, ControlKind::Button, "OK", 100, 80, 50, 14, kDefaultButton},
        {IDCANCEL, ControlKind::Button, "Cancel", 150, 80, 50, 14, kStyleNone},
    };
    return t;
}

class SampleDialog : public Dialog {
public:
    explicit SampleDialog(Host& host) : Dialog(host, SampleTemplate()) {}
    bool OnInitDialog() override {
        ++inits;
        SetDlgItemText(10, "initial");
        return true;
    }
    void OnCommand(int id) override {
        commands.push_back(id);
        Dialog::OnCommand(id);
    }
    void OnKillFocus(int id) override { killed.push_back(id); }
    int inits = 0;
    std::vector<int> commands;
    std::vector<int> killed;
};

TEST(HeadlessHost, QuestionBoxesAnswerFromTheScriptThenTheDefault) {
    HeadlessHost host;
    host.QueueAnswer(MsgResult::No);
    host.defaultAnswer = MsgResult::Yes;
    EXPECT_EQ(host.MessageBox(MsgKind::Question, "Overwrite?"), MsgResult::No);
    EXPECT_EQ(host.MessageBox(MsgKind::Question, "Again?"), MsgResult::Yes);
    EXPECT_EQ(host.MessageBox(MsgKind::Error, "Broken"), MsgResult::Ok);
    ASSERT_EQ(host.boxes.size(), 3u);
    EXPECT_EQ(host.boxes[0].text, "Overwrite?");
    EXPECT_EQ(host.boxes[2].kind, MsgKind::Error);
}

TEST(HeadlessHost, ModalDialogIsDrivenByItsCallbackOrEndsWithCancel) {
    HeadlessHost host;
    host.OnModal(500, [](Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(10), "initial");
        d.UserSetText(10, "typed");
        d.UserSetText(11, "refused: read-only");
        d.UserClick(IDOK);
    });
    SampleDialog dlg(host);
    EXPECT_EQ(host.RunModal(dlg), IDOK);
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_EQ(dlg.GetDlgItemText(10), "typed");
    EXPECT_EQ(dlg.GetDlgItemText(11), "");
    EXPECT_FALSE(dlg.HasWindow());
    EXPECT_EQ(host.modalIds, std::vector<int>{500});
    // Without a callback the dialog is left open and ends with Cancel.
    HeadlessHost bare;
    SampleDialog left(bare);
    EXPECT_EQ(bare.RunModal(left), IDCANCEL);
}

TEST(HeadlessHost, PostedNotificationRunsOnlyFromAPump) {
    HeadlessHost host;
    int runs = 0;
    host.Post([&] { ++runs; });
    host.Post([&] { ++runs; });
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(host.PeekMessage(), PendingMessage::Other);
    host.PumpPaintMessages();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(host.PumpOneMessage());
    EXPECT_EQ(runs, 1);
    host.PumpMessages();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(host.PeekMessage(), PendingMessage::None);
    host.PostClose();
    EXPECT_EQ(host.PeekMessage(), PendingMessage::Close);
    EXPECT_FALSE(host.PumpOneMessage());
}

TEST(DialogModel, UserInputFollowsTheControlRules) {
    HeadlessHost host;
    SampleDialog dlg(host);
    host.ShowModeless(dlg);
    // Auto check boxes toggle themselves, manual ones leave it to their handler.
    dlg.UserClick(12);
    dlg.UserClick(13);
    EXPECT_EQ(dlg.IsDlgButtonChecked(12), 1);
    EXPECT_EQ(dlg.IsDlgButtonChecked(13), 0);
    EXPECT_EQ(dlg.commands, (std::vector<int>{12, 13}));
    // Hidden or disabled controls and a disabled window take no input.
    dlg.UserClick(15);
    dlg.EnableWindow(false);
    dlg.UserClick(12);
    dlg.UserKeyEscape();
    EXPECT_EQ(dlg.commands.size(), 2u);
    dlg.EnableWindow(true);
    // Enter presses the default button.
    dlg.UserKeyEnter();
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_EQ(dlg.Result(), IDOK);
}

TEST(DialogModel, FocusLossCallsTheHandlerOfTheControlLeft) {
    HeadlessHost host;
    SampleDialog dlg(host);
    host.ShowModeless(dlg);
    EXPECT_EQ(dlg.GetFocusId(), 10);  // first enabled edit
    dlg.UserFocus(14);
    dlg.UserFocus(14);
    dlg.UserClick(IDCANCEL);
    EXPECT_EQ(dlg.killed, (std::vector<int>{10, 14}));
}

TEST(DialogModel, ComboSelectStringMatchesAPrefixIgnoringCase) {
    HeadlessHost host;
    SampleDialog dlg(host);
    for (const char* e : {"Merge Conservatively", "Take Trunk Version", "Take Branch Version"})
        dlg.ComboAddString(14, e);
    struct Case {
        std::string prefix;
        int index;
        std::string text;
    };
    for (const Case& c : std::vector<Case>{{"take branch", 2, "Take Branch Version"},
                                           {"TAKE", 1, "Take Trunk Version"},
                                           {"", 0, "Merge Conservatively"}}) {
        EXPECT_EQ(dlg.ComboSelectString(14, -1, c.prefix), c.index) << c.prefix;
        EXPECT_EQ(dlg.GetDlgItemText(14), c.text);
    }
    EXPECT_EQ(dlg.ComboSelectString(14, -1, "nothing"), -1);
    EXPECT_EQ(dlg.ComboGetCurSel(14), 0);  // unchanged
    dlg.SetDlgItemText(10, "abcdef");
    EXPECT_EQ(dlg.GetDlgItemText(10, 3), "abc");
}

}  // namespace
}  // namespace qv

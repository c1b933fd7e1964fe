#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/TempEnv.h"
#include "ui/Dialog.h"

namespace qv {
namespace {

enum Id {
    kName = 10,
    kSecret = 11,
    kShown = 12,
    kAuto = 13,
    kManual = 14,
    kCombo = 15,
    kHiddenButton = 16,
    kStatus = 17,
    kProgress = 18,
    kList = 19,
    kNotes = 20,
};

DialogTemplate SampleTemplate() {
    DialogTemplate t;
    t.id = 500;
    t.title = "Sample";
    t.width = 200;
    t.height = 120;
    using K = ControlKind;
    t.controls = {
        {IDC_STATIC, K::Group, "Group", 2, 2, 196, 96, kStyleNone},
        {IDC_STATIC, K::Static, "Name:", 5, 8, 30, 8, kRightAlign},
        {kName, K::Edit, "", 40, 5, 95, 14, kStyleNone},
        {kSecret, K::Edit, "", 40, 22, 95, 14, kPassword},
        {kShown, K::Edit, "", 40, 39, 95, 14, kReadOnly},
        {kAuto, K::CheckBox, "Auto", 5, 58, 60, 10, kStyleNone},
        {kManual, K::CheckBox, "Manual", 70, 58, 60, 10, kManualCheck},
        {kCombo, K::ComboBox, "", 140, 5, 55, 60, kStyleNone},
        {kHiddenButton, K::Button, "Hidden", 140, 22, 50, 14, kHidden | kDisabled},
        {kStatus, K::Static, "", 5, 72, 120, 10, kSunken},
        {kProgress, K::Progress, "", 5, 85, 120, 8, kStyleNone},
        {kList, K::List, "", 140, 40, 55, 40, kStyleNone},
        {IDC_STATIC, K::Icon, "", 130, 72, 10, 10, kStyleNone},
        {IDOK, K::Button, "OK", 90, 100, 50, 14, kDefaultButton},
        {IDCANCEL, K::Button, "Cancel", 145, 100, 50, 14, kStyleNone},
        {IDC_STATIC, K::Static, "&Notes:", 5, 104, 20, 8, kStyleNone},
        {kNotes, K::Edit, "", 28, 102, 55, 16, kMultiLine},
    };
    return t;
}

class SampleDialog : public Dialog {
public:
    explicit SampleDialog(Host& host) : Dialog(host, SampleTemplate()) {}
    bool OnInitDialog() override {
        if (onInit) onInit(*this);
        return true;
    }
    void OnCommand(int id) override {
        commands.push_back(id);
        if (id == kManual && manualToggles) CheckDlgButton(kManual, !IsDlgButtonChecked(kManual));
        if (id == IDCANCEL && !cancelEnds) return;
        Dialog::OnCommand(id);
    }
    void OnKillFocus(int id) override { killed.push_back(id); }
    void OnSysCommand(int command) override { sysCommands.push_back(command); }
    void OnContextMenu(int id, int x, int y) override { menus.push_back({id, x, y}); }

    std::function<void(SampleDialog&)> onInit;
    bool manualToggles = false;
    bool cancelEnds = true;
    std::vector<int> commands, killed, sysCommands;
    std::vector<std::vector<int>> menus;
};

// A sample dialog shown modelessly for the length of a test.
struct Shown {
    QtHost host;
    SampleDialog dialog{host};
    DialogWindow* window = nullptr;

    Shown() {
        host.ShowModeless(dialog);
        window = host.WindowOf(dialog);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    ~Shown() { host.DestroyModeless(dialog); }
    template <class W>
    W* Widget(int id) const {
        return qobject_cast<W*>(window->Control(id));
    }
};

TEST(QtHostDialogUnits, ConvertWithRoundingAsTheOriginalDoes) {
    struct Case {
        DialogBaseUnits units;
        int du;
        int x, y;
    } cases[] = {
        {{6, 13}, 4, 6, 7},                                 // 4*6/4 = 6; 4*13/8 = 6.5 -> 7
        {{7, 13}, 5, 9, 8},                                 // 8.75 -> 9; 8.125 -> 8
        {{7, 13}, 2, 4, 3},                                 // 3.5 -> 4; 3.25 -> 3
        {{7, 15}, 635, 1111, 1191}, {{7, 13}, -2, -4, -3},  // rounds half away from zero
        {{7, 13}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogXToPixels(c.units, c.du), c.x) << c.du;
        EXPECT_EQ(DialogYToPixels(c.units, c.du), c.y) << c.du;
    }
    EXPECT_EQ(DialogRectToPixels({8, 16}, 5, 10, 20, 4), QRect(10, 20, 40, 8));
}

TEST(QtHostRendering, ControlsBecomeWidgetsAtTheirPixelRectangles) {
    Shown s;
    const DialogBaseUnits u = BaseUnitsOf(s.window->font());
    ASSERT_GT(u.cx, 0);
    EXPECT_EQ(s.window->size(), QSize(DialogXToPixels(u, 200), DialogYToPixels(u, 120)));
    struct Case {
        size_t index;
        const char* className;
        std::function<bool(QWidget*)> style;
    } cases[] = {
        {0, "QGroupBox", [](QWidget* w) { return static_cast<QGroupBox*>(w)->title() == "Group"; }},
        {1, "QLabel",
         [](QWidget* w) {
             auto* l = static_cast<QLabel*>(w);
             return l->text() == "Name:" && (l->alignment() & Qt::AlignRight);
         }},
        {2, "QLineEdit",
         [](QWidget* w) { return static_cast<QLineEdit*>(w)->echoMode() == QLineEdit::Normal; }},
        {3, "QLineEdit",
         [](QWidget* w) { return static_cast<QLineEdit*>(w)->echoMode() == QLineEdit::Password; }},
        {4, "QLineEdit", [](QWidget* w) { return static_cast<QLineEdit*>(w)->isReadOnly(); }},
        {5, "QCheckBox", [](QWidget* w) { return static_cast<QCheckBox*>(w)->text() == "Auto"; }},
        {6, "QCheckBox", [](QWidget*) { return true; }},
        {7, "QComboBox", [](QWidget* w) { return static_cast<QComboBox*>(w)->isEditable(); }},
        {8, "QPushButton", [](QWidget* w) { return w->isHidden() && !w->isEnabled(); }},
        {9, "QLabel",
         [](QWidget* w) { return static_cast<QLabel*>(w)->frameShadow() == QFrame::Sunken; }},
        {10, "QProgressBar", [](QWidget*) { return true; }},
        {11, "QAbstractItemView", [](QWidget*) { return true; }},
        {12, "QLabel", [](QWidget* w) { return !static_cast<QLabel*>(w)->pixmap().isNull(); }},
        {13, "QPushButton", [](QWidget* w) { return static_cast<QPushButton*>(w)->isDefault(); }},
        {14, "QPushButton", [](QWidget* w) { return !static_cast<QPushButton*>(w)->isDefault(); }},
    };
    const auto& controls = s.dialog.Template().controls;
    for (const Case& c : cases) {
        QWidget* w = s.window->WidgetAt(c.index);
        ASSERT_NE(w, nullptr) << c.index;
        EXPECT_TRUE(w->inherits(c.className)) << c.index << " is " << w->metaObject()->className();
        EXPECT_TRUE(c.style(w)) << c.index;
        const ControlTemplate& t = controls[c.index];
        QRect expected = DialogRectToPixels(u, t.x, t.y, t.width, t.height);
        if (t.kind == ControlKind::ComboBox) expected.setHeight(DialogYToPixels(u, 14));
        EXPECT_EQ(w->geometry(), expected) << c.index;
    }
}

TEST(QtHostBinding, TypingReachesTheModelAndModelTextReachesTheWidget) {
    Shown s;
    s.dialog.ComboAddString(kCombo, "Branch Only");
    struct Case {
        int id;
        QWidget* target;
        const char* typed;
        std::string modelAfter;
    } cases[] = {
        {kName, s.Widget<QLineEdit>(kName), "broker1", "broker1"},
        {kSecret, s.Widget<QLineEdit>(kSecret), "pw", "pw"},
        {kShown, s.Widget<QLineEdit>(kShown), "x", ""},  // read-only: nothing typed
        {kCombo, s.Widget<QComboBox>(kCombo)->lineEdit(), "Tr", "Tr"},
        {kNotes, s.Widget<QPlainTextEdit>(kNotes), "two words", "two words"},
    };
    for (const Case& c : cases) {
        QTest::keyClicks(c.target, c.typed);
        s.host.PumpMessages();
        EXPECT_EQ(s.dialog.GetDlgItemText(c.id), c.modelAfter) << c.id;

        s.dialog.SetDlgItemText(c.id, "from model");
        s.host.PumpMessages();
        QString shown = c.id == kCombo   ? s.Widget<QComboBox>(c.id)->currentText()
                        : c.id == kNotes ? s.Widget<QPlainTextEdit>(c.id)->toPlainText()
                                         : s.Widget<QLineEdit>(c.id)->text();
        EXPECT_EQ(shown, "from model") << c.id;
        EXPECT_EQ(s.dialog.GetDlgItemText(c.id), "from model") << c.id;
    }
}

TEST(QtHostBinding, ComboEntriesAndSelectionFollowTheModelBothWays) {
    Shown s;
    for (const char* e : {"Merge Conservatively", "Merge Aggressively", "Take Trunk Version"})
        s.dialog.ComboAddString(kCombo, e);
    s.dialog.ComboSetCurSel(kCombo, 2);
    auto* cb = s.Widget<QComboBox>(kCombo);
    ASSERT_EQ(cb->count(), 3);
    EXPECT_EQ(cb->currentText(), "Take Trunk Version");

    cb->setFocus();
    QTest::keyClick(cb, Qt::Key_Up);
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.ComboGetCurSel(kCombo), 1);
    EXPECT_EQ(s.dialog.GetDlgItemText(kCombo), "Merge Aggressively");

    s.dialog.ComboResetContent(kCombo);
    EXPECT_EQ(cb->count(), 0);
    EXPECT_EQ(cb->currentText(), "");
}

TEST(QtHostBinding, ACheckBoxClickDoesNotToggleTheBoxByItself) {
    struct Case {
        int id;
        bool handlerToggles;
        bool checkedAfter;
    } cases[] = {
        {kAuto, false, true},     // the model toggles an automatic box once
        {kManual, false, false},  // a manual box stays as it is unless its handler acts
        {kManual, true, true},
    };
    for (const Case& c : cases) {
        Shown s;
        s.dialog.manualToggles = c.handlerToggles;
        auto* box = s.Widget<QCheckBox>(c.id);
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_FALSE(box->isChecked()) << "the click itself toggled " << c.id;
        s.host.PumpMessages();
        EXPECT_EQ(s.dialog.IsDlgButtonChecked(c.id) != 0, c.checkedAfter) << c.id;
        EXPECT_EQ(box->isChecked(), c.checkedAfter) << c.id;
        EXPECT_EQ(s.dialog.commands, std::vector<int>{c.id});
    }
}

TEST(QtHostBinding, ModelStateReachesTheWidgets) {
    Shown s;
    struct Case {
        const char* what;
        std::function<void(Dialog&)> change;
        std::function<bool(DialogWindow&)> shows;
    } cases[] = {
        {"title", [](Dialog& d) { d.SetTitle("Quorvel 1.07 - Quorvel"); },
         [](DialogWindow& w) { return w.windowTitle() == "Quorvel 1.07 - Quorvel"; }},
        {"status", [](Dialog& d) { d.SetDlgItemText(kStatus, " Ready"); },
         [](DialogWindow& w) {
             return static_cast<QLabel*>(w.Control(kStatus))->text() == " Ready";
         }},
        {"caption", [](Dialog& d) { d.SetDlgItemText(IDOK, "List All"); },
         [](DialogWindow& w) {
             return static_cast<QPushButton*>(w.Control(IDOK))->text() == "List All";
         }},
        {"check", [](Dialog& d) { d.CheckDlgButton(kManual, 1); },
         [](DialogWindow& w) { return static_cast<QCheckBox*>(w.Control(kManual))->isChecked(); }},
        {"progress",
         [](Dialog& d) {
             d.SetProgressRange(kProgress, 0, 50);
             d.SetProgressPos(kProgress, 25);
         },
         [](DialogWindow& w) {
             auto* p = static_cast<QProgressBar*>(w.Control(kProgress));
             return p->maximum() == 50 && p->value() == 25;
         }},
        {"show", [](Dialog& d) { d.ShowControl(kHiddenButton, true); },
         [](DialogWindow& w) { return !w.Control(kHiddenButton)->isHidden(); }},
        {"enable", [](Dialog& d) { d.EnableControl(kName, false); },
         [](DialogWindow& w) { return !w.Control(kName)->isEnabled(); }},
        {"window", [](Dialog& d) { d.EnableWindow(false); },
         [](DialogWindow& w) { return !w.isEnabled(); }},
    };
    for (const Case& c : cases) {
        c.change(s.dialog);
        EXPECT_TRUE(c.shows(*s.window)) << c.what;
    }
}

TEST(QtHostModal, EscapeAndTheCloseBoxEndTheDialogThroughItsCancelHandling) {
    struct Case {
        const char* what;
        std::function<void(DialogWindow&)> act;
    } cases[] = {
        {"escape", [](DialogWindow& w) { QTest::keyClick(w.Control(kName), Qt::Key_Escape); }},
        {"close box", [](DialogWindow& w) { w.close(); }},
    };
    for (const Case& c : cases) {
        QtHost host;
        SampleDialog d(host);
        d.onInit = [&](SampleDialog& self) {
            host.Post([&host, &self, &c] { c.act(*host.WindowOf(self)); });
        };
        EXPECT_EQ(RunModalAtMostFiveSeconds(host, d), IDCANCEL) << c.what;
        EXPECT_EQ(d.commands, std::vector<int>{IDCANCEL}) << c.what;
        EXPECT_EQ(host.WindowOf(d), nullptr);
    }
}

TEST(QtHostModal, TheCloseBoxDoesNotCloseWhenTheModelRefuses) {
    QtHost host;
    SampleDialog d(host);
    d.cancelEnds = false;
    bool stillShown = false;
    d.onInit = [&](SampleDialog& self) {
        host.Post([&] {
            DialogWindow* w = host.WindowOf(self);
            w->close();
            host.Post([&, w] {
                stillShown = w->isVisible();
                QTest::mouseClick(w->Control(IDOK), Qt::LeftButton);
            });
        });
    };
    EXPECT_EQ(RunModalAtMostFiveSeconds(host, d), IDOK);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(d.commands, (std::vector<int>{IDCANCEL, IDOK}));
}

TEST(QtHostPumps, PostedNotificationsRunOnlyFromAFullPump) {
    struct Case {
        const char* pump;
        std::function<void(QtHost&)> run;
        int ranOfTwo;
    } cases[] = {
        {"posting itself", [](QtHost&) {}, 0},
        {"PumpPaintMessages", [](QtHost& h) { h.PumpPaintMessages(); }, 0},
        {"PeekMessage", [](QtHost& h) { h.PeekMessage(); }, 0},
        {"Sleep", [](QtHost& h) { h.Sleep(20); }, 0},
        {"PumpOneMessage", [](QtHost& h) { EXPECT_TRUE(h.PumpOneMessage()); }, 1},
        {"PumpMessages", [](QtHost& h) { h.PumpMessages(); }, 2},
    };
    for (const Case& c : cases) {
        QtHost host;
        int ran = 0;
        host.Post([&] { ++ran; });
        host.Post([&] { ++ran; });
        c.run(host);
        EXPECT_EQ(ran, c.ranOfTwo) << c.pump;
        // With a window system, pending input cannot be ruled out without dispatching it.
        const PendingMessage empty = QGuiApplication::platformName() == "offscreen"
                                         ? PendingMessage::None
                                         : PendingMessage::Other;
        EXPECT_EQ(host.PeekMessage(), c.ranOfTwo == 2 ? empty : PendingMessage::Other) << c.pump;
        host.PumpMessages();
        EXPECT_EQ(ran, 2) << c.pump;
    }
}

// A paint pump repaints a changed control but leaves user input waiting for a full pump.
TEST(QtHostPumps, APaintPumpRepaintsButUserInputWaitsItOut) {
    Shown s;
    int paints = 0;
    struct Counter : QObject {
        int& n;
        explicit Counter(int& count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++n;
            return false;
        }
    } counter(paints);
    s.host.PumpMessages();
    s.window->Control(kStatus)->installEventFilter(&counter);
    s.dialog.SetDlgItemText(kStatus, " Sorting Top List by File Name...");
    QTest::mouseClick(s.window->Control(IDOK), Qt::LeftButton);  // focus move and click
    const size_t waiting = s.host.pending();
    EXPECT_GE(waiting, 1u);
    s.host.PumpPaintMessages();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(s.host.pending(), waiting);
    EXPECT_TRUE(s.dialog.commands.empty());
    EXPECT_EQ(s.host.PeekMessage(), PendingMessage::Other);
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.commands, std::vector<int>{IDOK});
}

TEST(QtHostPumps, ACloseRequestIsPeekedAsCloseAndHandledWhenPumped) {
    Shown s;
    s.host.PumpMessages();
    s.window->close();
    EXPECT_TRUE(s.dialog.commands.empty());
    EXPECT_TRUE(s.window->isVisible());
    EXPECT_EQ(s.host.PeekMessage(), PendingMessage::Close);
    EXPECT_TRUE(s.host.PumpOneMessage());
    EXPECT_EQ(s.dialog.commands, std::vector<int>{IDCANCEL});
    EXPECT_TRUE(s.dialog.IsEnded());
    EXPECT_FALSE(s.window->isVisible());
}

TEST(QtHostPumps, AQuitRequestEndsTheModalRun) {
    QtHost host;
    SampleDialog d(host);
    d.onInit = [&](SampleDialog&) {
        host.Post([] { QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit)); });
    };
    EXPECT_EQ(RunModalAtMostFiveSeconds(host, d), -1);
    EXPECT_EQ(host.PeekMessage(), PendingMessage::Close);
    EXPECT_FALSE(host.PumpOneMessage());
    EXPECT_TRUE(d.commands.empty());
}

TEST(QtHostFocus, LeavingAControlCallsItsKillFocusOnce) {
    Shown s;
    s.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.window));
    s.host.PumpMessages();
    ASSERT_EQ(s.dialog.GetFocusId(), kName);
    s.dialog.killed.clear();

    QTest::keyClick(s.window->Control(kName), Qt::Key_Tab);  // to the password box
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.GetFocusId(), kSecret);
    QTest::mouseClick(s.window->Control(kShown), Qt::LeftButton);
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.GetFocusId(), kShown);
    s.dialog.SetFocusId(kName);  // the program moves the focus: no echo from the view
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.killed, (std::vector<int>{kName, kSecret, kShown}));
    EXPECT_TRUE(s.window->Control(kName)->hasFocus());

    QTest::keyClick(s.window, Qt::Key_N, Qt::AltModifier);  // the label "&Notes:"
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.GetFocusId(), kNotes);
    EXPECT_EQ(s.dialog.killed.back(), kName);
}

TEST(QtHostWindow, ADisabledWindowTakesNoInput) {
    Shown s;
    s.dialog.EnableWindow(false);
    QTest::mouseClick(s.window->Control(IDOK), Qt::LeftButton);
    QTest::keyClick(s.window, Qt::Key_Escape);
    s.host.PumpMessages();
    EXPECT_TRUE(s.dialog.commands.empty());
    s.dialog.EnableWindow(true);
    QTest::mouseClick(s.window->Control(IDOK), Qt::LeftButton);
    s.host.PumpMessages();
    EXPECT_EQ(s.dialog.commands, std::vector<int>{IDOK});
}

TEST(QtHostWindow, ADialogDestroyedWhileShownTakesItsWindowAlong) {
    QtHost host;
    auto d = std::make_unique<SampleDialog>(host);
    host.ShowModeless(*d);
    ASSERT_NE(host.TopWindow(), nullptr);
    QTest::mouseClick(host.WindowOf(*d)->Control(IDOK), Qt::LeftButton);  // queued input
    d.reset();
    EXPECT_EQ(host.TopWindow(), nullptr);
    host.PumpMessages();  // the queued click finds no window and is dropped
    EXPECT_EQ(host.pending(), 0u);
}

TEST(QtHostWindow, AWindowThatKeepsTheFocusTakesItBackFromTheProgramsOtherWindows) {
    QtHost host;
    SampleDialog other(host);
    host.ShowModeless(other);
    DialogTemplate t;
    t.id = 777;
    t.width = 100;
    t.height = 40;
    t.style = kDlgNoClose | kDlgKeepFocus;
    t.controls = {{IDCANCEL, ControlKind::Button, "Cancel", 10, 10, 40, 14, kStyleNone}};
    Dialog keeper(host, t);
    host.ShowModeless(keeper);
    DialogWindow* keeperWindow = host.WindowOf(keeper);
    DialogWindow* otherWindow = host.WindowOf(other);
    keeperWindow->activateWindow();
    QTRY_VERIFY(keeperWindow->isActiveWindow());
    otherWindow->activateWindow();
    QTest::qWait(200);
    EXPECT_TRUE(keeperWindow->isActiveWindow());
    // Without the style the other window keeps the focus it was given.
    host.DestroyModeless(keeper);
    otherWindow->activateWindow();
    QTest::qWait(200);
    EXPECT_TRUE(otherWindow->isActiveWindow());
    host.DestroyModeless(other);
}

TEST(QtHostWindow, TheWindowMenuOffersTheSystemMenuEntries) {
    struct Case {
        const char* how;
        std::function<void(DialogWindow&)> open;
    } cases[] = {
        {"corner button",
         [](DialogWindow& w) { QTest::mouseClick(w.WindowMenuButton(), Qt::LeftButton); }},
        {"right click on the background",
         [](DialogWindow& w) {
             const QPoint at(w.width() / 2, w.height() - 2);
             QContextMenuEvent e(QContextMenuEvent::Mouse, at, w.mapToGlobal(at));
             QApplication::sendEvent(&w, &e);
         }},
    };
    for (const Case& c : cases) {
        QtHost host;
        SampleDialog d(host);
        d.AppendSystemMenu(0, "");
        d.AppendSystemMenu(16, "&About Quorvel...");
        host.ShowModeless(d);
        DialogWindow* w = host.WindowOf(d);
        ASSERT_TRUE(w->WindowMenuButton()->isVisible()) << c.how;
        QStringList offered;
        WhenModal([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return false;
            for (QAction* a : menu->actions()) offered << a->text();
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
            return true;
        });
        c.open(*w);
        host.PumpMessages();
        EXPECT_EQ(offered, QStringList{"&About Quorvel..."}) << c.how;
        EXPECT_EQ(d.sysCommands, std::vector<int>{16}) << c.how;
        host.DestroyModeless(d);
    }
}

TEST(QtHostWindow, TheListViewComesFromTheFactoryAndReportsItsContextMenu) {
    QtHost host;
    CReportCtrl* given = nullptr;
    std::function<void(int, int)> onMenu;
    host.SetListViewFactory([&](CReportCtrl& list, QWidget* parent, auto menu) {
        given = &list;
        onMenu = menu;
        return new QLabel("list", parent);
    });
    SampleDialog d(host);
    host.ShowModeless(d);
    EXPECT_EQ(given, &d.List(kList));
    EXPECT_TRUE(host.WindowOf(d)->Control(kList)->inherits("QLabel"));
    onMenu(120, 340);
    EXPECT_TRUE(d.menus.empty());
    host.PumpMessages();
    EXPECT_EQ(d.menus, (std::vector<std::vector<int>>{{kList, 120, 340}}));
    host.DestroyModeless(d);
    onMenu(1, 2);  // the window is gone: ignored
    host.PumpMessages();
    EXPECT_EQ(d.menus.size(), 1u);
}

TEST(QtHostBoxes, MessageBoxKindsMapToIconButtonsAndCaption) {
    struct Case {
        MsgKind kind;
        std::string caption;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        MsgResult result;
        const char* title;
    } cases[] = {
        {MsgKind::Plain, "", QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, MsgResult::Ok,
         "Quorvel"},
        {MsgKind::Warning, "", QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok,
         MsgResult::Ok, "Quorvel"},
        {MsgKind::Error, "Find", QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok,
         MsgResult::Ok, "Find"},
        {MsgKind::Question, "", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::No, MsgResult::No, "Quorvel"},
        {MsgKind::Question, "", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, MsgResult::Yes, "Quorvel"},
    };
    for (const Case& c : cases) {
        QtHost host;
        QMessageBox::Icon icon{};
        QMessageBox::StandardButtons buttons{};
        QString title, text;
        WhenModal([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return false;
            icon = box->icon();
            buttons = box->standardButtons();
            title = box->windowTitle();
            text = box->text();
            box->button(c.press)->click();
            return true;
        });
        EXPECT_EQ(host.MessageBox(c.kind, "Error: <b>no</b> & more", c.caption), c.result);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(text, "Error: <b>no</b> & more");
    }
}

TEST(QtHostBoxes, APopupMenuReturnsTheChosenCommandOrZero) {
    const std::vector<MenuEntry> entries = {
        {2520, "Open in Crystaledit..."}, {0, ""}, {2510, "WinDiff vs Latest Version..."}};
    struct Case {
        std::vector<Qt::Key> keys;
        int command;
    } cases[] = {
        {{Qt::Key_Down, Qt::Key_Return}, 2520},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 2510},
        {{Qt::Key_Escape}, 0},
    };
    for (const Case& c : cases) {
        QtHost host;
        int separators = 0;
        WhenModal([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return false;
            for (QAction* a : menu->actions()) separators += a->isSeparator();
            for (Qt::Key k : c.keys) QTest::keyClick(menu, k);
            return true;
        });
        EXPECT_EQ(host.TrackPopupMenu(entries, 50, 60), c.command);
        EXPECT_EQ(separators, 1);
    }
}

TEST(QtHostBoxes, FileDialogFiltersTakeQtsForm) {
    FileDialogRequest r;
    r.filters = {{"CSV Files (*.csv)", "*.csv"},
                 {"Lists", "*.save; *.txt"},
                 {"All Files (*.*)", "*.*"},
                 {"", "*.dat"},
                 {"Anything", ""}};
    EXPECT_EQ(FileDialogFilters(r),
              (QStringList{"CSV Files (*.csv)", "Lists (*.save *.txt)", "All Files (*.*)",
                           "*.dat (*.dat)", "Anything (*)"}));
}

TEST(QtHostCursor, WaitCursorsNest) {
    QtHost host;
    host.BeginWaitCursor();
    host.BeginWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.EndWaitCursor();
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    host.EndWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    host.EndWaitCursor();  // one too many: no effect
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(QtHostScreenshot, SavesTheFirstWindowShownAndEndsIt) {
    qvtest::TempDir dir;
    QtHost host;
    host.SetScreenshotOnShow(dir / "shot.png", 0);
    SampleDialog d(host);
    EXPECT_EQ(RunModalAtMostFiveSeconds(host, d), IDCANCEL);
    QImage picture(QString::fromStdString(dir / "shot.png"));
    const DialogBaseUnits u = BaseUnitsOf(host.FontFor(d.Template()));
    EXPECT_EQ(picture.size(), QSize(DialogXToPixels(u, 200), DialogYToPixels(u, 120)));

    SampleDialog next(host);  // only the first window is taken
    next.onInit = [&](SampleDialog& self) { host.Post([&] { self.EndDialog(IDOK); }); };
    EXPECT_EQ(host.RunModal(next), IDOK);
}

}  // namespace
}  // namespace qv

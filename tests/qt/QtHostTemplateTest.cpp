// The main window's and the About box's layouts, as data and as rendered by the Qt host.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRect>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "ui/Dialog.h"
#include "ui/MainWindowIds.h"
#include "ui/MainWindowTemplate.h"

namespace qv {
namespace {

using K = ControlKind;

const ControlTemplate* FindControl(const DialogTemplate& t, int id, K kind,
                                   const std::string& caption) {
    if (id != IDC_STATIC) return t.Find(id);
    for (const auto& c : t.controls)
        if (c.kind == kind && c.caption == caption) return &c;
    return nullptr;
}

QRect Rect(const ControlTemplate& c) {
    return QRect(c.x, c.y, c.width, c.height);
}

TEST(MainWindowTemplate, EveryControlSitsWhereTheLayoutPutsIt) {
    const DialogTemplate t = MainWindowTemplate();
    EXPECT_EQ(t.id, IDD_QUORVEL_DIALOG);
    EXPECT_EQ(t.id, 102);
    EXPECT_EQ(t.width, 635);
    EXPECT_EQ(t.height, 466);
    EXPECT_TRUE(t.style & kDlgSystemMenu);
    const char* listTitle =
        "Tessark Files in the Repository to be Cross Project Merged to Target Package:";
    struct Row {
        int id;
        K kind;
        const char* caption;
        int x, y, w, h;
        unsigned style;
    } rows[] = {
        {IDC_STATIC, K::Group, "SCM Context", 7, 7, 621, 102, 0},
        {1007, K::Edit, "", 47, 22, 153, 14, 0},
        {1000, K::Edit, "", 239, 22, 110, 14, 0},
        {1001, K::Edit, "", 403, 22, 110, 14, kPassword},
        {2026, K::Button, "Reg Setings...", 563, 15, 60, 14, 0},
        {1008, K::Edit, "", 68, 45, 153, 14, kReadOnly},
        {1009, K::Edit, "", 276, 45, 153, 14, kReadOnly},
        {2804, K::ComboBox, "", 502, 46, 120, 73, 0},
        {1010, K::Edit, "", 68, 67, 153, 14, 0},
        {1011, K::Edit, "", 276, 67, 153, 14, 0},
        {2805, K::ComboBox, "", 502, 67, 120, 73, 0},
        {1012, K::Edit, "", 68, 88, 153, 14, 0},
        {2720, K::Button, "Set CPM Context...", 252, 89, 97, 14, 0},
        {1002, K::CheckBox, "Remember Settings", 550, 95, 78, 10, kHidden | kDisabled},
        {IDC_STATIC, K::Frame, "", 7, 108, 621, 326, 0},
        {2027, K::Button, "Find...", 266, 117, 50, 14, 0},
        {1108, K::Button, "Export List...", 320, 117, 50, 14, 0},
        {1112, K::Button, "List Conflicts", 373, 117, 50, 14, 0},
        {1111, K::Button, "Clear List", 426, 117, 50, 14, 0},
        {1110, K::Button, "Save List", 480, 117, 66, 14, 0},
        {1109, K::Button, "Load Saved List", 549, 117, 66, 14, 0},
        {IDC_STATIC, K::Static, listTitle, 25, 134, -1, -1, 0},
        {1090, K::List, "", 21, 146, 597, 258, 0},
        {2024, K::Edit, "", 19, 409, 69, 14, kReadOnly},
        {2730, K::CheckBox, "Select All", 101, 411, 45, 10, kManualCheck},
        {2023, K::Button, "Cross Project Merge Analysis", 223, 413, 163, 14, 0},
        {2025, K::Edit, "", 500, 409, 118, 14, kReadOnly},
        {2701, K::Static, "", 16, 446, 554, 13, kSunken},
        {2806, K::Button, "Exit", 578, 445, 50, 14, 0},
    };
    for (const Row& r : rows) {
        const ControlTemplate* c = FindControl(t, r.id, r.kind, r.caption);
        ASSERT_NE(c, nullptr) << r.id << " " << r.caption;
        EXPECT_EQ(c->kind, r.kind) << r.id;
        EXPECT_EQ(c->caption, r.caption) << r.id;
        EXPECT_EQ(c->x, r.x) << r.id;
        EXPECT_EQ(c->y, r.y) << r.id;
        if (r.w >= 0) {
            EXPECT_EQ(c->width, r.w) << r.id;
            EXPECT_EQ(c->height, r.h) << r.id;
        }
        EXPECT_EQ(c->style & (kPassword | kReadOnly | kHidden | kDisabled | kManualCheck | kSunken),
                  r.style)
            << r.id;
    }
}

TEST(MainWindowTemplate, EachBoxHasItsLabelToItsLeftAndNothingOverlaps) {
    const DialogTemplate t = MainWindowTemplate();
    struct Labelled {
        const char* label;
        int id;
    } labelled[] = {
        {"Broker:", IDC_BROKER},
        {"UserId:", IDC_USERID},
        {"Password:", IDC_PASSWORD},
        {"Source Project:", IDC_SRC_PROJECT},
        {"Source State:", IDC_SRC_STATE},
        {"Merge Options:", IDC_MERGE_OPTIONS},
        {"Target Project:", IDC_TGT_PROJECT},
        {"Target State:", IDC_TGT_STATE},
        {"Placement Options:", IDC_PLACEMENT_OPTIONS},
        {"Target Package:", IDC_TGT_PACKAGE},
    };
    for (const Labelled& l : labelled) {
        const ControlTemplate* label = FindControl(t, IDC_STATIC, K::Static, l.label);
        const ControlTemplate* box = t.Find(l.id);
        ASSERT_TRUE(label && box) << l.label;
        const int gap = box->x - (label->x + label->width);
        EXPECT_GE(gap, 1) << l.label;
        EXPECT_LE(gap, 6) << l.label;
        EXPECT_GE(label->y, box->y) << l.label;
        EXPECT_LE(label->y + label->height, box->y + 14) << l.label;
    }
    // Controls other than the two frames never overlap, and all lie inside the window.
    std::vector<const ControlTemplate*> solid;
    for (const auto& c : t.controls) {
        EXPECT_TRUE(QRect(0, 0, t.width, t.height).contains(Rect(c))) << c.id << c.caption;
        if (c.kind != K::Group && c.kind != K::Frame) solid.push_back(&c);
    }
    for (size_t i = 0; i < solid.size(); ++i) {
        for (size_t j = i + 1; j < solid.size(); ++j) {
            QRect a = Rect(*solid[i]), b = Rect(*solid[j]);
            // A drop-down list's height includes its list, which opens over the controls below.
            if (solid[i]->kind == K::ComboBox) a.setHeight(14);
            if (solid[j]->kind == K::ComboBox) b.setHeight(14);
            EXPECT_FALSE(a.intersects(b)) << solid[i]->id << " '" << solid[i]->caption << "' and "
                                          << solid[j]->id << " '" << solid[j]->caption << "'";
        }
    }
}

TEST(MainWindowTemplate, TheAboutBoxAndTheListMenuHoldTheirTexts) {
    const DialogTemplate about = AboutTemplate();
    EXPECT_EQ(about.id, IDD_ABOUTBOX);
    EXPECT_EQ(about.title, "About...");
    for (const char* text : {"Quorvel", "Quorvel - Cross Project Merge Analysis", "Version 1.07"})
        EXPECT_NE(FindControl(about, IDC_STATIC, K::Static, text), nullptr) << text;
    EXPECT_NE(FindControl(about, IDC_STATIC, K::Icon, ""), nullptr);
    ASSERT_NE(about.Find(IDOK), nullptr);
    EXPECT_TRUE(about.Find(IDOK)->style & kDefaultButton);

    const std::vector<MenuEntry> menu = ResultListMenu();
    const std::vector<std::pair<int, std::string>> expected = {
        {32771, "Run CPM on this item..."},     {2520, "Open in Crystaledit..."},
        {2530, "Open in HexViewer..."},         {2540, "Open in Default Assoc..."},
        {2510, "WinDiff vs Latest Version..."},
    };
    ASSERT_EQ(menu.size(), expected.size());
    for (size_t i = 0; i < menu.size(); ++i) {
        EXPECT_EQ(menu[i].command, expected[i].first);
        EXPECT_EQ(menu[i].text, expected[i].second);
    }
}

// Every caption is readable in full in the rendered window: the font and the dialog units
// agree with the layout.
TEST(MainWindowTemplate, RenderedCaptionsFitTheirControls) {
    for (const DialogTemplate& t : {MainWindowTemplate(), AboutTemplate()}) {
        QtHost host;
        Dialog dialog(host, t);
        host.ShowModeless(dialog);
        DialogWindow* w = host.WindowOf(dialog);
        ASSERT_NE(w, nullptr);
        for (size_t i = 0; i < t.controls.size(); ++i) {
            const ControlTemplate& c = t.controls[i];
            QWidget* widget = w->WidgetAt(i);
            const QFontMetrics fm(widget->font());
            int needed = 0;
            if (auto* l = qobject_cast<QLabel*>(widget); l && !l->text().isEmpty())
                needed = fm.horizontalAdvance(l->text());
            else if (auto* b = qobject_cast<QCheckBox*>(widget))
                needed = b->sizeHint().width();
            else if (auto* b = qobject_cast<QAbstractButton*>(widget))
                needed = fm.horizontalAdvance(b->text()) + 6;
            else if (auto* g = qobject_cast<QGroupBox*>(widget))
                needed = fm.horizontalAdvance(g->title()) + 20;
            EXPECT_LE(needed, widget->width()) << t.id << " '" << c.caption << "'";
        }
        host.DestroyModeless(dialog);
    }
}

}  // namespace
}  // namespace qv

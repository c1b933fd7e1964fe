// The main window's and the About box's layouts, as data and as rendered by the Qt host.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRect>
#include <QSize>
#include <algorithm>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "ui/Dialog.h"
#include "ui/FindTopDlg.h"
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

TEST(MainWindowTemplate, EveryControlAppearsOnceWithItsKind) {
    const DialogTemplate t = MainWindowTemplate();
    EXPECT_EQ(t.id, IDD_QUORVEL_DIALOG);
    EXPECT_EQ(QSize(t.width, t.height), QSize(635, 466));
    const std::pair<K, std::vector<int>> byKind[] = {
        {K::Edit,
         {IDC_BROKER, IDC_USERID, IDC_PASSWORD, IDC_SRC_PROJECT, IDC_SRC_STATE, IDC_TGT_PROJECT,
          IDC_TGT_STATE, IDC_TGT_PACKAGE, IDC_ROW_COUNT, IDC_PROCESSED_COUNT}},
        {K::Button,
         {IDC_REG_SETTINGS, IDC_SET_CONTEXT, IDC_FIND, IDC_EXPORT_LIST, IDC_LIST_CONFLICTS,
          IDC_CLEAR_LIST, IDC_SAVE_LIST, IDC_LOAD_SAVED_LIST, IDC_RUN_CPM, IDC_EXIT}},
        {K::ComboBox, {IDC_MERGE_OPTIONS, IDC_PLACEMENT_OPTIONS}},
        {K::CheckBox, {IDC_REMEMBER_SETTINGS, IDC_SELECT_ALL}},
        {K::List, {IDC_RESULT_LIST}},
        {K::Static, {IDC_STATUS}},
    };
    for (const auto& [kind, ids] : byKind) {
        for (int id : ids) {
            const auto n = std::count_if(t.controls.begin(), t.controls.end(),
                                         [id](const ControlTemplate& c) { return c.id == id; });
            EXPECT_EQ(n, 1) << id;
            ASSERT_NE(t.Find(id), nullptr) << id;
            EXPECT_EQ(t.Find(id)->kind, kind) << id;
        }
    }
    const std::pair<int, unsigned> styles[] = {
        {IDC_PASSWORD, kPassword},        {IDC_SRC_PROJECT, kReadOnly},
        {IDC_SRC_STATE, kReadOnly},       {IDC_ROW_COUNT, kReadOnly},
        {IDC_PROCESSED_COUNT, kReadOnly}, {IDC_REMEMBER_SETTINGS, kHidden | kDisabled},
        {IDC_SELECT_ALL, kManualCheck},   {IDC_STATUS, kSunken},
    };
    for (const auto& [id, style] : styles) EXPECT_EQ(t.Find(id)->style & style, style) << id;
    for (K kind : {K::Group, K::Frame})
        EXPECT_EQ(std::count_if(t.controls.begin(), t.controls.end(),
                                [kind](const ControlTemplate& c) { return c.kind == kind; }),
                  1);
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
    for (const DialogTemplate& t : {MainWindowTemplate(), AboutTemplate(), FindTopTemplate()}) {
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

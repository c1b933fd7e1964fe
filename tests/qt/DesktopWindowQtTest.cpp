// The windows as a desktop user handles them: resized, kept between sessions, driven by keys.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <map>
#include <vector>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "ui/ContextSetDlg.h"
#include "ui/FindTopDlg.h"
#include "ui/MainWindow.h"
#include "ui/ReportCtrlColors.h"

namespace qv {
namespace {

// The main window with every command it is given noted instead of carried out.
class NotingWindow : public CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    void OnCommand(int id) override { commands.push_back(id); }
    void OnContextMenu(int controlId, int x, int y) override {
        menus.push_back({controlId, QPoint(x, y)});
    }
    std::vector<int> commands;
    std::vector<std::pair<int, QPoint>> menus;
};

struct Shown {
    QtHost host;
    std::map<std::string, std::string> kept;
    NotingWindow window{host};
    DialogWindow* view = nullptr;

    Shown() {
        host.SetPlacementStore([this](const std::string& k) { return kept[k]; },
                               [this](const std::string& k, const std::string& t) { kept[k] = t; });
    }
    void Show() {
        host.ShowModeless(window);
        view = host.WindowOf(window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
        QApplication::processEvents();
    }
    ~Shown() {
        if (view) host.DestroyModeless(window);
    }
    QRect At(int id) const { return view->Control(id)->geometry(); }
    // Lets the queued input reach the model.
    void Deliver() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    // Fills the result list with `rows` items named from `firstName` on; its view.
    QTreeView* FillList(int rows, int firstName) {
        for (int i = 0; i < rows; ++i) {
            CFObj r;
            r.itemName = "f" + std::to_string(firstName + i) + ".c";
            r.itemObjId = "id" + std::to_string(i);
            window.SourceItems().SetAt(r.itemObjId, r);
        }
        window.PostTopList();
        Deliver();
        return qobject_cast<QTreeView*>(view->Control(IDC_RESULT_LIST));
    }
};

TEST(DesktopWindowQt, ControlsFollowTheEdgesByTheirAnchors) {
    Shown s;
    s.Show();
    const QSize base = s.view->templateSize();
    EXPECT_EQ(s.view->minimumSize(), base);
    EXPECT_EQ(s.view->size(), base);
    struct Row {
        int id;
        int moveX, moveY, growX, growY;  // 1 where the control follows the window's change
    };
    const Row rows[] = {
        {IDC_RESULT_LIST, 0, 0, 1, 1},
        {IDC_RUN_CPM, 0, 1, 0, 0},
        {IDC_SELECT_ALL, 0, 1, 0, 0},
        {IDC_ROW_COUNT, 0, 1, 0, 0},
        {IDC_PROCESSED_COUNT, 1, 1, 0, 0},
        {IDC_EXIT, 1, 1, 0, 0},
        {IDC_STATUS, 0, 1, 1, 0},
        {IDC_MERGE_OPTIONS, 1, 0, 0, 0},
        {IDC_PLACEMENT_OPTIONS, 1, 0, 0, 0},
        {IDC_REG_SETTINGS, 1, 0, 0, 0},
        {IDC_FIND, 0, 0, 0, 0},
        {IDC_BROKER, 0, 0, 0, 0},
        {IDC_TGT_PACKAGE, 0, 0, 0, 0},
    };
    std::map<int, QRect> atBase;
    for (const Row& r : rows) atBase[r.id] = s.At(r.id);
    for (const QSize grow : {QSize(300, 200), QSize(41, 613)}) {
        s.view->resize(base + grow);
        QApplication::processEvents();
        for (const Row& r : rows) {
            SCOPED_TRACE(r.id);
            const QRect b = atBase[r.id];
            const QRect want(b.x() + r.moveX * grow.width(), b.y() + r.moveY * grow.height(),
                             b.width() + r.growX * grow.width(),
                             b.height() + r.growY * grow.height());
            EXPECT_EQ(s.At(r.id), want);
        }
    }
    // Back at the smallest size, everything is where the template puts it.
    s.view->resize(base);
    QApplication::processEvents();
    for (const Row& r : rows) EXPECT_EQ(s.At(r.id), atBase[r.id]) << r.id;
}

TEST(DesktopWindowQt, TheContextDialogsListGrowsAndFindStaysFixed) {
    QtHost host;
    CFindTopDlg find(host, "x");
    host.ShowModeless(find);
    EXPECT_EQ(host.WindowOf(find)->minimumSize(), host.WindowOf(find)->maximumSize());
    host.DestroyModeless(find);

    Dialog context(host, CContextSetDlg::MakeTemplate());
    host.ShowModeless(context);
    DialogWindow* view = host.WindowOf(context);
    auto at = [view](int id) { return view->Control(id)->geometry(); };
    const QRect list = at(IDC_CTX_PACKAGE_LIST), ok = at(IDOK), target = at(IDC_CTX_TGT_PROJECT),
                source = at(IDC_CTX_SRC_PROJECT);
    view->resize(view->templateSize() + QSize(100, 80));
    QApplication::processEvents();
    EXPECT_EQ(at(IDC_CTX_PACKAGE_LIST), list.adjusted(0, 0, 100, 80));
    EXPECT_EQ(at(IDOK), ok.translated(100, 80));
    EXPECT_EQ(at(IDC_CTX_TGT_PROJECT), target.translated(0, 80));
    EXPECT_EQ(at(IDC_CTX_SRC_PROJECT), source);
    host.DestroyModeless(context);
}

// (The desktop program's tests restore a kept size on a screen large enough for it.)
TEST(DesktopWindowQt, TheSizeAndPositionLeftAreKeptAndPutBackOnAScreen) {
    const std::string key = "Dialog" + std::to_string(IDD_QUORVEL_DIALOG);
    {
        Shown s;
        s.Show();
        const QSize left = s.view->templateSize() + QSize(123, 45);
        s.view->resize(left);
        QApplication::processEvents();
        s.window.EndDialog(IDCANCEL);
        const QPoint at = s.view->pos();
        EXPECT_EQ(s.kept[key], std::to_string(at.x()) + " " + std::to_string(at.y()) + " " +
                                   std::to_string(left.width()) + " " +
                                   std::to_string(left.height()) + " 0");
    }
    // A window kept far off every screen, or smaller than its template, comes back on the
    // primary screen at its smallest size at least.
    for (const char* kept : {"-9000 -9000 10 10 0", "5000 40 900 700 0"}) {
        SCOPED_TRACE(kept);
        Shown s;
        s.kept[key] = kept;
        s.Show();
        EXPECT_EQ(s.view->size(), s.view->templateSize());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // At the top left (the offscreen platform adds its own frame's height).
        EXPECT_EQ(s.view->pos().x(), screen.left());
        EXPECT_TRUE(screen.contains(s.view->pos()));
        EXPECT_LT(s.view->pos().y() - screen.top(), 40);
    }
}

TEST(DesktopWindowQt, KeysGiveTheirCommands) {
    Shown s;
    s.Show();
    QWidget* list = s.view->Control(IDC_RESULT_LIST);
    QWidget* password = s.view->Control(IDC_PASSWORD);
    struct Row {
        QWidget* target;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int command;
    };
    const Row rows[] = {
        {list, Qt::Key_F, Qt::ControlModifier, IDC_FIND},
        {list, Qt::Key_F3, Qt::NoModifier, ID_FIND_NEXT},
        {list, Qt::Key_S, Qt::ControlModifier, IDC_SAVE_LIST},
        {list, Qt::Key_E, Qt::ControlModifier, IDC_EXPORT_LIST},
        {password, Qt::Key_E, Qt::ControlModifier, IDC_EXPORT_LIST},  // not the edit box's
        {list, Qt::Key_F5, Qt::NoModifier, ID_START_ANALYSIS},
        {password, Qt::Key_Return, Qt::NoModifier, IDC_SET_CONTEXT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.command);
        s.window.commands.clear();
        r.target->setFocus();
        s.Deliver();
        QTest::keyClick(r.target, r.key, r.mods);
        s.Deliver();
        EXPECT_EQ(s.window.commands, std::vector<int>{r.command});
    }
    // A disabled button's key does nothing.
    s.window.EnableControl(IDC_SAVE_LIST, false);
    s.window.commands.clear();
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    s.Deliver();
    EXPECT_TRUE(s.window.commands.empty());
}

TEST(DesktopWindowQt, TheRowMenuOpensFromTheKeyboardAtTheFocusedRow) {
    Shown s;
    s.Show();
    QTreeView* tree = s.FillList(40, 100);
    ASSERT_NE(tree, nullptr);
    // The sorted column shows it on the header.
    EXPECT_TRUE(tree->header()->isSortIndicatorShown());
    EXPECT_EQ(tree->header()->sortIndicatorSection(), s.window.ResultList().SortColumn());

    s.window.ResultList().SetRowFocused(30);
    tree->setFocus();
    s.Deliver();
    for (const auto& [key, mods] :
         {std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)},
          std::pair{Qt::Key_Menu, Qt::KeyboardModifiers()}}) {
        s.window.menus.clear();
        QTest::keyClick(tree, key, mods);
        s.Deliver();
        ASSERT_EQ(s.window.menus.size(), 1u);
        EXPECT_EQ(s.window.menus[0].first, IDC_RESULT_LIST);
        const QRect row = tree->visualRect(tree->model()->index(30, 0));
        const QPoint local = tree->viewport()->mapFromGlobal(s.window.menus[0].second);
        EXPECT_EQ(local.y(), row.bottom());
        EXPECT_TRUE(tree->viewport()->rect().contains(local));
    }
}

// Under a dark palette the bands are the palette's and every meaning colour reads on them; a
// range asked for shows its first row even when it lies above the shown rows.
TEST(DesktopWindowQt, TheListFollowsADarkPaletteAndShowsARangeFromItsFirstRow) {
    Shown s;
    s.Show();
    QTreeView* tree = s.FillList(200, 1000);
    ASSERT_NE(tree, nullptr);
    CReportCtrl& list = s.window.ResultList();
    const ColorRef colours[] = {ColorResult, ColorIgnored, ColorMergeTagged, ColorProblem};
    for (int i = 0; i < 4; ++i) list.SetCellTextColor(i, kColMergeStatus, colours[i]);

    QPalette dark = tree->palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(48, 48, 52));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    tree->setPalette(dark);
    auto cell = [&](int row, int role) {
        return tree->model()->index(row, kColMergeStatus).data(role).value<QColor>();
    };
    EXPECT_EQ(cell(0, Qt::BackgroundRole), QColor(30, 30, 32));
    EXPECT_EQ(cell(1, Qt::BackgroundRole), QColor(48, 48, 52));
    auto ref = [](const QColor& c) {
        return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
               (static_cast<ColorRef>(c.blue()) << 16);
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_GE(ContrastRatio(ref(cell(i, Qt::ForegroundRole)), ref(QColor(48, 48, 52))),
                  kReadableContrast)
            << i;

    tree->scrollToBottom();
    QApplication::processEvents();
    list.EnsureRowRangeVisible(5, 8);
    s.Deliver();
    const QRect shown = tree->viewport()->rect();
    EXPECT_TRUE(shown.contains(tree->visualRect(tree->model()->index(5, 0)).topLeft()));
    EXPECT_TRUE(shown.contains(tree->visualRect(tree->model()->index(8, 0)).bottomLeft()));
}

}  // namespace
}  // namespace qv

// qv-screenshots: pictures of the desktop program's windows for the documentation.
//
//   qv-screenshots OUTPUT_DIR [--demo | --scaled NAME]
//
// Runs the main window with made-up records and saves, one after the other: the filled list,
// its context menu, the wait dialog over the window, the Registry Settings dialog and the About
// box, then the Find dialog over the list, the export's file dialog and the wait dialog of the
// compare. With --demo it goes on through "Set CPM Context..." against the broker "demo" (user
// and password "demo"): the context dialog with the packages of Payroll/DEV listed and the main
// window after loading them; then it analyses the items of PAY0001 into EU0001 of PayrollEU and
// saves the finished analysis, the list narrowed to the conflicts, a run cancelled at its first
// row, the analysis under a dark palette, and the context dialog's message for a state without
// packages. Every tour ends with the window maximised over a full list. With --scaled it only
// takes the whole screen with the first window on it (run with QT_SCALE_FACTOR set). The menu
// and the dialogs over the window are separate windows, so those pictures are taken from the
// screen; run it on an X server of its own with a window manager (scripts/screenshots uses
// xvfb-run and openbox, and makes the demo repository).
#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "app/Paths.h"
#include "desktop/DemoRecords.h"
#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "ui/ContextSetDlg.h"
#include "ui/FindTopDlg.h"
#include "ui/MainWindow.h"
#include "ui/WaitDlg.h"

namespace {

std::string g_outDir;
int g_failures = 0;
bool g_demo = false;
std::string g_scaledName;  // --scaled: the one picture to take

void After(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, qApp, std::move(step));
}

void Save(const QPixmap& picture, const char* name) {
    const std::string path = g_outDir + "/" + name;
    if (picture.isNull() || !picture.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "qv-screenshots: cannot write %s\n", path.c_str());
        ++g_failures;
        return;
    }
    std::printf("%s\n", path.c_str());
}

// A part of the screen, as the user sees it (other windows included).
QPixmap GrabScreen(const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

// The area a window covers on the screen with its frame. The window manager's frame extents
// arrive late, and meanwhile Qt may report the frame's size at the inside's position; the
// frame's sides are taken to be as wide as its bottom, and the rest of its height is the title.
QRect FrameArea(const QWidget* w) {
    const QRect inside = w->geometry(), frame = w->frameGeometry();
    const int side = (frame.width() - inside.width()) / 2;
    const int title = frame.height() - inside.height() - side;
    return QRect(inside.left() - side, inside.top() - title, frame.width(), frame.height());
}

class Tour {
public:
    Tour(qv::QtHost& host, qv::CQuorvelDlg& window) : host_(host), window_(window) {}

    // Runs inside the main window's modal loop, once it is shown.
    void Prepare() {
        window_.SetDlgItemText(qv::IDC_BROKER, "demo");
        window_.SetDlgItemText(qv::IDC_USERID, "akarsten");
        window_.SetDlgItemText(qv::IDC_PASSWORD, "secret");
        window_.SetDlgItemText(qv::IDC_SRC_PROJECT, "Payroll");
        window_.SetDlgItemText(qv::IDC_SRC_STATE, "Development");
        window_.SetDlgItemText(qv::IDC_TGT_PROJECT, "Payroll");
        window_.SetDlgItemText(qv::IDC_TGT_STATE, "Release");
        window_.SetDlgItemText(qv::IDC_TGT_PACKAGE, "PAY-2000 Release merge");
        qvdemo::FillDemoRecords(window_.SourceItems(), 60);
        window_.PostTopList();
        window_.ResultList().SetRowChecked(4, false);
        window_.ResultList().SetRowChecked(9, false);
        window_.ResultList().SetRowSelected(2);
        window_.ResultList().SetRowFocused(2);
        if (!g_scaledName.empty()) {
            After(1200, [this] {
                Save(GrabScreen(QGuiApplication::primaryScreen()->geometry()),
                     g_scaledName.c_str());
                window_.EndDialog(qv::IDCANCEL);
            });
            return;
        }
        After(800, [this] { MainWindow(); });
    }

private:
    qv::DialogWindow* View() const { return host_.WindowOf(window_); }

    void MainWindow() {
        Save(View()->grab(), "main-window.png");
        After(100, [this] { host_.Post([this] { ContextMenu(); }); });
    }

    void ContextMenu() {
        auto* list = qobject_cast<QAbstractItemView*>(View()->Control(qv::IDC_RESULT_LIST));
        const int row = 6;
        const QRect cell = list->visualRect(list->model()->index(row, qv::kColMergeStatus));
        const QPoint at = list->viewport()->mapToGlobal(cell.center());
        window_.ResultList().UserRightPress(row);
        After(600, [this] {
            QWidget* menu = QApplication::activePopupWidget();
            QRect area = FrameArea(View());
            if (menu) area = area.united(FrameArea(menu));
            Save(GrabScreen(area), "context-menu.png");
            if (menu) menu->close();
            After(200, [this] { host_.Post([this] { KeyboardMenu(); }); });
        });
        window_.UserContextMenu(qv::IDC_RESULT_LIST, at.x(), at.y());
    }

    // The row menu opened with Shift+F10 on the focused row.
    void KeyboardMenu() {
        QWidget* list = View()->Control(qv::IDC_RESULT_LIST);
        window_.ResultList().SetRowSelected(11);
        window_.ResultList().SetRowFocused(11);
        list->setFocus();
        After(600, [this] {
            QWidget* menu = QApplication::activePopupWidget();
            QRect area = FrameArea(View());
            if (menu) area = area.united(FrameArea(menu));
            if (!menu) {
                std::fprintf(stderr, "qv-screenshots: no menu from the keyboard\n");
                ++g_failures;
            }
            Save(GrabScreen(area), "row-menu-keyboard.png");
            if (menu) menu->close();
            After(200, [this] { host_.Post([this] { WaitDialog(); }); });
        });
        After(200, [list] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
            QApplication::sendEvent(list, &press);
        });
    }

    void WaitDialog() {
        {
            int proceed = 1;
            qv::CWaitDlg wait(host_, proceed, 4, window_);
            wait.SetStatusText("PAY-1057 Rates 2024");
            wait.ReportProgress(2);
            QEventLoop settle;
            QTimer::singleShot(600, &settle, &QEventLoop::quit);
            settle.exec(QEventLoop::ExcludeUserInputEvents);
            Save(GrabScreen(FrameArea(View())), "wait-dialog.png");
            wait.Close();
        }
        After(200, [this] {
            host_.Post([this] {
                GrabNextModal("registry-settings.png");
                window_.UserClick(qv::IDC_REG_SETTINGS);
                After(200, [this] {
                    host_.Post([this] {
                        GrabNextModal("about.png");
                        window_.UserSysCommand(qv::IDM_ABOUTBOX);
                        After(200, [this] { host_.Post([this] { FindDialog(); }); });
                    });
                });
            });
        });
    }

    // The Find dialog with a text typed, over the filled list.
    void FindDialog() {
        After(600, [this] {
            auto* modal = qobject_cast<qv::DialogWindow*>(QApplication::activeModalWidget());
            if (!modal || modal == View() || !modal->dialog()) {
                std::fprintf(stderr, "qv-screenshots: no Find dialog\n");
                ++g_failures;
                return;
            }
            modal->dialog()->UserSetText(qv::IDC_FIND_TEXT, "payslip");
            After(300, [this, modal] {
                Save(GrabScreen(FrameArea(View()).united(FrameArea(modal))), "find-dialog.png");
                modal->dialog()->EndDialog(qv::IDCANCEL);
                After(200, [this] { host_.Post([this] { ExportDialog(); }); });
            });
        });
        window_.UserClick(qv::IDC_FIND);
    }

    // The file dialog of "Export List...".
    void ExportDialog() {
        After(900, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == View()) {
                std::fprintf(stderr, "qv-screenshots: no export file dialog\n");
                ++g_failures;
                return;
            }
            Save(GrabScreen(FrameArea(modal)), "export-file-dialog.png");
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            After(200, [this] { host_.Post([this] { CompareWaitDialog(); }); });
        });
        window_.UserClick(qv::IDC_EXPORT_LIST);
    }

    // The wait dialog as "WinDiff vs Latest Version..." shows it while it checks out the
    // latest target version.
    void CompareWaitDialog() {
        {
            int proceed = 1;
            qv::CWaitDlg wait(host_, proceed, 100, window_);
            wait.ReportProgress(33);
            wait.SetStatusText("Comparing to Latest Version in\nPayroll->Release");
            wait.ReportProgress(66);
            QEventLoop settle;
            QTimer::singleShot(600, &settle, &QEventLoop::quit);
            settle.exec(QEventLoop::ExcludeUserInputEvents);
            Save(GrabScreen(FrameArea(View())), "compare-wait-dialog.png");
            wait.Close();
        }
        After(200, [this] {
            if (g_demo)
                host_.Post([this] { ContextDialog(); });
            else
                host_.Post([this] { Maximised(); });
        });
    }

    // "Set CPM Context..." on the demo repository: the dialog after a search of Payroll/DEV, then
    // the window with the loaded items.
    void ContextDialog() {
        window_.SetDlgItemText(qv::IDC_BROKER, "demo");
        window_.SetDlgItemText(qv::IDC_USERID, "demo");
        window_.SetDlgItemText(qv::IDC_PASSWORD, "demo");
        window_.SetDlgItemText(qv::IDC_TGT_PROJECT, "PayrollEU");
        window_.SetDlgItemText(qv::IDC_TGT_STATE, "DEV");
        window_.SetDlgItemText(qv::IDC_TGT_PACKAGE, "EU0001");
        After(600, [this] {
            host_.Post([this] {
                qv::DialogWindow* modal = OpenContextDialog();
                if (!modal) return;
                auto& d = static_cast<qv::CContextSetDlg&>(*modal->dialog());
                d.UserSetText(qv::IDC_CTX_SRC_PROJECT, "Payroll");
                d.UserSetText(qv::IDC_CTX_SRC_STATE, "DEV");
                d.UserClick(qv::IDC_CTX_SEARCH);
                After(600, [this, modal] {
                    Save(modal->grab(), "context-dialog.png");
                    host_.Post([modal] {
                        if (modal->dialog()) modal->dialog()->UserClick(qv::IDOK);
                    });
                });
            });
        });
        window_.UserClick(qv::IDC_SET_CONTEXT);
        After(800, [this] {
            Save(View()->grab(), "main-window-loaded.png");
            host_.Post([this] { Analysis(); });
        });
    }

    // The demo analysis of the loaded packages: every row classified with "Trunk Only" (which
    // shows every outcome colour), then "List Conflicts".
    void Analysis() {
        window_.ComboSelectString(qv::IDC_PLACEMENT_OPTIONS, -1, qv::kTrunkOnly);
        window_.OnBtnRunCPM();
        After(800, [this] {
            Save(View()->grab(), "analysis.png");
            ReasonTip();
        });
    }

    // The reason of an outcome as the tooltip of its "Merge Status" cell, where the pointer
    // rests on the first row with an unmerged version.
    void ReasonTip() {
        auto* list = qobject_cast<QAbstractItemView*>(View()->Control(qv::IDC_RESULT_LIST));
        const qv::CReportCtrl& rows = window_.ResultList();
        int row = -1;
        for (int r = 0; r < rows.RowCount() && row < 0; ++r)
            if (rows.CellText(r, qv::kColMergeStatus).find("(U)") != std::string::npos &&
                !rows.CellToolTip(r, qv::kColMergeStatus).empty())
                row = r;
        if (!list || row < 0) {
            std::fprintf(stderr, "qv-screenshots: no row with a reason\n");
            ++g_failures;
            AfterAnalysis();
            return;
        }
        const QModelIndex cell = list->model()->index(row, qv::kColMergeStatus);
        list->scrollTo(cell);
        const QRect area = list->visualRect(cell);
        const QPoint at = list->viewport()->mapToGlobal(area.center());
        QCursor::setPos(at);
        QToolTip::showText(at, list->model()->data(cell, Qt::ToolTipRole).toString(),
                           list->viewport(), area);
        After(700, [this] {
            QRect shot = FrameArea(View());
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->inherits("QTipLabel"))
                    shot = shot.united(w->frameGeometry());
            Save(GrabScreen(shot), "analysis-reason-tooltip.png");
            QToolTip::hideText();
            AfterAnalysis();
        });
    }

    void AfterAnalysis() {
        After(300, [this] {
            const QPalette light = QApplication::palette();
            QApplication::setPalette(DarkPalette());
            After(600, [this, light] {
                Save(View()->grab(), "analysis-dark.png");
                QApplication::setPalette(light);
                After(300, [this] { host_.Post([this] { Conflicts(); }); });
            });
        });
    }

    static QPalette DarkPalette() {
        QPalette p;
        const QColor window(45, 45, 48), base(30, 30, 32), alternate(48, 48, 52);
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::WindowText, QColor(230, 230, 230));
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::AlternateBase, alternate);
        p.setColor(QPalette::Text, QColor(230, 230, 230));
        p.setColor(QPalette::Button, window);
        p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        p.setColor(QPalette::Highlight, QColor(38, 110, 190));
        p.setColor(QPalette::HighlightedText, Qt::white);
        p.setColor(QPalette::Mid, QColor(90, 90, 95));
        p.setColor(QPalette::Light, QColor(80, 80, 85));
        p.setColor(QPalette::Dark, QColor(20, 20, 22));
        p.setColor(QPalette::ToolTipBase, window);
        p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
        p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
        p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
        return p;
    }

    void Conflicts() {
        window_.UserClick(qv::IDC_LIST_CONFLICTS);
        After(800, [this] {
            Save(View()->grab(), "list-conflicts.png");
            host_.Post([this] { CancelledRun(); });
        });
    }

    // The window maximised over a list of thousands of rows, the whole screen as the user sees
    // it; then the tour ends.
    void Maximised() {
        window_.ClearList();
        qvdemo::FillDemoRecords(window_.SourceItems(), 3000);
        window_.PostTopList();
        View()->showMaximized();
        After(1500, [this] {
            Save(GrabScreen(QGuiApplication::primaryScreen()->geometry()),
                 "main-window-maximised.png");
            window_.EndDialog(qv::IDCANCEL);
        });
    }

    // All rows again, and a run cancelled at its first row: the rows below it show no outcome,
    // and the status line says where the run stopped.
    void CancelledRun() {
        window_.UserClick(qv::IDC_LIST_CONFLICTS);                   // "List All"
        host_.Post([this] { window_.UserClick(qv::IDC_RUN_CPM); });  // reaches the run as Cancel
        window_.OnBtnRunCPM();
        After(800, [this] {
            Save(View()->grab(), "analysis-cancelled.png");
            host_.Post([this] { EmptyState(); });
        });
    }

    // The context dialog's search of a state without packages, with the message it gives.
    void EmptyState() {
        After(600, [this] {
            host_.Post([this] {
                qv::DialogWindow* modal = OpenContextDialog();
                if (!modal) return;
                After(600, [this, modal] {
                    QWidget* box = QApplication::activeModalWidget();
                    if (!box || box == modal) {
                        std::fprintf(stderr, "qv-screenshots: no message for the empty state\n");
                        ++g_failures;
                    } else {
                        Save(GrabScreen(FrameArea(modal).united(FrameArea(box))),
                             "context-dialog-no-packages.png");
                        box->close();
                    }
                    After(300, [this, modal] {
                        if (modal->dialog()) modal->dialog()->EndDialog(qv::IDCANCEL);
                        After(300, [this] { host_.Post([this] { Maximised(); }); });
                    });
                });
                auto& d = static_cast<qv::CContextSetDlg&>(*modal->dialog());
                d.UserSetText(qv::IDC_CTX_SRC_PROJECT, "Payroll");
                d.UserSetText(qv::IDC_CTX_SRC_STATE, "ARCHIVE");
                d.UserClick(qv::IDC_CTX_SEARCH);
            });
        });
        window_.UserClick(qv::IDC_SET_CONTEXT);
    }

    // The context dialog that "Set CPM Context..." opened; without one the tour ends here.
    qv::DialogWindow* OpenContextDialog() {
        auto* modal = qobject_cast<qv::DialogWindow*>(QApplication::activeModalWidget());
        if (modal && modal != View() && modal->dialog()) return modal;
        std::fprintf(stderr, "qv-screenshots: no context dialog\n");
        ++g_failures;
        window_.EndDialog(qv::IDCANCEL);
        return nullptr;
    }

    // Saves the next modal dialog once it is drawn, then cancels it.
    void GrabNextModal(const char* name) {
        After(600, [this, name] {
            auto* modal = qobject_cast<qv::DialogWindow*>(QApplication::activeModalWidget());
            if (!modal || modal == View() || !modal->dialog()) {
                std::fprintf(stderr, "qv-screenshots: no dialog for %s\n", name);
                ++g_failures;
                return;
            }
            Save(modal->grab(), name);
            modal->dialog()->EndDialog(qv::IDCANCEL);
        });
    }

    qv::QtHost& host_;
    qv::CQuorvelDlg& window_;
};

}  // namespace

int main(int argc, char** argv) {
    g_demo = argc == 3 && std::string(argv[2]) == "--demo";
    if (argc == 4 && std::string(argv[2]) == "--scaled") g_scaledName = argv[3];
    if (argc != 2 && !g_demo && g_scaledName.empty()) {
        std::fprintf(stderr, "usage: qv-screenshots OUTPUT_DIR [--demo | --scaled NAME]\n");
        return 2;
    }
    g_outDir = argv[1];
    // The query files and the target data file go to the install directory of the data home
    // (a throw-away one under scripts/screenshots), never to the current directory.
    qv::AppValues values;
    values.installDir = qv::DefaultInstallDir();
    values.provisionalInstallDir = values.installDir;
    values.browseDir = values.installDir + "/Temp";
    values.compareDir = values.installDir + "/Temp1";
    qv::SetAppValues(values);
    std::error_code ignored;
    std::filesystem::create_directories(values.installDir, ignored);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(qv::QtHost::AppIcon());

    qv::QtHost host;
    qv::CQuorvelDlg window(host);
    Tour tour(host, window);
    host.Post([&tour] { tour.Prepare(); });
    // Never left hanging.
    QTimer::singleShot(120000, qApp, [&host] {
        std::fprintf(stderr, "qv-screenshots: timed out\n");
        ++g_failures;
        host.RequestQuit();
    });
    host.RunModal(window);
    return g_failures == 0 ? 0 : 1;
}

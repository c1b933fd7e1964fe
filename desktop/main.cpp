// The desktop program. For now it shows the main window's layout; "Exit" and the close box end
// it, the window menu offers the About box.
//
// QUORVEL_SCREENSHOT=<path>: saves a picture of the first window shown to that PNG file and ends.
#include <QApplication>
#include <cstdlib>

#include "host/qt/QtHost.h"
#include "ui/Dialog.h"
#include "ui/MainWindowIds.h"
#include "ui/MainWindowTemplate.h"

namespace {

class LayoutPreview : public qv::Dialog {
public:
    explicit LayoutPreview(qv::Host& host) : Dialog(host, qv::MainWindowTemplate()) {}

    bool OnInitDialog() override {
        AppendSystemMenu(0, "");
        AppendSystemMenu(qv::IDM_ABOUTBOX, qv::kAboutMenuText);
        SetTitle("Quorvel 1.07 - Quorvel");
        for (const char* option : {"Merge Conservatively", "Merge Aggressively",
                                   "Take Trunk Version", "Take Branch Version"})
            ComboAddString(qv::IDC_MERGE_OPTIONS, option);
        ComboSetCurSel(qv::IDC_MERGE_OPTIONS, 0);
        for (const char* option : {"Branch Only", "Trunk Only", "Trunk or Branch"})
            ComboAddString(qv::IDC_PLACEMENT_OPTIONS, option);
        ComboSetCurSel(qv::IDC_PLACEMENT_OPTIONS, 0);
        SetDlgItemText(qv::IDC_ROW_COUNT, "0");
        SetDlgItemText(qv::IDC_STATUS,
                       " Enter Broker and credentials then click Set Context button to begin.");
        return true;
    }
    void OnOK() override {}
    void OnCommand(int id) override {
        if (id == qv::IDC_EXIT) id = qv::IDCANCEL;
        Dialog::OnCommand(id);
    }
    void OnSysCommand(int command) override {
        if (command == qv::IDM_ABOUTBOX) {
            qv::Dialog about(host(), qv::AboutTemplate());
            host().RunModal(about);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(qv::QtHost::AppIcon());

    qv::QtHost host;
    if (const char* shot = std::getenv("QUORVEL_SCREENSHOT"); shot && *shot)
        host.SetScreenshotOnShow(shot);

    LayoutPreview window(host);
    host.RunModal(window);
    return 0;
}

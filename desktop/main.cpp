// The desktop program: start-up, then the main window, modally, on the Qt host.
//
// The command line is not handed to Qt (see main). For documentation and tests:
//   QUORVEL_SCREENSHOT=<path>  saves a picture of the main window to that PNG file and ends.
//   QUORVEL_DEMO_FILL=<n>      after start-up fills the result list with n made-up records.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/App.h"
#include "app/WindowSettings.h"
#include "app/PasswordStore.h"
#include "desktop/DemoRecords.h"
#include "host/qt/QtHost.h"
#ifdef QV_WITH_KEYCHAIN
#include "host/qt/KeychainStore.h"
#endif
#include "ui/MainWindow.h"

namespace {

int DemoRecordCount() {
    const char* text = std::getenv("QUORVEL_DEMO_FILL");
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end != '\0' || n <= 0) return 0;
    return n > 1000000 ? 1000000 : static_cast<int>(n);
}

// The main window, filled with made-up records at the end of its start-up when asked to.
class DesktopWindow : public qv::CQuorvelDlg {
public:
    DesktopWindow(qv::Host& host, int demoRecords) : CQuorvelDlg(host), demoRecords_(demoRecords) {}
    bool OnInitDialog() override {
        const bool result = CQuorvelDlg::OnInitDialog();
        if (demoRecords_ > 0) {
            qvdemo::FillDemoRecords(SourceItems(), demoRecords_);
            PostTopList();
        }
        return result;
    }

private:
    int demoRecords_;
};

}  // namespace

int main(int argc, char** argv) {
    // "--help" and "--version" answer on standard output without a window (nor a display).
    if (const std::string answer = qv::CommandLineAnswer(argc, argv); !answer.empty()) {
        std::fputs(answer.c_str(), stdout);
        return 0;
    }
    // Qt sees only the program name: the command line is the program's own (examined at
    // start-up), and Qt would otherwise take options such as -platform or -reverse from it. Qt's
    // environment variables (QT_QPA_PLATFORM and the like) still apply.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(qv::QtHost::AppIcon());
#ifdef QV_WITH_KEYCHAIN
    // Where the session runs a Secret Service, the password is kept there, not in the settings.
    const std::unique_ptr<qv::KeychainStore> keychain = qv::KeychainStore::IfAvailable();
    qv::SetPasswordStore(keychain.get());
#endif

    qv::QtHost host;
    host.SetPlacementStore(qv::ReadWindowPlacement,
                           [](const std::string& key, const std::string& text) {
                               qv::WriteWindowPlacement(key, text);
                           });
    if (const char* shot = std::getenv("QUORVEL_SCREENSHOT"); shot && *shot)
        host.SetScreenshotOnShow(shot, 600);
    const int demoRecords = DemoRecordCount();

    qv::CQuorvelApp().Run(host, qv::JoinCommandLine(argc, argv), [demoRecords](qv::Host& h) {
        DesktopWindow window(h, demoRecords);
        return h.RunModal(window);
    });
    return 0;
}

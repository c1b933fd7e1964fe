#include "tests/qt/QtTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <memory>

#include "host/qt/QtHost.h"
#include "ui/Dialog.h"

namespace qv {
namespace {

// One QApplication for the whole test program, on the offscreen platform.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform reports every window operation it lacks; keep the output
        // readable.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            if (m.startsWith("This plugin does not support") ||
                m.startsWith("Keyboard event not accepted"))
                return;
            fprintf(stderr, "%s\n", qPrintable(m));
            if (type == QtFatalMsg) abort();
        });
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "test_qt";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void WhenModal(std::function<bool()> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        if (step()) timer->deleteLater();
    });
    timer->start();
}

int RunModalAtMostFiveSeconds(QtHost& host, Dialog& dialog) {
    QObject guard;  // ends the timer with this run
    QTimer::singleShot(5000, &guard, [&dialog] { dialog.EndDialog(-99); });
    return host.RunModal(dialog);
}

}  // namespace qv

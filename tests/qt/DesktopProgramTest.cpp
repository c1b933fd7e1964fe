// The desktop program as a user starts it: its command line is its own, never Qt's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <string>
#include <vector>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace {

// Starts the program with the arguments in a fresh configuration that names an install
// directory; it saves a picture of its main window and ends. Returns the exit code.
int RunForPicture(const qvtest::TempDir& dir, const std::vector<std::string>& args,
                  const std::string& picture, std::string& err) {
    qvtest::WriteFile(dir / "install/.keep", "");
    qvtest::WriteFile(dir / "config/Orvane/Quorvel.ini",
                      "[Settings]\nINSTALLDIR=" + (dir / "install") + "\n");
    qvtest::WriteFile(dir / "config/Quorvel.INI",
                      "[Settings]\nINSTALLDIR=" + (dir / "install") + "\n");
    const std::string config = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("QUORVEL_SCREENSHOT", picture.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const qvtest::ToolResult r = qvtest::RunTool("quorvel", args);
    unsetenv("QUORVEL_SCREENSHOT");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    err = r.err;
    return r.exitCode;
}

// Qt options on the command line change nothing: "-platform" does not abort start-up and
// "-reverse" does not mirror the window.
TEST(DesktopProgram, QtOptionsOnTheCommandLineHaveNoEffect) {
    qvtest::TempDir dir;
    std::string err;
    ASSERT_EQ(RunForPicture(dir, {}, dir / "plain.png", err), 0) << err;
    ASSERT_EQ(
        RunForPicture(dir, {"-platform", "nonexistent", "-reverse"}, dir / "options.png", err), 0)
        << err;
    const QImage plain(QString::fromStdString(dir / "plain.png"));
    const QImage options(QString::fromStdString(dir / "options.png"));
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(options.size(), plain.size());
    // A blinking text cursor may differ; a mirrored window differs almost everywhere.
    long differing = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != options.pixel(x, y)) ++differing;
    EXPECT_LT(differing, static_cast<long>(plain.width()) * plain.height() / 100);
}

}  // namespace

// The desktop program as a user starts it: its command line is its own, never Qt's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace {

// Starts the program with the arguments in a fresh configuration that names an install
// directory; it saves a picture of its main window and ends. Returns the exit code.
int RunForPicture(const qvtest::TempDir& dir, const std::vector<std::string>& args,
                  const std::string& picture, std::string& err,
                  const std::string& platform = "offscreen") {
    qvtest::WriteFile(dir / "install/.keep", "");
    qvtest::WriteFile(dir / "config/Orvane/Quorvel.ini",
                      "[Settings]\nINSTALLDIR=" + (dir / "install") + "\n");
    qvtest::WriteFile(dir / "config/Quorvel.INI",
                      "[Settings]\nINSTALLDIR=" + (dir / "install") + "\n");
    const std::string config = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("QUORVEL_SCREENSHOT", picture.c_str(), 1);
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
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

// On a 1600x1100 screen at twice the scale the first window fits the screen (no smaller than
// unscaled); the size the window was left with comes back at the next start.
TEST(DesktopProgram, TheWindowFitsAScaledScreenAndKeepsItsSize) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "screen.json",
                      R"({"screens":[{"name":"s","x":0,"y":0,"width":1600,"height":1100,)"
                      R"("logicalDpi":96,"logicalBaseDpi":96}]})");
    const std::string platform = "offscreen:configfile=" + (dir / "screen.json");
    std::string err;
    struct Step {
        const char* scale;
        const char* kept;  // the placement kept before the start, "" none
        QSize at_least, at_most;
    };
    const Step steps[] = {
        {"1", "", QSize(1111, 757), QSize(1111, 757)},
        {"2", "", QSize(1111, 757), QSize(1600 - 16 * 2, 1100 - 48 * 2)},
        {"1", "30 40 1300 900 0", QSize(1300, 900), QSize(1300, 900)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.scale) + " " + s.kept);
        std::remove((dir / "config/Orvane/QuorvelWindows.ini").c_str());
        if (*s.kept)
            qvtest::WriteFile(dir / "config/Orvane/QuorvelWindows.ini",
                              std::string("[Windows]\nDialog102=") + s.kept + "\n");
        setenv("QT_SCALE_FACTOR", s.scale, 1);
        ASSERT_EQ(RunForPicture(dir, {}, dir / "shot.png", err, platform), 0) << err;
        unsetenv("QT_SCALE_FACTOR");
        const QImage shot(QString::fromStdString(dir / "shot.png"));
        EXPECT_GE(shot.width(), s.at_least.width());
        EXPECT_GE(shot.height(), s.at_least.height());
        EXPECT_LE(shot.width(), s.at_most.width());
        EXPECT_LE(shot.height(), s.at_most.height());
    }
}

}  // namespace

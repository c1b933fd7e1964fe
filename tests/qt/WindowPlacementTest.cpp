// Where a kept window goes on the screens, and how much a window's font shrinks to fit one.
#include <gtest/gtest.h>

#include "host/qt/WindowPlacement.h"

namespace qv {
namespace {

TEST(WindowPlacement, TheKeptTextReadsBackAndOddTextIsNone) {
    const WindowPlacement p{QRect(-20, 35, 1200, 800), true};
    EXPECT_EQ(ParsePlacement(FormatPlacement(p)), p);
    EXPECT_EQ(FormatPlacement({QRect(1, 2, 3, 4), false}), "1 2 3 4 0");
    for (const char* bad :
         {"", "1 2 3", "1 2 0 4 0", "1 2 3 -4 0", "1 2 3 4 2", "1 2 3 4 0 x", "a b c d e"})
        EXPECT_FALSE(ParsePlacement(bad).has_value()) << bad;
}

TEST(WindowPlacement, AKeptWindowIsPutBackOnAScreen) {
    const QRect left(0, 0, 1600, 1100), right(1600, 0, 1280, 1024);
    const QSize minimum(500, 400);
    struct Row {
        const char* what;
        QRect kept;
        QList<QRect> screens;
        QRect want;
    };
    const Row rows[] = {
        {"on its screen: unchanged",
         QRect(100, 50, 900, 700),
         {left, right},
         QRect(100, 50, 900, 700)},
        {"on the second screen",
         QRect(1700, 10, 900, 700),
         {left, right},
         QRect(1700, 10, 900, 700)},
        {"second screen gone: centred on the first",
         QRect(1700, 10, 900, 700),
         {left},
         QRect(350, 200, 900, 700)},
        {"title bar above the screen",
         QRect(100, -500, 900, 700),
         {left},
         QRect(350, 200, 900, 700)},
        {"partly over the right edge: pulled in",
         QRect(1400, 100, 900, 700),
         {left},
         QRect(700, 100, 900, 700)},
        {"smaller than the template", QRect(100, 50, 10, 10), {left}, QRect(100, 50, 500, 400)},
        {"larger than the screen", QRect(0, 0, 3000, 2000), {left}, QRect(0, 0, 1600, 1100)},
        {"a screen smaller than the template",
         QRect(5000, 0, 900, 700),
         {QRect(0, 0, 400, 300)},
         QRect(0, 0, 500, 400)},
    };
    for (const Row& r : rows) EXPECT_EQ(PutOnScreen(r.kept, minimum, r.screens), r.want) << r.what;
}

TEST(WindowPlacement, AWindowShrinksToFitItsScreenDownToTheUnscaledSize) {
    struct Row {
        QSize window, available;
        double ratio, want;
    };
    const Row rows[] = {
        {QSize(1111, 757), QSize(1584, 1052), 1.0, 1.0},  // fits
        {QSize(2222, 1514), QSize(784, 502), 2.0, 0.5},   // never below the unscaled size
        {QSize(2222, 1514), QSize(1584, 1052), 2.0, 1052.0 / 1514},  // the height decides
        {QSize(1111, 757), QSize(800, 600), 1.0, 1.0},               // unscaled: never smaller
    };
    for (const Row& r : rows)
        EXPECT_DOUBLE_EQ(FitScale(r.window, r.available, r.ratio), r.want) << r.window.width();
}

}  // namespace
}  // namespace qv

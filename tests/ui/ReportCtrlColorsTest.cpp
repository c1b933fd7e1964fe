// The list's meaning colours stay readable on dark palettes and untouched on light ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ui/MainWindow.h"
#include "ui/ReportCtrl.h"
#include "ui/ReportCtrlColors.h"

namespace qv {
namespace {

const std::vector<ColorRef>& MeaningColours() {
    static const std::vector<ColorRef> colours = {ColorResult,   ColorIgnored,   ColorMergeTagged,
                                                  ColorProblem,  ColorTagNew,    ColorTagReserved,
                                                  ColorTagMerge, ColorTagDeleted};
    return colours;
}

TEST(ReportCtrlColors, TheContrastRatioIsTheUsualOne) {
    EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x777777, 0x777777), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0x767676), 4.54, 0.01);  // the usual grey on white
    EXPECT_TRUE(IsDarkBackground(0x2A2A2A));
    EXPECT_FALSE(IsDarkBackground(kEvenRowBackground));
}

TEST(ReportCtrlColors, OnDarkBandsEveryMeaningColourReadsAndKeepsItsHue) {
    // Dark bases of common dark themes, and their alternate bases.
    const ColorRef darkBands[] = {0x2A2A2A, 0x424242, 0x232629, 0x31363B, 0x1E1E1E, 0x000000};
    for (const ColorRef band : darkBands) {
        std::vector<ColorRef> shown;
        for (const ColorRef c : MeaningColours()) {
            const ColorRef s = ReadableTextColor(c, band);
            EXPECT_GE(ContrastRatio(s, band), kReadableContrast) << std::hex << c << " on " << band;
            // Mixed with white: each channel only rises, and the strongest stays strongest.
            const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            const unsigned sr = s & 0xFF, sg = (s >> 8) & 0xFF, sb = (s >> 16) & 0xFF;
            EXPECT_TRUE(sr >= r && sg >= g && sb >= b) << std::hex << c;
            const unsigned top = std::max({r, g, b});
            const unsigned shownTop = std::max({sr, sg, sb});
            EXPECT_TRUE((r != top || sr == shownTop) && (b != top || sb == shownTop))
                << std::hex << c;
            shown.push_back(s);
        }
        // Colours that differ keep differing.
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = 0; j < shown.size(); ++j)
                EXPECT_TRUE(MeaningColours()[i] == MeaningColours()[j] || shown[i] != shown[j])
                    << i << " " << j;
    }
}

TEST(ReportCtrlColors, OnLightBandsTheColoursStayAsTheyAre) {
    for (const ColorRef band : {kEvenRowBackground, kOddRowBackground, 0xFFFFFFu})
        for (const ColorRef c : MeaningColours()) EXPECT_EQ(ReadableTextColor(c, band), c);
}

}  // namespace
}  // namespace qv

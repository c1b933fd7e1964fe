#include "ui/ReportCtrlColors.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

double Channel(unsigned value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Colours are stored as 0x00BBGGRR.
unsigned Red(ColorRef c) {
    return c & 0xFF;
}
unsigned Green(ColorRef c) {
    return (c >> 8) & 0xFF;
}
unsigned Blue(ColorRef c) {
    return (c >> 16) & 0xFF;
}

double Luminance(ColorRef c) {
    return 0.2126 * Channel(Red(c)) + 0.7152 * Channel(Green(c)) + 0.0722 * Channel(Blue(c));
}

unsigned TowardsWhite(unsigned value, int share, int steps) {
    return value + ((255 - value) * share + steps / 2) / steps;
}

}  // namespace

double ContrastRatio(ColorRef a, ColorRef b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkBackground(ColorRef background) {
    return Luminance(background) < Luminance(0x808080);
}

ColorRef ReadableTextColor(ColorRef text, ColorRef background) {
    if (!IsDarkBackground(background)) return text;
    constexpr int kSteps = 20;
    for (int share = 0; share <= kSteps; ++share) {
        const ColorRef mixed = TowardsWhite(Red(text), share, kSteps) |
                               (TowardsWhite(Green(text), share, kSteps) << 8) |
                               (TowardsWhite(Blue(text), share, kSteps) << 16);
        if (ContrastRatio(mixed, background) >= kReadableContrast) return mixed;
    }
    return 0xFFFFFF;
}

}  // namespace qv

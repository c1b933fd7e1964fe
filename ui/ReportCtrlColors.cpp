#include "ui/ReportCtrlColors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

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

namespace {

ColorRef LightenedUntilReadable(ColorRef text, ColorRef background) {
    constexpr int kSteps = 20;
    for (int share = 0; share <= kSteps; ++share) {
        const ColorRef mixed = TowardsWhite(Red(text), share, kSteps) |
                               (TowardsWhite(Green(text), share, kSteps) << 8) |
                               (TowardsWhite(Blue(text), share, kSteps) << 16);
        if (ContrastRatio(mixed, background) >= kReadableContrast) return mixed;
    }
    return 0xFFFFFF;
}

}  // namespace

ColorRef ReadableTextColor(ColorRef text, ColorRef background) {
    if (!IsDarkBackground(background)) return text;
    // A list paints the same few colours on the same bands over and over.
    static std::unordered_map<std::uint64_t, ColorRef> known;
    const std::uint64_t key = (static_cast<std::uint64_t>(text) << 32) | background;
    if (const auto it = known.find(key); it != known.end()) return it->second;
    if (known.size() > 1024) known.clear();
    return known[key] = LightenedUntilReadable(text, background);
}

}  // namespace qv

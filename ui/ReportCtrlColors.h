// The list's colours on any palette: the contrast of two colours as screen readers and
// accessibility checks measure it, and a text colour lightened just enough to stay readable on a
// dark background while keeping its hue.
#pragma once

#include "engine/Outcome.h"

namespace qv {

// The contrast ratio of two colours, (L1 + 0.05) / (L2 + 0.05) of their relative luminances,
// from 1 (the same) to 21 (black on white).
double ContrastRatio(ColorRef a, ColorRef b);

// The contrast that text of a meaning colour keeps against its background.
inline constexpr double kReadableContrast = 4.5;

// Whether a background counts as dark: its relative luminance below that of mid grey.
bool IsDarkBackground(ColorRef background);

// The colour to draw text of colour `text` with on `background`: the colour itself on a light
// background, and on a dark one the colour mixed with white by the smallest share (in steps of
// 1/20) that reaches kReadableContrast.
ColorRef ReadableTextColor(ColorRef text, ColorRef background);

}  // namespace qv

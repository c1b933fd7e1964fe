// Where a window goes on the screens: the size and position a user left a resizable window with,
// kept as text between sessions, put back on a screen when the screens have changed since, and
// the font scale that lets a window fit the screen it first opens on.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <optional>
#include <string>

namespace qv {

struct WindowPlacement {
    // The position of the window's frame and the size of its inside, in the screens'
    // coordinates.
    QRect rect;
    bool maximized = false;
    bool operator==(const WindowPlacement&) const = default;
};

// "x y width height maximised(0/1)"; nothing for text that is not such a line or whose size is
// not positive.
std::optional<WindowPlacement> ParsePlacement(const std::string& text);
std::string FormatPlacement(const WindowPlacement& placement);

// The rectangle a window kept at `rect` takes on screens whose available areas are `screens`
// (the first is the primary one): no smaller than `minimum`, no larger than the screen it ends
// up on, and moved onto the primary screen's centre when too little of it (its top edge, which
// holds the title bar, above all) would lie on any screen.
QRect PutOnScreen(const QRect& rect, const QSize& minimum, const QList<QRect>& screens);

// The factor (at most 1) by which a window's font is to shrink so that a window of `window`
// pixels fits into `available` pixels, never below the size at a device pixel ratio of 1
// (1 / devicePixelRatio): a scaled display may show the window smaller than scaled, never
// smaller than an unscaled display would.
double FitScale(const QSize& window, const QSize& available, double devicePixelRatio);

}  // namespace qv

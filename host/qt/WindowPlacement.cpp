#include "host/qt/WindowPlacement.h"

#include <algorithm>
#include <sstream>

namespace qv {

namespace {

// How much of a window must show on a screen for the user to grab it there: a piece of its top
// edge this wide and this high.
constexpr int kGrabWidth = 100;
constexpr int kGrabHeight = 20;

bool Reachable(const QRect& rect, const QRect& screen) {
    const QRect top(rect.left(), rect.top(), rect.width(), std::min(kGrabHeight, rect.height()));
    const QRect shown = top.intersected(screen);
    return !shown.isEmpty() && shown.width() >= std::min(kGrabWidth, rect.width()) &&
           shown.height() >= std::min(kGrabHeight, rect.height());
}

}  // namespace

std::optional<WindowPlacement> ParsePlacement(const std::string& text) {
    std::istringstream in(text);
    int x = 0, y = 0, w = 0, h = 0, maximized = 0;
    if (!(in >> x >> y >> w >> h >> maximized)) return std::nullopt;
    std::string rest;
    if (in >> rest) return std::nullopt;
    if (w <= 0 || h <= 0 || (maximized != 0 && maximized != 1)) return std::nullopt;
    return WindowPlacement{QRect(x, y, w, h), maximized == 1};
}

std::string FormatPlacement(const WindowPlacement& p) {
    std::ostringstream out;
    out << p.rect.x() << ' ' << p.rect.y() << ' ' << p.rect.width() << ' ' << p.rect.height() << ' '
        << (p.maximized ? 1 : 0);
    return out.str();
}

QRect PutOnScreen(const QRect& rect, const QSize& minimum, const QList<QRect>& screens) {
    QRect r(rect.topLeft(), rect.size().expandedTo(minimum));
    if (screens.isEmpty()) return r;
    const auto on = std::find_if(screens.begin(), screens.end(),
                                 [&](const QRect& s) { return Reachable(r, s); });
    const QRect screen = on == screens.end() ? screens.front() : *on;
    // Never larger than the screen, unless the window cannot be made that small.
    r.setSize(r.size().boundedTo(screen.size()).expandedTo(minimum));
    if (on == screens.end()) {
        r.moveCenter(screen.center());
    } else {
        // Entirely on its screen where it fits, so that no edge to resize it by is lost.
        r.moveLeft(std::clamp(r.left(), screen.left(),
                              std::max(screen.left(), screen.right() + 1 - r.width())));
        r.moveTop(std::clamp(r.top(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - r.height())));
    }
    if (r.top() < screen.top()) r.moveTop(screen.top());
    if (r.left() < screen.left()) r.moveLeft(screen.left());
    return r;
}

double FitScale(const QSize& window, const QSize& available, double devicePixelRatio) {
    if (window.isEmpty() || available.isEmpty()) return 1.0;
    const double fit = std::min(static_cast<double>(available.width()) / window.width(),
                                static_cast<double>(available.height()) / window.height());
    const double floor = devicePixelRatio > 1.0 ? 1.0 / devicePixelRatio : 1.0;
    return std::clamp(fit, floor, 1.0);
}

}  // namespace qv

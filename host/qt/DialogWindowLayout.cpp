// The geometry of a dialog window: its font fitted to the screen, its controls following the
// window's edges by their anchors, the size and position kept between sessions; the keys of its
// template, and the colours of its read-only boxes on any palette.
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <algorithm>

#include "host/qt/DialogWindow.h"
#include "host/qt/WindowPlacement.h"

namespace qv {

namespace {

// Room left around a window for its frame and title bar, which are not known before it shows.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen()) areas.append(s->availableGeometry());
    return areas;
}

}  // namespace

void DialogWindow::FitFontToScreen(const DialogTemplate& t) {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize available = screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
    auto sizeAt = [&t](const QFont& f) {
        const DialogBaseUnits u = BaseUnitsOf(f);
        return QSize(DialogXToPixels(u, t.width), DialogYToPixels(u, t.height));
    };
    const QSize full = sizeAt(font());
    const double ratio = screen->devicePixelRatio();
    if (FitScale(full, available, ratio) >= 1.0) return;
    // The largest font in steps of 4 % whose window fits; base units are whole pixels, so the
    // size does not shrink in proportion and each step is measured. A step that would make the
    // window smaller than on an unscaled display is not taken.
    const QSize floor(static_cast<int>(full.width() / ratio),
                      static_cast<int>(full.height() / ratio));
    QFont chosen = font();
    for (double scale = 0.96; scale > 0.1; scale *= 0.96) {
        QFont f = font();
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * scale);
        else if (f.pixelSize() > 0)
            f.setPixelSize(std::max(1, static_cast<int>(f.pixelSize() * scale)));
        const QSize size = sizeAt(f);
        if (size.width() < floor.width() || size.height() < floor.height()) break;
        chosen = f;
        if (size.width() <= available.width() && size.height() <= available.height()) break;
    }
    setFont(chosen);
}

void DialogWindow::LayoutControls() {
    if (!dialog_ || baseSize_.isEmpty()) return;
    const DialogTemplate& t = dialog_->Template();
    const int dx = width() - baseSize_.width();
    const int dy = height() - baseSize_.height();
    for (size_t i = 0; i < widgets_.size() && i < baseRects_.size() && i < t.controls.size(); ++i) {
        const unsigned anchor = t.controls[i].anchor;
        if (anchor == kAnchorNone) continue;
        const QRect& b = baseRects_[i];
        const LayoutRect r = AnchoredRect({b.x(), b.y(), b.width(), b.height()}, anchor, dx, dy);
        widgets_[i]->setGeometry(r.x, r.y, r.width, r.height);
    }
    PlaceMenuButton();
}

void DialogWindow::WidenClippedChecks() {
    const DialogTemplate& t = dialog_->Template();
    const size_t n = std::min({t.controls.size(), widgets_.size(), baseRects_.size()});
    for (size_t i = 0; i < n; ++i) {
        const ControlTemplate& c = t.controls[i];
        const bool check = c.kind == ControlKind::Radio ||
                           (c.kind == ControlKind::CheckBox && !(c.style & kPushLike));
        const int wanted = widgets_[i]->sizeHint().width();
        if (!check || wanted <= baseRects_[i].width()) continue;
        QRect wider = baseRects_[i];
        wider.setWidth(wanted);
        const QRect added(baseRects_[i].right() + 1, wider.top(), wanted - baseRects_[i].width(),
                          wider.height());
        bool free = wider.right() < baseSize_.width();
        for (size_t j = 0; j < n && free; ++j) {
            const ControlKind k = t.controls[j].kind;
            if (j == i || k == ControlKind::Group || k == ControlKind::Frame) continue;
            free = !baseRects_[j].intersects(added);
        }
        if (!free) continue;
        baseRects_[i] = wider;
        widgets_[i]->setGeometry(wider);
    }
}

void DialogWindow::PlaceMenuButton() {
    if (!menuButton_) return;
    // In the top right corner, above the layout's outer margin.
    const int side = std::clamp(DialogYToPixels(units_, 9), 12, 32);
    menuButton_->setIconSize(QSize(side - 2, side - 2));
    menuButton_->setGeometry(width() - side, 0, side, side);
    menuButton_->raise();
}

void DialogWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
    NoteNormalPlacement();
}

void DialogWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    NoteNormalPlacement();
}

void DialogWindow::NoteNormalPlacement() {
    if (!isVisible() ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        return;
    seenNormal_ = true;
    frameOffset_ = pos() - geometry().topLeft();
}

std::string DialogWindow::PlacementKey() const {
    return dialog_ ? "Dialog" + std::to_string(dialog_->Template().id) : std::string();
}

void DialogWindow::RestorePlacement() {
    if (placementRestored_ || !dialog_ || !(dialog_->Template().style & kDlgResizable)) return;
    placementRestored_ = true;
    if (!host_.placementLoad_) return;
    const std::optional<WindowPlacement> kept =
        ParsePlacement(host_.placementLoad_(PlacementKey()));
    if (!kept) return;
    const QRect r = PutOnScreen(kept->rect, minimumSize(), AvailableScreenAreas());
    resize(r.size());
    move(r.topLeft());
    keptNormal_ = r;
    if (kept->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void DialogWindow::KeepPlacement() {
    if (!dialog_ || !(dialog_->Template().style & kDlgResizable) || !host_.placementSave_ ||
        !isVisible())
        return;
    // The frame's position (its title bar is what has to stay on a screen) and the inside's size;
    // for a maximised window those it shows at when it is restored: as shown normal in this
    // session, else as kept from the last.
    const bool maximized = isMaximized();
    QRect rect(pos(), size());
    if (maximized && seenNormal_)
        rect = normalGeometry().translated(frameOffset_);
    else if (maximized && keptNormal_.isValid())
        rect = keptNormal_;
    else if (maximized)
        rect = normalGeometry();
    if (rect.isEmpty()) return;
    host_.placementSave_(PlacementKey(), FormatPlacement({rect, maximized}));
}

void DialogWindow::InstallAccelerators(const DialogTemplate& t) {
    for (const Accelerator& a : t.accelerators) {
        const QKeySequence key(QString::fromStdString(a.key), QKeySequence::PortableText);
        if (key.isEmpty()) continue;
        acceleratorKeys_.push_back(key);
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        const int command = a.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] {
            Send(PendingMessage::Other,
                 [command](DialogWindow&, Dialog& d) { d.UserAccelerator(command); });
        });
    }
    if (acceleratorKeys_.empty()) return;
    // An edit box claims some of these keys for itself (Ctrl+E moves to the line's end on some
    // desktops); the window's keys come first.
    for (QWidget* w : widgets_) {
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->installEventFilter(this);
        if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->lineEdit())
            cb->lineEdit()->installEventFilter(this);
    }
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* k = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(k->keyCombination());
        // Left unaccepted, the key goes on to the window's shortcut.
        if (std::find(acceleratorKeys_.begin(), acceleratorKeys_.end(), pressed) !=
            acceleratorKeys_.end())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Read-only edit boxes are drawn on the window colour, as the original does.
void DialogWindow::MarkReadOnly(QWidget* w) {
    QPalette p = w->palette();
    const QPalette window = w->parentWidget() ? w->parentWidget()->palette() : p;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, window.color(group, QPalette::Window));
    w->setPalette(p);
}

void DialogWindow::RefreshReadOnlyColours() {
    if (!dialog_) return;
    const auto& controls = dialog_->Template().controls;
    for (size_t i = 0; i < controls.size() && i < widgets_.size(); ++i)
        if (controls[i].kind == ControlKind::Edit && (controls[i].style & kReadOnly))
            MarkReadOnly(widgets_[i]);
}

}  // namespace qv

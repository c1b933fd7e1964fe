#include "host/qt/DialogWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "host/qt/ReportView.h"
#include "ui/ReportCtrl.h"

namespace qv {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A check box whose click does not change its state: the dialog model decides (a manual check
// box is toggled by its handler; an automatic one by the model's click handling).
class ModelCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
    // The whole control answers a click, not only the box and its text.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A push button that shows a check mark as its pressed state; like ModelCheckBox, a click leaves
// the state to the dialog model.
class ModelToggleButton : public QPushButton {
public:
    explicit ModelToggleButton(QWidget* parent) : QPushButton(parent) {
        setCheckable(true);
        setAutoDefault(false);
    }

protected:
    void nextCheckState() override {}
};

// A static text shows "&x" as an underlined x and "&&" as "&"; the label shows plain text.
QString StaticText(const std::string& caption) {
    QString out;
    const QString in = Q(caption);
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == QLatin1Char('&')) {
            if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) out += in[++i];
            continue;
        }
        out += in[i];
    }
    return out;
}

bool HasMnemonic(const std::string& caption) {
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (i + 1 < caption.size() && caption[i + 1] != '&') return true;
        ++i;
    }
    return false;
}

bool TakesFocus(ControlKind k) {
    return k == ControlKind::Edit || k == ControlKind::ComboBox || k == ControlKind::List ||
           k == ControlKind::Button || k == ControlKind::CheckBox || k == ControlKind::Radio;
}

bool IsPassive(ControlKind k) {
    return k == ControlKind::Static || k == ControlKind::Group || k == ControlKind::Frame ||
           k == ControlKind::Icon;
}

}  // namespace

DialogWindow::DialogWindow(QtHost& host, Dialog& dialog, QWidget* parent, bool modal)
    : QDialog(parent), host_(host), dialog_(&dialog), modal_(modal) {
    host_.windows_.push_back(this);
    Build();
    connect(qApp, &QApplication::focusChanged, this, &DialogWindow::OnFocusChanged);
}

DialogWindow::~DialogWindow() {
    auto& ws = host_.windows_;
    ws.erase(std::remove(ws.begin(), ws.end(), this), ws.end());
    for (auto it = host_.modeless_.begin(); it != host_.modeless_.end();) {
        if (it->second == this)
            it = host_.modeless_.erase(it);
        else
            ++it;
    }
    if (dialog_) dialog_->DetachView();
    dialog_ = nullptr;
}

QWidget* DialogWindow::Control(int id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

QWidget* DialogWindow::WidgetAt(size_t index) const {
    return index < widgets_.size() ? widgets_[index] : nullptr;
}

void DialogWindow::Detach() {
    dialog_ = nullptr;
    disconnect(qApp, &QApplication::focusChanged, this, &DialogWindow::OnFocusChanged);
}

const ControlTemplate* DialogWindow::TemplateOf(int id) const {
    return dialog_ ? dialog_->Template().Find(id) : nullptr;
}

void DialogWindow::Build() {
    const DialogTemplate& t = dialog_->Template();
    setFont(host_.FontFor(t));
    FitFontToScreen(t);
    units_ = BaseUnitsOf(font());
    setWindowIcon(QtHost::AppIcon());
    setWindowTitle(Q(dialog_->GetTitle()));

    Qt::WindowFlags flags = parentWidget() ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((t.style & kDlgSystemMenu) && !(t.style & kDlgNoClose))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (t.style & kDlgMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    if (t.style & kDlgResizable) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    baseSize_ = QSize(DialogXToPixels(units_, t.width), DialogYToPixels(units_, t.height));
    if (t.style & kDlgResizable) {
        setMinimumSize(baseSize_);
        resize(baseSize_);
    } else {
        setFixedSize(baseSize_);
    }

    for (const ControlTemplate& c : t.controls) {
        QWidget* w = CreateControl(c);
        QRect r = DialogRectToPixels(units_, c.x, c.y, c.width, c.height);
        if (c.kind == ControlKind::ComboBox) {
            // The template's height includes the dropped-down list; the closed box is as high as
            // an edit box, and the list shows as many entries as fit in the rest.
            auto* cb = static_cast<QComboBox*>(w);
            const int closed = std::min(r.height(), DialogYToPixels(units_, 14));
            const int line = std::max(1, QFontMetrics(font()).height());
            cb->setMaxVisibleItems(std::max(1, (r.height() - closed) / line));
            r.setHeight(closed);
        }
        w->setGeometry(r);
        baseRects_.push_back(r);
        // Labels have no state in the model, so their template style is all there is.
        if (c.id == IDC_STATIC && (c.style & kHidden)) w->hide();
        widgets_.push_back(w);
        idOf_[w] = c.id;
        if (c.id != IDC_STATIC && !byId_.count(c.id)) byId_[c.id] = w;
    }

    // A label with a mnemonic ("&Name:") gives the focus to the control that follows it.
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        auto* label = qobject_cast<QLabel*>(widgets_[i]);
        if (!label || c.kind != ControlKind::Static || !HasMnemonic(c.caption)) continue;
        for (size_t j = i + 1; j < t.controls.size(); ++j) {
            if (!TakesFocus(t.controls[j].kind)) continue;
            label->setText(Q(c.caption));
            label->setBuddy(widgets_[j]);
            break;
        }
    }

    menuButton_ = new QToolButton(this);
    menuButton_->setIcon(QtHost::AppIcon());
    menuButton_->setAutoRaise(true);
    menuButton_->setFocusPolicy(Qt::NoFocus);
    menuButton_->setToolTip(tr("Window menu"));
    menuButton_->hide();
    connect(menuButton_, &QToolButton::clicked, this, [this] {
        const QPoint at = menuButton_->mapToGlobal(QPoint(0, menuButton_->height()));
        Send(PendingMessage::Other, [at](DialogWindow& w, Dialog&) { w.ShowWindowMenu(at); });
    });

    InstallAccelerators(t);
    RefreshAll();
    WidenClippedChecks();
}

QWidget* DialogWindow::CreateControl(const ControlTemplate& c) {
    const int id = c.id;
    switch (c.kind) {
        case ControlKind::Static: {
            auto* l = new QLabel(this);
            l->setTextFormat(Qt::PlainText);
            l->setText(StaticText(c.caption));
            Qt::Alignment a = (c.style & kRightAlign) ? Qt::AlignRight : Qt::AlignLeft;
            if (c.style & kSunken) {
                l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                l->setIndent(2);
                a |= Qt::AlignVCenter;
            } else {
                a |= Qt::AlignTop;
            }
            l->setAlignment(a);
            l->setWordWrap((c.style & kMultiLine) != 0);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            return l;
        }
        case ControlKind::Group: {
            auto* g = new QGroupBox(StaticText(c.caption), this);
            // The frame line runs through the middle of the caption, as the original draws it.
            const int half = QFontMetrics(font()).height() / 2;
            g->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); "
                                            "margin-top: %1px; }"
                                            "QGroupBox::title { subcontrol-origin: margin; "
                                            "left: %2px; padding: 0 2px; }")
                                 .arg(half)
                                 .arg(DialogXToPixels(units_, 4)));
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            return g;
        }
        case ControlKind::Frame: {
            auto* f = new QFrame(this);
            f->setFrameStyle(QFrame::Box | QFrame::Sunken);
            f->setAttribute(Qt::WA_TransparentForMouseEvents);
            return f;
        }
        case ControlKind::Edit: {
            if (c.style & kMultiLine) {
                auto* e = new QPlainTextEdit(this);
                e->setReadOnly(c.style & kReadOnly);
                if (c.style & kReadOnly) MarkReadOnly(e);
                connect(e, &QPlainTextEdit::textChanged, this, [this, id] {
                    if (refreshing_) return;
                    Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
                        d.UserSetText(id, w.ControlText(id).toStdString());
                        w.Refresh(id);
                    });
                });
                return e;
            }
            auto* e = new QLineEdit(this);
            if (c.style & kPassword) e->setEchoMode(QLineEdit::Password);
            if (c.style & kReadOnly) {
                e->setReadOnly(true);
                MarkReadOnly(e);
            }
            if (c.style & kRightAlign) e->setAlignment(Qt::AlignRight);
            connect(e, &QLineEdit::textEdited, this, [this, id] {
                Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
                    d.UserSetText(id, w.ControlText(id).toStdString());
                    w.Refresh(id);
                });
            });
            return e;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(this);
            b->setAutoDefault(false);
            b->setDefault((c.style & kDefaultButton) != 0);
            connect(b, &QPushButton::clicked, this, [this, id] {
                Send(PendingMessage::Other, [id](DialogWindow&, Dialog& d) { d.UserClick(id); });
            });
            return b;
        }
        case ControlKind::CheckBox: {
            QAbstractButton* b = nullptr;
            if (c.style & kPushLike)
                b = new ModelToggleButton(this);
            else
                b = new ModelCheckBox(this);
            connect(b, &QAbstractButton::clicked, this, [this, id] {
                Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
                    d.UserClick(id);
                    w.Refresh(id);
                });
            });
            return b;
        }
        case ControlKind::Radio: {
            // The model decides which button of the run is checked.
            auto* b = new QRadioButton(this);
            b->setAutoExclusive(false);
            connect(b, &QRadioButton::clicked, this, [this, id] {
                Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
                    d.UserClick(id);
                    w.RefreshAll();
                });
            });
            return b;
        }
        case ControlKind::ComboBox: {
            auto* cb = new QComboBox(this);
            cb->setEditable(true);
            cb->setInsertPolicy(QComboBox::NoInsert);
            cb->setCompleter(nullptr);
            connect(cb, &QComboBox::activated, this, [this, id](int index) {
                Send(PendingMessage::Other, [id, index](DialogWindow& w, Dialog& d) {
                    d.UserSelectCombo(id, index);
                    w.Refresh(id);
                });
            });
            connect(cb->lineEdit(), &QLineEdit::textEdited, this, [this, id] {
                Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
                    d.UserSetText(id, w.ControlText(id).toStdString());
                    w.Refresh(id);
                });
            });
            return cb;
        }
        case ControlKind::List: {
            QPointer<DialogWindow> self(this);
            auto onMenu = [self, id](int x, int y) {
                if (!self) return;
                self->Send(PendingMessage::Other,
                           [id, x, y](DialogWindow&, Dialog& d) { d.UserContextMenu(id, x, y); });
            };
            QtHost::ListViewFactory factory = host_.ListFactory();
            QWidget* w = factory ? factory(dialog_->List(id), this, onMenu) : nullptr;
            if (!w) w = CreateReportView(dialog_->List(id), this, onMenu);
            if (w->parentWidget() != this) w->setParent(this);
            return w;
        }
        case ControlKind::Progress: {
            auto* p = new QProgressBar(this);
            p->setTextVisible(false);
            return p;
        }
        case ControlKind::Icon: {
            auto* l = new QLabel(this);
            const QRect r = DialogRectToPixels(units_, c.x, c.y, c.width, c.height);
            const int side = std::max(1, std::min(r.width(), r.height()));
            l->setPixmap(QtHost::AppIcon().pixmap(side, side));
            l->setAlignment(Qt::AlignCenter);
            if (c.style & kBorder) l->setFrameStyle(QFrame::Box | QFrame::Plain);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            return l;
        }
    }
    return new QWidget(this);
}

QString DialogWindow::ControlText(int id) const {
    QWidget* w = Control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->toPlainText();
    if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->currentText();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

void DialogWindow::RefreshAll() {
    for (const auto& [id, w] : byId_) Refresh(id);
}

void DialogWindow::Refresh(int id) {
    QWidget* w = Control(id);
    const ControlTemplate* t = TemplateOf(id);
    if (!w || !t || !dialog_) return;
    const Dialog& d = *dialog_;
    ++refreshing_;
    const QString text = Q(d.GetDlgItemText(id));
    switch (t->kind) {
        case ControlKind::Static:
            if (auto* l = qobject_cast<QLabel*>(w);
                l && l->text() != StaticText(text.toStdString()))
                l->setText(StaticText(text.toStdString()));
            break;
        case ControlKind::Group:
            if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(StaticText(text.toStdString()));
            break;
        case ControlKind::Edit:
            if (auto* e = qobject_cast<QLineEdit*>(w); e && e->text() != text) e->setText(text);
            if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->toPlainText() != text)
                e->setPlainText(text);
            break;
        case ControlKind::Button:
            if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text() != text)
                b->setText(text);
            break;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                if (b->text() != text) b->setText(text);
                if (b->isChecked() != (d.IsDlgButtonChecked(id) != 0))
                    b->setChecked(d.IsDlgButtonChecked(id) != 0);
            }
            break;
        case ControlKind::ComboBox:
            if (auto* cb = qobject_cast<QComboBox*>(w)) {
                QSignalBlocker block(cb);
                const int n = d.ComboGetCount(id);
                bool same = cb->count() == n;
                for (int i = 0; same && i < n; ++i)
                    same = cb->itemText(i) == Q(d.ComboGetLBText(id, i));
                if (!same) {
                    cb->clear();
                    for (int i = 0; i < n; ++i) cb->addItem(Q(d.ComboGetLBText(id, i)));
                }
                const int sel = d.ComboGetCurSel(id);
                if (cb->currentIndex() != sel) cb->setCurrentIndex(sel);
                if (cb->currentText() != text) cb->setEditText(text);
            }
            break;
        case ControlKind::Progress:
            if (auto* p = qobject_cast<QProgressBar*>(w)) {
                const auto [low, high] = d.GetProgressRange(id);
                if (p->minimum() != low || p->maximum() != high)
                    p->setRange(low, std::max(low, high));
                if (p->value() != d.GetProgressPos(id)) p->setValue(d.GetProgressPos(id));
            }
            break;
        case ControlKind::Frame:
        case ControlKind::List:
        case ControlKind::Icon:
            break;
    }
    const bool enabled = d.IsControlEnabled(id);
    if (w->testAttribute(Qt::WA_ForceDisabled) == enabled) w->setEnabled(enabled);
    const bool visible = d.IsControlVisible(id);
    if (w->isHidden() == visible) w->setVisible(visible);
    --refreshing_;
}

void DialogWindow::ControlChanged(int id) {
    Refresh(id);
}

void DialogWindow::TitleChanged() {
    if (dialog_) setWindowTitle(Q(dialog_->GetTitle()));
}

void DialogWindow::WindowEnabledChanged() {
    if (dialog_) setEnabled(dialog_->IsWindowEnabled());
}

void DialogWindow::FocusChanged(int id) {
    QWidget* w = Control(id);
    if (!w || w->hasFocus() || w->isAncestorOf(QApplication::focusWidget())) return;
    ++settingFocus_;
    w->setFocus(Qt::OtherFocusReason);
    --settingFocus_;
}

void DialogWindow::Ended(int result) {
    KeepPlacement();
    closingFromModel_ = true;
    if (modal_)
        QDialog::done(result);
    else
        hide();
}

void DialogWindow::EndForQuit() {
    KeepPlacement();
    closingFromModel_ = true;
    if (modal_) QDialog::done(-1);
}

void DialogWindow::PrepareShow() {
    const bool hasMenu = dialog_ && !dialog_->SystemMenu().empty();
    RestorePlacement();
    PlaceMenuButton();
    menuButton_->setVisible(hasMenu);
    menuButton_->raise();
    if (dialog_) setEnabled(dialog_->IsWindowEnabled());
}

void DialogWindow::Send(PendingMessage kind, Action action) {
    QPointer<DialogWindow> self(this);
    host_.Enqueue(kind, [self, action = std::move(action)] {
        if (!self || !self->dialog_) return;
        action(*self, *self->dialog_);
    });
}

int DialogWindow::IdOfWidget(QWidget* widget) const {
    while (widget && widget->parentWidget() != this) widget = widget->parentWidget();
    if (!widget) return 0;
    auto it = idOf_.find(widget);
    return it == idOf_.end() ? 0 : it->second;
}

void DialogWindow::OnFocusChanged(QWidget*, QWidget* now) {
    if (settingFocus_ || refreshing_ || !dialog_ || !now || now->window() != this) return;
    const int id = IdOfWidget(now);
    if (id == 0 || id == IDC_STATIC) return;
    Send(PendingMessage::Other, [id](DialogWindow& w, Dialog& d) {
        // A focus move the program made since then has already reached the model; only a
        // control that still has the focus is news.
        if (d.GetFocusId() != id && w.IdOfWidget(w.focusWidget()) == id) d.UserFocus(id);
    });
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Escape) {
        event->accept();
        Send(PendingMessage::Other, [](DialogWindow&, Dialog& d) { d.UserKeyEscape(); });
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        // Enter presses the focused push button, else the default button (else IDOK).
        const int id = IdOfWidget(QApplication::focusWidget());
        const ControlTemplate* t = TemplateOf(id);
        if (t && t->kind == ControlKind::Button)
            Send(PendingMessage::Other, [id](DialogWindow&, Dialog& d) { d.UserClick(id); });
        else
            Send(PendingMessage::Other, [](DialogWindow&, Dialog& d) { d.UserKeyEnter(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    if (closingFromModel_ || !dialog_) {
        event->accept();
        return;
    }
    // The close box asks; the dialog's Cancel handling decides whether the window ends.
    event->ignore();
    Send(PendingMessage::Close, [](DialogWindow&, Dialog& d) { d.UserCommand(IDCANCEL); });
}

void DialogWindow::accept() {
    Send(PendingMessage::Other, [](DialogWindow&, Dialog& d) { d.UserCommand(IDOK); });
}

void DialogWindow::reject() {
    Send(PendingMessage::Other, [](DialogWindow&, Dialog& d) { d.UserCommand(IDCANCEL); });
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* child = childAt(event->pos());
    const int id = child ? IdOfWidget(child) : 0;
    const ControlTemplate* t = TemplateOf(id);
    const bool background =
        !child || child == menuButton_ || id == IDC_STATIC || (t && IsPassive(t->kind));
    if (!background || !dialog_ || dialog_->SystemMenu().empty()) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint at = event->globalPos();
    Send(PendingMessage::Other, [at](DialogWindow& w, Dialog&) { w.ShowWindowMenu(at); });
}

void DialogWindow::ShowWindowMenu(const QPoint& globalPos) {
    if (!dialog_) return;
    std::vector<MenuEntry> entries;
    for (const SystemMenuEntry& e : dialog_->SystemMenu()) {
        if (e.command == 0 && (entries.empty() || entries.back().command == 0)) continue;
        entries.push_back({e.command, e.text});
    }
    while (!entries.empty() && entries.back().command == 0) entries.pop_back();
    if (entries.empty()) return;
    QPointer<DialogWindow> self(this);
    const int command = host_.TrackPopupMenu(entries, globalPos.x(), globalPos.y());
    if (command != 0 && self && self->dialog_) self->dialog_->UserSysCommand(command);
}

void DialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    host_.WindowShown(this);
}

// A window that keeps the focus (the wait dialog) takes it back when the window system gives
// another of the program's windows the focus, so that Escape always reaches it. It yields to a
// message box or dialog that the program shows meanwhile.
void DialogWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) RefreshReadOnlyColours();
    if (event->type() != QEvent::ActivationChange || isActiveWindow() || !dialog_ ||
        !(dialog_->Template().style & kDlgKeepFocus))
        return;
    QPointer<DialogWindow> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->dialog_ || !self->isVisible() || self->isActiveWindow()) return;
        QWidget* active = QApplication::activeWindow();
        QWidget* modal = QApplication::activeModalWidget();
        const bool ours = !active || qobject_cast<DialogWindow*>(active) != nullptr;
        const bool blocked = modal && modal != self.data() && !qobject_cast<DialogWindow*>(modal);
        if (!ours || blocked) return;
        self->raise();
        self->activateWindow();
    });
}

}  // namespace qv

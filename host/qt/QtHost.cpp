#include "host/qt/QtHost.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <thread>
#include <utility>

#include "host/qt/DialogWindow.h"

namespace qv {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

int MulDivRound(int value, int numerator, int denominator) {
    const long long n = static_cast<long long>(value) * numerator;
    const long long q = (std::llabs(n) + denominator / 2) / denominator;
    return static_cast<int>(n < 0 ? -q : q);
}

// The faces the original dialogs name for "the system's dialog font".
bool IsStandardDialogFace(const std::string& family) {
    static const char* const kFaces[] = {"", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif",
                                         "System"};
    return std::any_of(std::begin(kFaces), std::end(kFaces),
                       [&](const char* f) { return family == f; });
}

// DejaVu Sans when installed (it comes with the program's dependencies), so that the layout
// looks the same everywhere; otherwise the application's font.
QFont DefaultDialogFont() {
    QFont f = QApplication::font();
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(8.0);
    return f;
}

QPixmap DrawIcon(int side) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = side;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(0x2f, 0x80, 0xc0));
    g.setColorAt(1, QColor(0x17, 0x4a, 0x78));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x10, 0x34, 0x55), std::max(1.0, s / 32)));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    // Two lines of development, the right one merging into the left one.
    QPen line(Qt::white, std::max(1.5, s / 10), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(line);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(s * 0.32, s * 0.18), QPointF(s * 0.32, s * 0.82));
    QPainterPath branch;
    branch.moveTo(s * 0.70, s * 0.18);
    branch.lineTo(s * 0.70, s * 0.38);
    branch.cubicTo(s * 0.70, s * 0.55, s * 0.32, s * 0.50, s * 0.32, s * 0.66);
    p.drawPath(branch);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf5, 0xa6, 0x23));
    const qreal r = std::max(1.5, s * 0.11);
    p.drawEllipse(QPointF(s * 0.32, s * 0.66), r, r);
    return pm;
}

}  // namespace

// Receives the host's wake-ups (queued calls) and sees a quit request sent to the application.
class QtHost::Agent : public QObject {
public:
    explicit Agent(QtHost& host) : host_(host) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            host_.RequestQuit();
            return true;
        }
        return false;
    }

private:
    QtHost& host_;
};

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width + 26) / 52, fm.height()};
}

int DialogXToPixels(const DialogBaseUnits& units, int x) {
    return MulDivRound(x, units.cx, 4);
}

int DialogYToPixels(const DialogBaseUnits& units, int y) {
    return MulDivRound(y, units.cy, 8);
}

QRect DialogRectToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
    return QRect(DialogXToPixels(units, x), DialogYToPixels(units, y),
                 DialogXToPixels(units, width), DialogYToPixels(units, height));
}

QStringList FileDialogFilters(const FileDialogRequest& request) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList out;
    for (const auto& [description, patterns] : request.filters) {
        QString desc = Q(description).trimmed();
        desc.remove(trailingPatterns);
        QStringList pats;
        for (const QString& p : Q(patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!p.trimmed().isEmpty()) pats << p.trimmed();
        if (pats.isEmpty()) pats << QStringLiteral("*");
        if (desc.isEmpty()) desc = pats.join(QLatin1Char(' '));
        out << desc + QStringLiteral(" (") + pats.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

QtHost::QtHost() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::logic_error("the Qt host needs a QApplication");
    agent_ = new Agent(*this);
    QCoreApplication::instance()->installEventFilter(agent_);
    dialogFont_ = DefaultDialogFont();
}

QtHost::~QtHost() {
    while (waitCursorDepth_ > 0) EndWaitCursor();
    while (!modeless_.empty()) {
        auto it = modeless_.begin();
        DestroyModeless(*const_cast<Dialog*>(it->first));
    }
    for (DialogWindow* w : std::vector<DialogWindow*>(windows_)) w->Detach();
    queue_.clear();
    delete agent_;
    agent_ = nullptr;
}

void QtHost::SetListViewFactory(ListViewFactory factory) {
    listFactory_ = std::move(factory);
}

void QtHost::SetPlacementStore(PlacementLoad load, PlacementSave save) {
    placementLoad_ = std::move(load);
    placementSave_ = std::move(save);
}

void QtHost::SetDialogFont(const QFont& font) {
    dialogFont_ = font;
}

QFont QtHost::FontFor(const DialogTemplate& tmpl) const {
    QFont f = dialogFont_;
    if (!IsStandardDialogFace(tmpl.fontName)) f.setFamily(Q(tmpl.fontName));
    if (tmpl.fontPointSize > 0 && tmpl.fontPointSize != 8 && dialogFont_.pointSizeF() > 0)
        f.setPointSizeF(dialogFont_.pointSizeF() * tmpl.fontPointSize / 8.0);
    return f;
}

void QtHost::SetScreenshotOnShow(const std::string& path, int delayMs) {
    screenshotPath_ = path;
    screenshotDelayMs_ = std::max(0, delayMs);
}

QIcon QtHost::AppIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QPixmap pm(QStringLiteral(":/quorvel/quorvel-%1.png").arg(side));
        icon.addPixmap(pm.isNull() ? DrawIcon(side) : pm);
    }
    return icon;
}

DialogWindow* QtHost::WindowOf(const Dialog& dialog) const {
    for (DialogWindow* w : windows_)
        if (w->dialog() == &dialog) return w;
    return nullptr;
}

DialogWindow* QtHost::TopWindow() const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->isVisible()) return *it;
    return nullptr;
}

// The owner of a new window, message box or menu: the top-most shown modal dialog. Modeless
// windows are never owners, because the program may destroy them while the owned window runs.
QWidget* QtHost::ParentWidget() const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->runsModal() && (*it)->isVisible()) return *it;
    return nullptr;
}

// --- The message queue ---

void QtHost::Enqueue(PendingMessage kind, std::function<void()> run) {
    queue_.push_back({kind, std::move(run)});
    EnsureWake();
}

void QtHost::EnsureWake() {
    if (wakePending_ || !agent_) return;
    wakePending_ = true;
    QMetaObject::invokeMethod(
        agent_, [this] { OnWake(); }, Qt::QueuedConnection);
}

void QtHost::OnWake() {
    wakePending_ = false;
    // While delivery is held back, the end of that section asks for a new wake-up.
    if (heldBack_ > 0) return;
    RunOne();
}

void QtHost::RunOne() {
    if (queue_.empty()) return;
    Message m = std::move(queue_.front());
    queue_.pop_front();
    ++messagesRun_;
    // The message may run a nested event loop (a message box, a modal dialog) that must go on
    // delivering the rest of the queue.
    if (!queue_.empty()) EnsureWake();
    if (m.run) m.run();
}

void QtHost::ProcessWithoutHandlers() {
    ++heldBack_;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    --heldBack_;
    // The window system's input that arrived meanwhile is kept back by the platform, which looks
    // at it again only once its event source is woken; with the GLib dispatcher nothing wakes
    // it before more input arrives, so an Exit or Cancel click would wait for the next click.
    // Woken here, the next pass that takes input (a pump or the event loop) delivers it.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    if (heldBack_ == 0 && !queue_.empty()) EnsureWake();
}

bool QtHost::InputMayBePending() const {
    // The window system's input queue cannot be inspected without dispatching it. Only the
    // platforms without a window system (where input is injected synchronously) are known to
    // have none waiting.
    if (inputArrival_) return true;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void QtHost::Post(std::function<void()> notification) {
    Enqueue(PendingMessage::Other, std::move(notification));
}

void QtHost::PumpMessages() {
    if (heldBack_ > 0) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (!queue_.empty()) {
        RunOne();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void QtHost::PumpPaintMessages() {
    ProcessWithoutHandlers();
}

bool QtHost::PumpOneMessage() {
    if (quitRequested_) return false;
    if (heldBack_ == 0) {
        if (!queue_.empty()) {
            RunOne();
        } else {
            // The window system's input becomes messages of the queue only here (a key press
            // reaches the dialog as a queued message). The one message this call lets through is
            // the first of those, so that a key is acted on now and not one pump later.
            const unsigned long ran = messagesRun_;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (inputArrival_) inputArrival_();
            if (messagesRun_ == ran && !queue_.empty() && !quitRequested_) RunOne();
        }
    }
    return !quitRequested_;
}

void QtHost::SimulateWindowSystemInput(std::function<void()> arrive) {
    inputArrival_ = std::move(arrive);
}

PendingMessage QtHost::PeekMessage() {
    if (quitRequested_) return PendingMessage::Close;
    // Lets the window system's non-input events arrive: a close request becomes a queued
    // message, nothing runs.
    ProcessWithoutHandlers();
    if (quitRequested_) return PendingMessage::Close;
    if (!queue_.empty()) return queue_.front().kind;
    return InputMayBePending() ? PendingMessage::Other : PendingMessage::None;
}

void QtHost::RequestQuit() {
    if (quitRequested_) return;
    quitRequested_ = true;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->runsModal()) (*it)->EndForQuit();
}

// --- Dialogs ---

int QtHost::RunModal(Dialog& dialog) {
    if (quitRequested_) return -1;
    QPointer<DialogWindow> window = new DialogWindow(*this, dialog, ParentWidget(), true);
    dialog.AttachView(window);
    dialog.Initialize();
    if (window && !dialog.IsEnded() && !quitRequested_) {
        window->PrepareShow();
        window->exec();
    }
    if (window) {
        window->Detach();
        delete window.data();
    }
    dialog.DetachView();
    return dialog.IsEnded() ? dialog.Result() : -1;
}

void QtHost::ShowModeless(Dialog& dialog) {
    DestroyModeless(dialog);
    QPointer<DialogWindow> window = new DialogWindow(*this, dialog, ParentWidget(), false);
    modeless_[&dialog] = window;
    dialog.AttachView(window);
    dialog.Initialize();
    if (!window || window->dialog() != &dialog || dialog.IsEnded()) return;
    window->PrepareShow();
    window->show();
    window->raise();
    window->activateWindow();
    // Fully drawn before the caller goes on.
    PumpPaintMessages();
}

void QtHost::DestroyModeless(Dialog& dialog) {
    auto it = modeless_.find(&dialog);
    if (it == modeless_.end()) return;
    DialogWindow* window = it->second;
    modeless_.erase(it);
    dialog.DetachView();
    window->Detach();
    delete window;
}

void QtHost::WindowShown(DialogWindow* window) {
    if (screenshotPath_.empty()) return;
    const std::string path = std::exchange(screenshotPath_, {});
    QPointer<DialogWindow> w(window);
    QTimer::singleShot(screenshotDelayMs_, agent_, [this, w, path] {
        Enqueue(PendingMessage::Other, [this, w, path] { TakeScreenshot(w, path); });
    });
}

void QtHost::TakeScreenshot(QPointer<DialogWindow> window, const std::string& path) {
    if (!window) return;
    const QPixmap picture = window->grab();
    if (!picture.save(Q(path), "PNG"))
        std::fprintf(stderr, "quorvel: cannot write the screenshot %s\n", path.c_str());
    if (window && window->dialog()) window->dialog()->EndDialog(IDCANCEL);
}

// --- Message boxes, menus, file choosers ---

MsgResult QtHost::MessageBox(MsgKind kind, const std::string& text, const std::string& caption) {
    QPointer<QMessageBox> box = new QMessageBox(ParentWidget());
    box->setWindowTitle(Q(caption.empty() ? std::string(kDefaultCaption) : caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(Q(text));
    QAbstractButton* yes = nullptr;
    switch (kind) {
        case MsgKind::Plain:
            box->setIcon(QMessageBox::NoIcon);
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case MsgKind::Warning:
            box->setIcon(QMessageBox::Warning);
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case MsgKind::Error:
            box->setIcon(QMessageBox::Critical);
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case MsgKind::Question:
            box->setIcon(QMessageBox::Question);
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::No);
            yes = box->button(QMessageBox::Yes);
            break;
    }
    if (kind != MsgKind::Plain) {
        box->show();
        box->raise();
        box->activateWindow();
    }
    box->exec();
    MsgResult result = MsgResult::Ok;
    if (kind == MsgKind::Question)
        result = (box && box->clickedButton() == yes) ? MsgResult::Yes : MsgResult::No;
    delete box.data();
    return result;
}

int QtHost::TrackPopupMenu(const std::vector<MenuEntry>& entries, int x, int y) {
    QPointer<QMenu> menu = new QMenu(ParentWidget());
    for (const MenuEntry& e : entries) {
        if (e.command == 0)
            menu->addSeparator();
        else
            menu->addAction(Q(e.text))->setData(e.command);
    }
    QAction* chosen = menu->exec(QPoint(x, y));
    const int command = (menu && chosen) ? chosen->data().toInt() : 0;
    delete menu.data();
    return command;
}

std::optional<std::string> QtHost::BrowseForFolder(const std::string& title,
                                                   const std::string& initialDir) {
    QPointer<QFileDialog> d = new QFileDialog(ParentWidget(), Q(title), Q(initialDir));
    d->setFileMode(QFileDialog::Directory);
    d->setOption(QFileDialog::ShowDirsOnly);
    std::optional<std::string> result;
    if (d->exec() == QDialog::Accepted && d && !d->selectedFiles().isEmpty())
        result = d->selectedFiles().first().toStdString();
    delete d.data();
    return result;
}

std::optional<std::string> QtHost::FileDialog(const FileDialogRequest& request) {
    QPointer<QFileDialog> d = new QFileDialog(ParentWidget(), Q(request.title));
    d->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = FileDialogFilters(request);
    if (!filters.isEmpty()) d->setNameFilters(filters);
    if (!request.defaultExtension.empty()) d->setDefaultSuffix(Q(request.defaultExtension));
    d->setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    if (!request.initialDir.empty()) d->setDirectory(Q(request.initialDir));
    if (!request.initialName.empty()) d->selectFile(Q(request.initialName));
    std::optional<std::string> result;
    if (d->exec() == QDialog::Accepted && d && !d->selectedFiles().isEmpty())
        result = d->selectedFiles().first().toStdString();
    delete d.data();
    return result;
}

bool QtHost::OpenWithAssociatedApp(const std::string& path) {
    if (path.empty()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

// --- Cursor, time ---

void QtHost::BeginWaitCursor() {
    ++waitCursorDepth_;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtHost::EndWaitCursor() {
    if (waitCursorDepth_ == 0) return;
    --waitCursorDepth_;
    QGuiApplication::restoreOverrideCursor();
}

void QtHost::Sleep(int milliseconds) {
    if (milliseconds <= 0) return;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        PumpPaintMessages();
        const qint64 left = milliseconds - timer.elapsed();
        if (left <= 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(left, 15)));
    }
}

std::tm QtHost::LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

}  // namespace qv

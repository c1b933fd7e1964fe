// The host on Qt 6 Widgets: dialog templates rendered into real windows, message boxes, the
// pumps, the wait cursor, pop-up menus, the folder browser and the file dialog.
//
// Message routing. Everything the user does to a rendered dialog (typing, clicks, focus moves,
// Escape, Enter, the close box, context menus, the window menu) reaches the dialog model as a
// message in the host's own queue, together with the notifications given to Post. The queue is
// delivered one message at a time from the running event loop (a modal dialog, a message box, a
// pop-up menu) and by PumpMessages/PumpOneMessage. No Qt event handler ever calls a handler of
// the program directly. That is what lets PumpPaintMessages (and the look-ahead of PeekMessage)
// run Qt's event processing for repainting while guaranteeing that no program handler runs:
// while they run, queue delivery is held back, user input is excluded, timers are excluded, and
// a close request only becomes a queued message.
#pragma once

#include <QFont>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/Host.h"
#include "ui/Dialog.h"

class QWidget;

namespace qv {

class CReportCtrl;
class DialogWindow;

// The dialog base units of a font: the average character width (cx) and the character height
// (cy) in pixels. A dialog unit is cx/4 pixels across and cy/8 pixels down.
struct DialogBaseUnits {
    int cx = 0;
    int cy = 0;
};

// The base units of a font, computed the way the original window system does it: the width of
// the 52 letters A-Z a-z divided by 52, rounded, and the font's line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Dialog units to pixels (each value multiplied and divided, rounded half away from zero).
int DialogXToPixels(const DialogBaseUnits& units, int x);
int DialogYToPixels(const DialogBaseUnits& units, int y);
QRect DialogRectToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);

// The file dialog's name filters in Qt's form "Description (*.a *.b)", one per request filter.
QStringList FileDialogFilters(const FileDialogRequest& request);

class QtHost : public Host {
public:
    // Creates the view of a list control: the widget that shows the CReportCtrl, made a child of
    // parent. onContextMenu(x, y) is to be called with the screen position when the user asks
    // for the list's context menu (right click or the context-menu key).
    using ListViewFactory = std::function<QWidget*(CReportCtrl& list, QWidget* parent,
                                                   std::function<void(int, int)> onContextMenu)>;

    // Needs a QApplication to exist.
    QtHost();
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // --- Configuration ---
    // The view made for list controls; the default is the report view of the list control.
    void SetListViewFactory(ListViewFactory factory);
    // The font of dialogs whose template names the standard dialog face ("MS Shell Dlg" and the
    // like); its size stands for the template's 8 points and scales with other sizes.
    void SetDialogFont(const QFont& font);
    const QFont& DialogFont() const { return dialogFont_; }
    // The font a template is rendered with.
    QFont FontFor(const DialogTemplate& tmpl) const;
    // After the next dialog window has been shown (and delayMs have passed), saves a picture of
    // it as a PNG file at path and ends that dialog with IDCANCEL. For documentation and tests.
    void SetScreenshotOnShow(const std::string& path, int delayMs = 300);
    // Where resizable windows keep the size and position the user leaves them with, between
    // sessions: load(key) gives the text saved under a window's key (empty: none), save(key,
    // text) keeps it. Without a store every window opens at its template's size.
    using PlacementLoad = std::function<std::string(const std::string& key)>;
    using PlacementSave = std::function<void(const std::string& key, const std::string& text)>;
    void SetPlacementStore(PlacementLoad load, PlacementSave save);
    // The program's icon, in the sizes from 16 to 256 pixels.
    static QIcon AppIcon();
    // The caption of message boxes given none.
    static constexpr const char* kDefaultCaption = "Quorvel";

    // --- Introspection (tests, and code that places its own windows) ---
    // The window a dialog is rendered into, or nullptr.
    DialogWindow* WindowOf(const Dialog& dialog) const;
    // The top-most shown dialog window, or nullptr.
    DialogWindow* TopWindow() const;
    // Messages waiting in the host's queue.
    size_t pending() const { return queue_.size(); }

    // Asks the program to quit: PeekMessage reports Close from now on, PumpOneMessage returns
    // false, and every running modal dialog returns -1 without ending through its handlers.
    // A QEvent::Quit sent to the application does the same.
    void RequestQuit();
    bool QuitRequested() const { return quitRequested_; }

    // Tests: behave as on a display with input of its own. Input may then always be pending,
    // and `arrive` runs where a full pump takes in the window system's input, so that input it
    // sends (a key press, say) arrives exactly where a real display's would. Empty: off.
    void SimulateWindowSystemInput(std::function<void()> arrive);

    // --- Host ---
    MsgResult MessageBox(MsgKind kind, const std::string& text,
                         const std::string& caption = {}) override;
    int RunModal(Dialog& dialog) override;
    void ShowModeless(Dialog& dialog) override;
    void DestroyModeless(Dialog& dialog) override;
    void PumpMessages() override;
    void PumpPaintMessages() override;
    bool PumpOneMessage() override;
    PendingMessage PeekMessage() override;
    void Post(std::function<void()> notification) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    int TrackPopupMenu(const std::vector<MenuEntry>& entries, int x, int y) override;
    std::optional<std::string> BrowseForFolder(const std::string& title,
                                               const std::string& initialDir) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
    bool OpenWithAssociatedApp(const std::string& path) override;
    int FrameMs() const override { return 16; }
    void Sleep(int milliseconds) override;
    std::tm LocalTime() override;

private:
    friend class DialogWindow;
    struct Message {
        PendingMessage kind;
        std::function<void()> run;
    };

    // Queues a message and makes sure the event loop will deliver it.
    void Enqueue(PendingMessage kind, std::function<void()> run);
    void EnsureWake();
    void OnWake();
    void RunOne();
    // Qt's event processing without input, timers or program handlers.
    void ProcessWithoutHandlers();
    QWidget* ParentWidget() const;
    void WindowShown(DialogWindow* window);
    void TakeScreenshot(QPointer<DialogWindow> window, const std::string& path);
    bool InputMayBePending() const;
    ListViewFactory ListFactory() const { return listFactory_; }

    class Agent;  // receives the wake-ups and watches the application for quit requests
    Agent* agent_ = nullptr;
    std::deque<Message> queue_;
    unsigned long messagesRun_ = 0;
    std::function<void()> inputArrival_;
    bool wakePending_ = false;
    int heldBack_ = 0;  // > 0 while queue delivery is held back
    bool quitRequested_ = false;
    int waitCursorDepth_ = 0;
    ListViewFactory listFactory_;
    PlacementLoad placementLoad_;
    PlacementSave placementSave_;
    QFont dialogFont_;
    std::vector<DialogWindow*> windows_;  // in creation order
    std::map<const Dialog*, DialogWindow*> modeless_;
    std::string screenshotPath_;
    int screenshotDelayMs_ = 0;
};

}  // namespace qv

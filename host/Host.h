// The platform: every operation the program needs from a window system, behind one interface.
// Two implementations exist: a headless one (tests and the batch program) and a Qt one (the
// desktop program). Nothing above this layer knows which one it runs on.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class Dialog;

// The four kinds of message box.
enum class MsgKind {
    Plain,     // OK, no icon
    Warning,   // OK, exclamation icon, brought to the foreground
    Error,     // OK, stop icon, brought to the foreground
    Question,  // Yes and No, question icon, brought to the foreground
};

// What the user answered. Plain, warning and error boxes always answer Ok.
enum class MsgResult { Ok, Yes, No };

// What the next pending message of the thread is, without removing it.
enum class PendingMessage {
    None,   // the queue is empty
    Close,  // a request to quit or to close or destroy a window
    Other,  // anything else (input, a posted notification)
};

// One entry of a pop-up menu. A command of 0 is a separator.
struct MenuEntry {
    int command = 0;
    std::string text;
};

// The file dialog's parameters (open or save, like the platform's common dialog).
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string initialDir;
    std::string initialName;
    std::string defaultExtension;  // without the dot, e.g. "csv"
    // Filters as pairs of a description and patterns separated by ';', e.g.
    // {"CSV Files (*.csv)", "*.csv"}.
    std::vector<std::pair<std::string, std::string>> filters;
    bool overwritePrompt = true;
};

class Host {
public:
    virtual ~Host() = default;

    // A modal message box; the caption is the program's name when empty.
    virtual MsgResult MessageBox(MsgKind kind, const std::string& text,
                                 const std::string& caption = {}) = 0;

    // Runs the dialog modally: creates its window, calls OnInitDialog, and returns the value given
    // to EndDialog once a handler ends it.
    virtual int RunModal(Dialog& dialog) = 0;
    // Creates the dialog's window modelessly (calling OnInitDialog) and returns at once.
    virtual void ShowModeless(Dialog& dialog) = 0;
    // Destroys a modeless dialog's window; nothing when it has none.
    virtual void DestroyModeless(Dialog& dialog) = 0;

    // Lets every pending message through (input, notifications, painting).
    virtual void PumpMessages() = 0;
    // Repaints what needs repainting; no input is handled and no handler of the program runs.
    virtual void PumpPaintMessages() = 0;
    // Lets exactly one pending message through (with the dialog keyboard handling). Returns
    // false when the application is quitting.
    virtual bool PumpOneMessage() = 0;
    // Looks at the next pending message without removing it.
    virtual PendingMessage PeekMessage() = 0;
    // Queues a notification that runs later, when a pump or the event loop reaches it; never from
    // inside this call.
    virtual void Post(std::function<void()> notification) = 0;

    // The wait cursor; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // A pop-up menu at screen position (x, y), tracked with the right button; returns the chosen
    // command, or 0 when the menu was dismissed.
    virtual int TrackPopupMenu(const std::vector<MenuEntry>& entries, int x, int y) = 0;

    // The folder browser; nothing when cancelled.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                       const std::string& initialDir) = 0;
    // The file dialog; the chosen path, nothing when cancelled.
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
    // Opens a file with the application associated with it; false when that fails.
    virtual bool OpenWithAssociatedApp(const std::string& path) = 0;

    // The shortest time in milliseconds between two repaints that a long loop on this thread
    // needs to allow (a screen shows no more frames than that); 0 when the loop may repaint at
    // every opportunity.
    virtual int FrameMs() const { return 0; }

    // Pauses the thread for a number of milliseconds.
    virtual void Sleep(int milliseconds) = 0;
    // The local time now.
    virtual std::tm LocalTime() = 0;
};

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    explicit WaitCursor(Host& host) : host_(host) { host_.BeginWaitCursor(); }
    ~WaitCursor() { host_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Host& host_;
};

}  // namespace qv

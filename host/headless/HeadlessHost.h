// The host without a window system. Message boxes are recorded and answered from a script,
// modal dialogs are driven by a callback registered per dialog, posted notifications wait in a
// queue that the pumps drain, and pauses cost no time. Tests and the batch program use it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Host.h"
#include "ui/Dialog.h"

namespace qv {

class HeadlessHost : public Host {
public:
    struct Box {
        MsgKind kind;
        std::string text;
        std::string caption;
    };
    // Drives a modal dialog after its OnInitDialog, like a user would; if it leaves the dialog
    // open, the posted queue is drained, and a dialog still open after that ends with IDCANCEL.
    using ModalDriver = std::function<void(Dialog&)>;

    HeadlessHost() = default;

    // --- Script ---
    // Answers for the next question boxes, in order; when none is left, questions answer
    // `defaultAnswer`.
    void QueueAnswer(MsgResult answer) { answers_.push_back(answer); }
    MsgResult defaultAnswer = MsgResult::Yes;
    // The driver for dialogs with this template id (replaces an earlier one).
    void OnModal(int templateId, ModalDriver driver) { drivers_[templateId] = std::move(driver); }
    // The driver for the next modal dialog of any id, used once; it goes before OnModal drivers.
    void OnNextModal(ModalDriver driver) { nextDrivers_.push_back(std::move(driver)); }
    // Answers for the pop-up menu, the folder browser and the file dialog, in order; when none
    // is left, they are dismissed (0 / nothing).
    void QueueMenuChoice(int command) { menuChoices_.push_back(command); }
    void QueueFolder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
    void QueueFile(std::optional<std::string> file) { files_.push_back(std::move(file)); }
    bool openSucceeds = true;
    // A fixed local time; the real one when unset.
    std::optional<std::tm> fixedTime;
    // Queues a request to close (as a quit or close message would be).
    void PostClose(std::function<void()> notification = {});

    // --- What happened ---
    std::vector<Box> boxes;
    std::vector<int> modalIds;          // template ids of the modal dialogs run, in order
    std::vector<int> modelessIds;       // template ids of the modeless dialogs shown
    std::vector<std::vector<MenuEntry>> menus;  // the pop-up menus shown
    std::vector<std::pair<int, int>> menuPositions;
    std::vector<std::string> opened;    // paths given to OpenWithAssociatedApp
    std::vector<FileDialogRequest> fileRequests;
    // The folder browser's title and starting folder, per call.
    std::vector<std::pair<std::string, std::string>> folderRequests;
    long long sleptMs = 0;
    int paintPumps = 0;  // PumpPaintMessages calls
    int waitCursorDepth() const { return waitDepth_; }
    int waitCursorMaxDepth() const { return waitMaxDepth_; }
    size_t pending() const { return queue_.size(); }
    void ClearBoxes() { boxes.clear(); }

    // --- Host ---
    MsgResult MessageBox(MsgKind kind, const std::string& text,
                         const std::string& caption = {}) override;
    int RunModal(Dialog& dialog) override;
    void ShowModeless(Dialog& dialog) override;
    void DestroyModeless(Dialog& dialog) override;
    void PumpMessages() override;
    void PumpPaintMessages() override { ++paintPumps; }
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
    void Sleep(int milliseconds) override { sleptMs += milliseconds; }
    std::tm LocalTime() override;

private:
    struct Message {
        PendingMessage kind;
        std::function<void()> run;
    };
    std::deque<Message> queue_;
    std::deque<MsgResult> answers_;
    std::map<int, ModalDriver> drivers_;
    std::deque<ModalDriver> nextDrivers_;
    std::deque<int> menuChoices_;
    std::deque<std::optional<std::string>> folders_;
    std::deque<std::optional<std::string>> files_;
    int waitDepth_ = 0;
    int waitMaxDepth_ = 0;
};

}  // namespace qv

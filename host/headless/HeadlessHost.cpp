#include "host/headless/HeadlessHost.h"

#include <ctime>

namespace qv {

MsgResult HeadlessHost::MessageBox(MsgKind kind, const std::string& text,
                                   const std::string& caption) {
    boxes.push_back({kind, text, caption});
    if (kind != MsgKind::Question) return MsgResult::Ok;
    if (answers_.empty()) return defaultAnswer;
    MsgResult r = answers_.front();
    answers_.pop_front();
    return r;
}

int HeadlessHost::RunModal(Dialog& dialog) {
    modalIds.push_back(dialog.Template().id);
    dialog.AttachView(nullptr);
    dialog.Initialize();
    if (!dialog.IsEnded()) {
        ModalDriver driver;
        if (!nextDrivers_.empty()) {
            driver = std::move(nextDrivers_.front());
            nextDrivers_.pop_front();
        } else if (auto it = drivers_.find(dialog.Template().id); it != drivers_.end()) {
            driver = it->second;
        }
        if (driver) driver(dialog);
    }
    while (!dialog.IsEnded() && !queue_.empty()) PumpOneMessage();
    if (!dialog.IsEnded()) dialog.EndDialog(IDCANCEL);
    dialog.DetachView();
    return dialog.Result();
}

void HeadlessHost::ShowModeless(Dialog& dialog) {
    modelessIds.push_back(dialog.Template().id);
    dialog.AttachView(nullptr);
    dialog.Initialize();
}

void HeadlessHost::DestroyModeless(Dialog& dialog) { dialog.DetachView(); }

void HeadlessHost::PumpMessages() {
    while (!queue_.empty()) PumpOneMessage();
}

bool HeadlessHost::PumpOneMessage() {
    if (queue_.empty()) return true;
    Message m = std::move(queue_.front());
    queue_.pop_front();
    if (m.run) m.run();
    return m.kind != PendingMessage::Close;
}

PendingMessage HeadlessHost::PeekMessage() {
    return queue_.empty() ? PendingMessage::None : queue_.front().kind;
}

void HeadlessHost::Post(std::function<void()> notification) {
    queue_.push_back({PendingMessage::Other, std::move(notification)});
}

void HeadlessHost::PostClose(std::function<void()> notification) {
    queue_.push_back({PendingMessage::Close, std::move(notification)});
}

void HeadlessHost::BeginWaitCursor() {
    ++waitDepth_;
    if (waitDepth_ > waitMaxDepth_) waitMaxDepth_ = waitDepth_;
}

void HeadlessHost::EndWaitCursor() {
    if (waitDepth_ > 0) --waitDepth_;
}

int HeadlessHost::TrackPopupMenu(const std::vector<MenuEntry>& entries, int x, int y) {
    menus.push_back(entries);
    menuPositions.emplace_back(x, y);
    if (menuChoices_.empty()) return 0;
    int c = menuChoices_.front();
    menuChoices_.pop_front();
    return c;
}

std::optional<std::string> HeadlessHost::BrowseForFolder(const std::string& title,
                                                         const std::string& initialDir) {
    folderRequests.emplace_back(title, initialDir);
    if (folders_.empty()) return std::nullopt;
    auto f = std::move(folders_.front());
    folders_.pop_front();
    return f;
}

std::optional<std::string> HeadlessHost::FileDialog(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (files_.empty()) return std::nullopt;
    auto f = std::move(files_.front());
    files_.pop_front();
    return f;
}

bool HeadlessHost::OpenWithAssociatedApp(const std::string& path) {
    opened.push_back(path);
    return openSucceeds;
}

std::tm HeadlessHost::LocalTime() {
    if (fixedTime) return *fixedTime;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

}  // namespace qv

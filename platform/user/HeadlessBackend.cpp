// The headless backend: modal user interface answered from the test's answers, and the loop's sleep and wake.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>

#include "platform/user/Headless.h"
#include "platform/user/UserInternal.h"

namespace platform::headless {
namespace {
struct Answers {
    std::deque<std::function<int(const MessageBoxCall&)>> boxes;
    std::vector<MessageBoxCall> log;
    std::vector<std::string> notices;
    std::map<std::string, std::deque<std::function<void(HWND)>>> dialogs;
    std::deque<FileDialogAnswer> files;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<UINT> menus;
    bool trayHost = false;
    std::vector<TrayIconRequest> trayIcons;
};

Answers& TheAnswers()
{
    static Answers answers;
    return answers;
}

std::function<void(HWND)> TakeDialogScript(LPCSTR name)
{
    auto& d = TheAnswers().dialogs;
    auto it = d.find(ResourceKey(name));
    if (it == d.end() || it->second.empty()) {
        return {};
    }
    auto script = std::move(it->second.front());
    it->second.pop_front();
    return script;
}

const char* DialogName(FileDialogKind kind)
{
    switch (kind) {
    case FileDialogKind::Open:
        return "open file";
    case FileDialogKind::Save:
        return "save file";
    case FileDialogKind::Folder:
        return "folder";
    }
    return "file";
}
}

void AnswerMessageBox(int result)
{
    TheAnswers().boxes.push_back([result](const MessageBoxCall&) { return result; });
}

void AnswerMessageBox(std::function<int(const MessageBoxCall&)> answer) { TheAnswers().boxes.push_back(std::move(answer)); }

const std::vector<MessageBoxCall>& MessageBoxes() { return TheAnswers().log; }
const std::vector<std::string>& Notices() { return TheAnswers().notices; }

void AnswerDialog(int templateId, std::function<void(HWND)> script)
{
    TheAnswers().dialogs[ResourceKey(MAKEINTRESOURCEA(templateId))].push_back(std::move(script));
}

void AnswerDialog(const std::string& templateName, std::function<void(HWND)> script)
{
    TheAnswers().dialogs[ResourceKey(templateName.c_str())].push_back(std::move(script));
}

void AnswerFileDialog(const FileDialogAnswer& answer) { TheAnswers().files.push_back(answer); }

const std::vector<FileDialogRequest>& FileDialogRequests() { return TheAnswers().fileRequests; }

void AnswerPopupMenu(UINT command) { TheAnswers().menus.push_back(command); }

HeadlessBackend& DefaultBackend()
{
    static HeadlessBackend backend;
    return backend;
}

int HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request)
{
    // The box is modal: what is queued runs while it waits for the user.
    RunUntilIdle();
    Answers& a = TheAnswers();
    MessageBoxCall call{request, 0};
    if (!a.boxes.empty()) {
        auto answer = std::move(a.boxes.front());
        a.boxes.pop_front();
        call.result = answer(call);
    } else {
        std::fprintf(stderr, "%s: %s\n", call.caption.c_str(), call.text.c_str());
        call.result = DefaultMessageBoxButton(call.type);
    }
    a.log.push_back(call);
    return call.result;
}

void HeadlessBackend::Notice(const std::string& caption, const std::string& text)
{
    const std::string line = caption + ": " + text;
    std::fprintf(stderr, "%s\n", line.c_str());
    TheAnswers().notices.push_back(line);
}

std::optional<FileDialogResult> HeadlessBackend::ChooseFile(const FileDialogRequest& request)
{
    // The dialog is modal: what is queued runs while it is up.
    RunUntilIdle();
    TheAnswers().fileRequests.push_back(request);
    auto& files = TheAnswers().files;
    if (files.empty()) {
        std::fprintf(stderr, "%s dialog without an answer: cancelled\n", DialogName(request.kind));
        return std::nullopt;
    }
    const FileDialogAnswer answer = files.front();
    files.pop_front();
    if (!answer.path) {
        return std::nullopt;
    }
    return FileDialogResult{*answer.path, answer.readOnly};
}

UINT HeadlessBackend::TrackPopupMenu(HMENU, HWND, POINT)
{
    auto& m = TheAnswers().menus;
    if (m.empty()) {
        return 0;
    }
    const UINT c = m.front();
    m.pop_front();
    return c;
}

void HeadlessBackend::BeginModal(HWND window, LPCSTR name)
{
    auto script = TakeDialogScript(name);
    if (window) {
        scripts_[window] = std::move(script);
    }
}

void HeadlessBackend::ModalReady(HWND window)
{
    auto it = scripts_.find(window);
    if (it == scripts_.end()) {
        return;
    }
    auto script = std::move(it->second);
    scripts_.erase(it);
    if (script) {
        script(window);
    }
}

bool HeadlessBackend::ModalIdle(HWND) { return false; }

void HeadlessBackend::EndModal(HWND window) { scripts_.erase(window); }

void HeadlessBackend::WaitForEvents(std::optional<std::uint64_t> timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs) {
        wake_.wait_for(lock, std::chrono::milliseconds(*timeoutMs), [this] { return woken_; });
    } else {
        wake_.wait(lock, [this] { return woken_; });
    }
    woken_ = false;
}

void HeadlessBackend::Wake()
{
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}
}

namespace platform::headless {
namespace {
std::vector<TrayIconRequest>::iterator FindTray(HWND owner, UINT id)
{
    auto& icons = TheAnswers().trayIcons;
    return std::find_if(icons.begin(), icons.end(),
                        [&](const TrayIconRequest& r) { return r.owner == owner && r.id == id; });
}
}

bool HeadlessBackend::ShowTrayIcon(const TrayIconRequest& request)
{
    if (!TheAnswers().trayHost) {
        return false;
    }
    auto it = FindTray(request.owner, request.id);
    if (it == TheAnswers().trayIcons.end()) {
        TheAnswers().trayIcons.push_back(request);
    } else {
        const std::string tip = request.tip.empty() ? it->tip : request.tip;
        *it = request;
        it->tip = tip;
    }
    return true;
}

void HeadlessBackend::RemoveTrayIcon(HWND owner, UINT id)
{
    auto it = FindTray(owner, id);
    if (it != TheAnswers().trayIcons.end()) {
        TheAnswers().trayIcons.erase(it);
    }
}

void SetTrayHost(bool present)
{
    TheAnswers().trayHost = present;
    if (!present) {
        TheAnswers().trayIcons.clear();
    }
}

std::optional<TrayIconRequest> ShownTrayIcon(HWND owner, UINT id)
{
    auto it = FindTray(owner, id);
    if (it == TheAnswers().trayIcons.end()) {
        return std::nullopt;
    }
    return *it;
}

void ClickTrayIcon(HWND owner, UINT id, UINT mouseMessage)
{
    auto it = FindTray(owner, id);
    if (it != TheAnswers().trayIcons.end() && it->callbackMessage) {
        PostMessage(owner, it->callbackMessage, id, static_cast<LPARAM>(mouseMessage));
    }
    RunUntilIdle();
}
}

namespace platform::user_detail {
void ClearAnswers()
{
    auto& a = headless::TheAnswers();
    a.trayHost = false;
    a.trayIcons.clear();
    a.boxes.clear();
    a.log.clear();
    a.notices.clear();
    a.dialogs.clear();
    a.files.clear();
    a.fileRequests.clear();
    a.menus.clear();
}
}

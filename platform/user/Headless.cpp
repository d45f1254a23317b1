#include "platform/user/Headless.h"

#include <cstdio>
#include <deque>
#include <map>

#include "platform/kernel/Clock.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace platform::headless {
namespace {
struct Answers {
    std::deque<std::function<int(const MessageBoxCall&)>> boxes;
    std::vector<MessageBoxCall> log;
    std::map<std::string, std::deque<std::function<void(HWND)>>> dialogs;
    std::deque<FileDialogAnswer> files;
    std::deque<UINT> menus;
};

Answers& TheAnswers()
{
    static Answers answers;
    return answers;
}

std::string DialogKey(LPCSTR name)
{
    if (IS_INTRESOURCE(name)) {
        return std::string("#").append(std::to_string(reinterpret_cast<std::uintptr_t>(name)));
    }
    std::string s = name;
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return s;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

void PostMouse(HWND target, UINT msg, int x, int y) { PostMessage(target, msg, 0, Point(x, y)); }

// Statics without SS_NOTIFY and group boxes are transparent to the mouse.
bool Transparent(const WindowRecord& r)
{
    if (r.className == WC_STATIC) {
        return !(r.style & SS_NOTIFY);
    }
    return r.className == WC_BUTTON && (r.style & BS_TYPEMASK) == BS_GROUPBOX;
}
}

void Reset()
{
    platform::ClearMessageQueue();
    platform::user_detail::ResetWindows();
    platform::user_detail::ResetTimers();
    platform::ClearMessageQueue();
    Answers& a = TheAnswers();
    a.boxes.clear();
    a.log.clear();
    a.dialogs.clear();
    a.files.clear();
    a.menus.clear();
    platform::SetPreTranslateHook(nullptr);
    platform::ResetClipboard();
}

void AnswerMessageBox(int result)
{
    TheAnswers().boxes.push_back([result](const MessageBoxCall&) { return result; });
}

void AnswerMessageBox(std::function<int(const MessageBoxCall&)> answer) { TheAnswers().boxes.push_back(std::move(answer)); }

const std::vector<MessageBoxCall>& MessageBoxes() { return TheAnswers().log; }

void AnswerDialog(int templateId, std::function<void(HWND)> script)
{
    TheAnswers().dialogs[DialogKey(MAKEINTRESOURCEA(templateId))].push_back(std::move(script));
}

void AnswerDialog(const std::string& templateName, std::function<void(HWND)> script)
{
    TheAnswers().dialogs[DialogKey(templateName.c_str())].push_back(std::move(script));
}

std::function<void(HWND)> TakeDialogScript(LPCSTR templateName)
{
    auto& d = TheAnswers().dialogs;
    auto it = d.find(DialogKey(templateName));
    if (it == d.end() || it->second.empty()) {
        return {};
    }
    auto script = std::move(it->second.front());
    it->second.pop_front();
    return script;
}

void AnswerFileDialog(const FileDialogAnswer& answer) { TheAnswers().files.push_back(answer); }

std::optional<FileDialogAnswer> TakeFileDialogAnswer()
{
    auto& f = TheAnswers().files;
    if (f.empty()) {
        return std::nullopt;
    }
    FileDialogAnswer a = f.front();
    f.pop_front();
    return a;
}

void AnswerPopupMenu(UINT command) { TheAnswers().menus.push_back(command); }

UINT TakePopupMenuAnswer(HMENU)
{
    auto& m = TheAnswers().menus;
    if (m.empty()) {
        return 0;
    }
    const UINT c = m.front();
    m.pop_front();
    return c;
}

int RunUntilIdle()
{
    int count = 0;
    MSG msg;
    // A bound, so a message that re-posts itself forever cannot hang a test.
    while (count < 10'000'000 && PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) {
            break;
        }
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            break;
        }
        platform::ProcessMessage(&msg);
        ++count;
    }
    return count;
}

void Advance(std::uint64_t milliseconds)
{
    const std::uint64_t target = platform::NowMilliseconds() + milliseconds;
    RunUntilIdle();
    for (;;) {
        const std::uint64_t now = platform::NowMilliseconds();
        const auto due = platform::user_detail::NextTimerDue();
        if (due && *due <= target && *due > now) {
            platform::AdvanceClock(*due - now);
        } else if (now < target && (!due || *due > target)) {
            platform::AdvanceClock(target - now);
            RunUntilIdle();
            return;
        } else if (now >= target) {
            RunUntilIdle();
            return;
        }
        RunUntilIdle();
        if (!platform::IsManualClock()) {
            return;
        }
    }
}

void Click(HWND control)
{
    RECT rc{};
    GetClientRect(control, &rc);
    PostMouse(control, WM_LBUTTONDOWN, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    RunUntilIdle();
}

void DoubleClick(HWND control)
{
    RECT rc{};
    GetClientRect(control, &rc);
    PostMouse(control, WM_LBUTTONDOWN, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONDBLCLK, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    RunUntilIdle();
}

void ClickAt(HWND window, POINT point, bool doubleClick)
{
    HWND target = window;
    POINT p = point;
    for (;;) {
        WindowRecord* r = FindWindowRecord(target);
        if (!r) {
            return;
        }
        HWND found = nullptr;
        for (HWND c : r->children) {
            WindowRecord* cr = FindWindowRecord(c);
            if (cr && cr->visible && !Transparent(*cr) && p.x >= cr->rect.left && p.x < cr->rect.right &&
                p.y >= cr->rect.top && p.y < cr->rect.bottom) {
                found = c;
                break;
            }
        }
        if (!found) {
            break;
        }
        WindowRecord* cr = FindWindowRecord(found);
        p.x -= cr->rect.left;
        p.y -= cr->rect.top;
        target = found;
    }
    // A window that holds the capture gets the mouse, wherever the click lands.
    if (HWND capture = GetCapture(); capture && capture != target) {
        POINT screen = p;
        ClientToScreen(target, &screen);
        ScreenToClient(capture, &screen);
        target = capture;
        p = screen;
    }
    if (!IsWindowEnabled(target)) {
        return;
    }
    PostMouse(target, WM_LBUTTONDOWN, p.x, p.y);
    PostMouse(target, WM_LBUTTONUP, p.x, p.y);
    if (doubleClick) {
        PostMouse(target, WM_LBUTTONDBLCLK, p.x, p.y);
        PostMouse(target, WM_LBUTTONUP, p.x, p.y);
    }
    RunUntilIdle();
}

void Key(UINT vk, std::vector<UINT> modifiers)
{
    bool alt = false;
    for (UINT m : modifiers) {
        platform::SetKeyDown(static_cast<int>(m), true);
        alt = alt || m == VK_MENU;
    }
    HWND target = GetFocus();
    if (!target) {
        target = GetActiveWindow();
    }
    platform::SetKeyDown(static_cast<int>(vk), true);
    PostMessage(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1 << 29) : 0);
    RunUntilIdle();
    platform::SetKeyDown(static_cast<int>(vk), false);
    PostMessage(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, alt ? (1 << 29) : 0);
    RunUntilIdle();
    for (UINT m : modifiers) {
        platform::SetKeyDown(static_cast<int>(m), false);
    }
}

void Type(HWND window, const std::string& text)
{
    HWND target = window ? window : GetFocus();
    for (char c : text) {
        PostMessage(target, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    RunUntilIdle();
}

void Choose(HWND listOrCombo, int index)
{
    PostMessage(listOrCombo, UM_INPUT_CHOOSE, static_cast<WPARAM>(index), 0);
    RunUntilIdle();
}

void Drag(HWND trackbar, int position)
{
    PostMessage(trackbar, UM_INPUT_DRAG, static_cast<WPARAM>(static_cast<std::intptr_t>(position)), 0);
    RunUntilIdle();
}

void Step(HWND upDown, bool up)
{
    PostMessage(upDown, UM_INPUT_STEP, up ? 1 : 0, 0);
    RunUntilIdle();
}

std::string Text(HWND window)
{
    const int n = GetWindowTextLengthA(window);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    GetWindowTextA(window, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

int Check(HWND button) { return static_cast<int>(SendMessage(button, BM_GETCHECK, 0, 0)); }
}

namespace platform::user_detail {
int AnswerMessageBox(platform::headless::MessageBoxCall& call)
{
    auto& a = platform::headless::TheAnswers();
    if (!a.boxes.empty()) {
        auto answer = std::move(a.boxes.front());
        a.boxes.pop_front();
        call.result = answer(call);
    } else {
        std::fprintf(stderr, "%s: %s\n", call.caption.c_str(), call.text.c_str());
        call.result = DefaultButton(call.type);
    }
    a.log.push_back(call);
    return call.result;
}
}

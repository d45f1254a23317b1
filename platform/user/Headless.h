#pragma once
// The headless backend's test interface: answers for modal user interface
// (message boxes, dialogs, file dialogs, pop-up menus), input delivered as the
// messages a user's actions produce, the loop run until idle, and the clock.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/Menus.h"

namespace platform::headless {
struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    int result;
};

// Forgets every window, timer, queued message and answer (tests start clean).
void Reset();

// Each answer serves one message box, in order. A function answer may run the
// loop or move the clock first, as a user who waits before clicking.
void AnswerMessageBox(int result);
void AnswerMessageBox(std::function<int(const MessageBoxCall&)> answer);
// Every message box shown since Reset, with the result it returned.
const std::vector<MessageBoxCall>& MessageBoxes();

// A script run once when the dialog with this template (number or name) has
// been set up; it acts as the user (click OK, type ...). A modal dialog that is
// still open when its script returns and the loop is idle is cancelled.
void AnswerDialog(int templateId, std::function<void(HWND dialog)> script);
void AnswerDialog(const std::string& templateName, std::function<void(HWND dialog)> script);
// Used by the dialog layer.
std::function<void(HWND)> TakeDialogScript(LPCSTR templateName);

struct FileDialogAnswer {
    std::optional<std::string> path;  // none: the user cancelled
    bool readOnly = false;            // the read-only box was ticked
};
void AnswerFileDialog(const FileDialogAnswer& answer);
std::optional<FileDialogAnswer> TakeFileDialogAnswer();

// The command chosen from the next pop-up menu (0: dismissed).
void AnswerPopupMenu(UINT command);
UINT TakePopupMenuAnswer(HMENU menu);

// Dispatches everything waiting (posted messages, paints, due timers) until
// nothing is left or WM_QUIT comes, which stays queued. Returns the number dispatched.
int RunUntilIdle();
// Moves the manual clock forward step by step to each timer that falls due,
// running the loop at each step, so periodic timers fire once per period.
void Advance(std::uint64_t milliseconds);

// Input, delivered through the queue and run until idle.
void Click(HWND control);
void DoubleClick(HWND control);
// A click at a client point of a window: it reaches the child under the point
// (statics and group boxes let it through to their parent).
void ClickAt(HWND window, POINT point, bool doubleClick = false);
// The mouse moves to a client point of a window: the child under it gets
// WM_MOUSEMOVE, a window tracking a leave that the mouse left gets WM_MOUSELEAVE.
// A null window moves the mouse off every window of ours.
void MoveMouse(HWND window, POINT point);
// The left button goes down, or up, at a client point (a press held across Advance).
void PressAt(HWND window, POINT point);
void ReleaseAt(HWND window, POINT point);
// A key press with modifiers (VK_SHIFT, VK_CONTROL, VK_MENU held while it is handled).
void Key(UINT vk, std::vector<UINT> modifiers = {});
// Characters typed into the window (the focus window when null).
void Type(HWND window, const std::string& text);
void Choose(HWND listOrCombo, int index);
void Drag(HWND trackbar, int position);
void Step(HWND upDown, bool up);

// Reads a control's state.
std::string Text(HWND window);
int Check(HWND button);
}

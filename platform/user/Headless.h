#pragma once
// The headless backend and its test interface: answers for modal user interface
// (message boxes, dialogs, file dialogs, pop-up menus), input delivered as the
// messages a user's actions produce, the loop run until idle, and the clock.
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/Backend.h"
#include "platform/user/Menus.h"

namespace platform::headless {
// The default backend: shows nothing, answers modal user interface from the
// answers below (or takes the default), and sleeps on a condition variable when
// the loop waits. A test backend derives from it to watch the notifications.
class HeadlessBackend : public Backend {
public:
    int ShowMessageBox(const MessageBoxRequest& request) override;
    void Notice(const std::string& caption, const std::string& text) override;
    std::optional<FileDialogResult> ChooseFile(const FileDialogRequest& request) override;
    UINT TrackPopupMenu(HMENU menu, HWND owner, POINT at) override;
    void BeginModal(HWND window, LPCSTR name) override;
    void ModalReady(HWND window) override;
    // No user will come once the queue is idle: the window is cancelled.
    bool ModalIdle(HWND window) override;
    void EndModal(HWND window) override;
    void WaitForEvents(std::optional<std::uint64_t> timeoutMs) override;
    void Wake() override;
    // Shown only while a test has installed a tray host (SetTrayHost).
    bool ShowTrayIcon(const TrayIconRequest& request) override;
    void RemoveTrayIcon(HWND owner, UINT id) override;

private:
    std::map<HWND, std::function<void(HWND)>> scripts_;  // modal windows waiting for ModalReady
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};
// The one that serves when no other is installed.
HeadlessBackend& DefaultBackend();

struct MessageBoxCall : MessageBoxRequest {
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

// Every notice given since Reset, as "caption: text".
const std::vector<std::string>& Notices();

// A script run once when the dialog with this template (number or name) has
// been set up; it acts as the user (click OK, type ...). A modal dialog that is
// still open when its script returns and the loop is idle is cancelled.
void AnswerDialog(int templateId, std::function<void(HWND dialog)> script);
void AnswerDialog(const std::string& templateName, std::function<void(HWND dialog)> script);

struct FileDialogAnswer {
    std::optional<std::string> path;  // none: the user cancelled
    bool readOnly = false;            // the read-only box was ticked
};
// Serves one open, save or folder dialog (for a folder dialog, path is the folder).
void AnswerFileDialog(const FileDialogAnswer& answer);
// What each open, save or folder dialog was asked with, oldest first (title, first folder ...).
const std::vector<FileDialogRequest>& FileDialogRequests();

// The command chosen from the next pop-up menu (0: dismissed).
void AnswerPopupMenu(UINT command);

// A notification area for the tray icons (none after Reset); taking it away
// removes the icons shown.
void SetTrayHost(bool present);
// The icon of (owner, id) as shown, or none.
std::optional<TrayIconRequest> ShownTrayIcon(HWND owner, UINT id);
// A mouse message (WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP) on a shown icon,
// delivered as the icon's callback message and run until idle.
void ClickTrayIcon(HWND owner, UINT id, UINT mouseMessage);

// Dispatches everything waiting (posted messages, paints, due timers) until
// nothing is left or WM_QUIT comes, which stays queued. Returns the number dispatched.
int RunUntilIdle();
// Moves the manual clock forward step by step to each timer that falls due,
// running the loop at each step, so periodic timers fire once per period; a
// pending quit ends it early, as it ends the loop that would run them.
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
// A right click at a client point (the window under it asks for its context menu).
void RightClickAt(HWND window, POINT point);
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
// WM_PAINT messages the window has handled.
unsigned PaintCount(HWND window);
// Whether the window waits for WM_PAINT (it was invalidated and has not painted since).
bool PaintPending(HWND window);
}

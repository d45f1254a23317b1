#pragma once
// Links between the parts of the window layer (not for use outside platform/user).
#include <optional>

#include "platform/user/Window.h"

namespace platform::user_detail {
// A window (hwnd itself, or any for null) that waits for WM_PAINT, or null;
// taking it clears its request.
HWND PaintRequest(HWND filter, bool take);
void KillWindowTimers(HWND hwnd);
void DestroyWindowMenus(HWND hwnd, HANDLE menuBar);
void ForgetWindowSurface(HWND hwnd);
// The earliest time (layer clock) at which a timer falls due.
std::optional<std::uint64_t> NextTimerDue();
void RegisterStandardControls();
// Message-box, dialog and file-dialog answers are cleared with the windows.
void ResetWindows();
void ResetTimers();
}

namespace platform::user_detail {
// Sends WM_COMMAND (id, code) from a control to its parent.
void NotifyParent(HWND control, UINT code);
// Edit-text editing shared by edits and combo boxes with an edit part.
// Inserts at the selection, keeping the text limit; false when nothing fits.
bool EditInsert(WindowRecord& r, const std::string& text);
bool EditBackspace(WindowRecord& r);
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListProc(HWND, UINT, WPARAM, LPARAM);
LRESULT UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TrackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ProgressProc(HWND, UINT, WPARAM, LPARAM);
LRESULT HotKeyProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TooltipProc(HWND, UINT, WPARAM, LPARAM);
}

namespace platform::headless {
struct MessageBoxCall;
}
namespace platform::user_detail {
int DefaultButton(UINT type);
// The installed answer, or the default button with the text on standard error; logs the call.
int AnswerMessageBox(platform::headless::MessageBoxCall& call);
}

// The hold of other windows' messages during a copy on the GUI thread.
#include "platform/user/MessageHold.h"

#include "platform/user/Dialogs.h"
#include "platform/user/Window.h"

namespace platform {
MessageHold::MessageHold(HWND keep) : keep_(keep) {}

MessageHold::~MessageHold()
{
    // What came in since the last pump goes back too, behind what was held,
    // so the queue keeps the order in which everything arrived.
    Drain(false);
    for (const MSG& m : held_) {
        PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
    }
    if (quit_) {
        PostQuitMessage(quitCode_);
    }
}

void MessageHold::Pump() { Drain(true); }

bool MessageHold::ForKept(HWND hwnd) const
{
    if (!keep_ || !hwnd || !IsWindow(keep_)) {
        return false;
    }
    for (HWND w = hwnd; w; w = GetParent(w)) {
        if (w == keep_) {
            return true;
        }
    }
    return false;
}

bool MessageHold::Hold(const MSG& msg)
{
    // A timer that fell due again while held fires once afterwards, as a
    // queue coalesces timer messages.
    if (msg.message == WM_TIMER) {
        for (const MSG& m : held_) {
            if (m.message == WM_TIMER && m.hwnd == msg.hwnd && m.wParam == msg.wParam && m.lParam == msg.lParam) {
                return false;
            }
        }
    }
    held_.push_back(msg);
    return true;
}

void MessageHold::Drain(bool serveKept)
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_ = true;
            quitCode_ = static_cast<int>(msg.wParam);
        } else if (msg.message == WM_PAINT) {
            DispatchMessage(&msg);
        } else if (serveKept && msg.message != WM_TIMER && ForKept(msg.hwnd)) {
            // The copy window's keys are its own: no accelerator of the window
            // behind it may turn them into that window's commands.
            if (!IsDialogMessageA(keep_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        } else if (!Hold(msg)) {
            // Timers come last in the queue: a repeat means nothing else waits.
            break;
        }
    }
}
}

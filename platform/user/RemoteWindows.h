#pragma once
// Windows of other processes as the window functions see them: handles with
// bit 31 set stand for them, and the functions below hand such a handle to the
// one implementation installed (platform/ipc), which reaches the other process.
#include "platform/user/Messages.h"

namespace platform {
class RemoteWindows {
public:
    virtual ~RemoteWindows() = default;
    // Each returns what the window function returns; a handle that is unknown,
    // stale or of another user gives FALSE (null), as a destroyed window would.
    virtual BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL Show(HWND window, int command) = 0;
    virtual BOOL IsAlive(HWND window) = 0;
    virtual BOOL IsVisible(HWND window) = 0;
    virtual BOOL IsMinimized(HWND window) = 0;
    virtual BOOL SetForeground(HWND window) = 0;
    // Brings the other process's last active pop-up of the window to the top.
    virtual BOOL BringToTop(HWND window) = 0;
};

// Local handles never have bit 31 set (platform/user/Window.cpp makes them).
inline bool IsRemoteHandle(HWND hwnd)
{
    return (reinterpret_cast<std::uintptr_t>(hwnd) >> 31) == 1;
}
inline HWND MakeRemoteHandle(std::uint32_t index)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x80000000u | (index & 0x7FFFFFFFu)));
}
inline std::uint32_t RemoteHandleIndex(HWND hwnd)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd) & 0x7FFFFFFFu);
}

// Installed once, before any remote handle exists; null: remote handles are dead.
void InstallRemoteWindows(RemoteWindows* remote);
RemoteWindows* CurrentRemoteWindows();

// A message posted without a window (hwnd null) other than WM_QUIT goes to
// this hook when it is dispatched, on the GUI thread and in queue order.
using ThreadMessageHook = void (*)(const MSG&);
void SetThreadMessageHook(ThreadMessageHook hook);
}

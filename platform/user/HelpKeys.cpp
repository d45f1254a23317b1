// The keys that ask for help: F1 sends WM_HELP for the focus window, Shift+F10
// and the context-menu key send WM_CONTEXTMENU from the keyboard.
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace platform::user_detail {
bool HelpKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) {
        return false;
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
    if (!target) {
        target = msg.hwnd;
    }
    if (!IsWindow(target)) {
        return false;
    }
    if (msg.wParam == VK_F1 && !shift && !ctrl && !alt) {
        HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, GetDlgCtrlID(target), target, 0, POINT{0, 0}};
        GetCursorPos(&info.MousePos);
        SendMessage(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return true;
    }
    if ((msg.wParam == VK_F10 && shift && !ctrl && !alt) || msg.wParam == VK_APPS) {
        // (-1, -1): the menu belongs where the focus is, not under the mouse.
        SendMessage(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), MAKELPARAM(-1, -1));
        return true;
    }
    return false;
}
}

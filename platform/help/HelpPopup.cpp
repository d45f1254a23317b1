// The help popup window: the text on the requested background inside a thin frame.
#include "platform/help/HelpPopup.h"

#include <algorithm>

#include "platform/user/WindowDC.h"

namespace platform::help_detail {
namespace {
constexpr const char* kClass = "TapvoxHelpPopup";

struct Popup {
    HWND hwnd = nullptr;
    HWND previousFocus = nullptr;
    COLORREF foreground = 0;
    COLORREF background = 0;
    RECT margins{};
};
Popup g_popup;

// Popups wrap their text at this width, as a tooltip would.
constexpr int kTextWidth = 320;
constexpr UINT kTextFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

void Paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    HBRUSH back = CreateSolidBrush(g_popup.background);
    FillRect(dc, &rc, back);
    DeleteObject(reinterpret_cast<HGDIOBJ>(back));
    HBRUSH frame = CreateSolidBrush(g_popup.foreground);
    FrameRect(dc, &rc, frame);
    DeleteObject(reinterpret_cast<HGDIOBJ>(frame));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, g_popup.foreground);
    char text[4096];
    GetWindowTextA(hwnd, text, sizeof text);
    RECT box{g_popup.margins.left + 1, g_popup.margins.top + 1, rc.right - g_popup.margins.right - 1,
             rc.bottom - g_popup.margins.bottom - 1};
    DrawTextA(dc, text, -1, &box, kTextFormat);
    EndPaint(hwnd, &ps);
}

void Close(HWND hwnd)
{
    if (hwnd == g_popup.hwnd) {
        DestroyWindow(hwnd);
    }
}

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Close(hwnd);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != hwnd) {
            Close(hwnd);
        }
        return 0;
    case WM_DESTROY:
        if (hwnd == g_popup.hwnd) {
            const HWND focus = g_popup.previousFocus;
            g_popup = Popup{};
            if (IsWindow(focus)) {
                SetFocus(focus);
            }
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

bool RegisterPopupClass()
{
    WNDCLASSA wc{};
    if (GetClassInfoA(nullptr, kClass, &wc)) {
        return true;
    }
    wc.lpfnWndProc = PopupProc;
    wc.lpszClassName = kClass;
    return RegisterClassA(&wc) != 0;
}
}

HWND ShowPopup(HWND owner, const std::string& text, POINT at, COLORREF foreground, COLORREF background,
               const RECT& margins)
{
    if (g_popup.hwnd) {
        DestroyWindow(g_popup.hwnd);
    }
    if (!RegisterPopupClass()) {
        return nullptr;
    }
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kClass, text.c_str(), WS_POPUP | WS_BORDER, at.x, at.y, 1, 1, owner,
                                nullptr, nullptr, nullptr);
    if (!hwnd) {
        return nullptr;
    }
    g_popup.hwnd = hwnd;
    g_popup.foreground = foreground;
    g_popup.background = background;
    g_popup.margins = margins;
    RECT box{0, 0, kTextWidth, 0};
    if (HDC dc = GetDC(hwnd)) {
        DrawTextA(dc, text.c_str(), -1, &box, kTextFormat | DT_CALCRECT);
        ReleaseDC(hwnd, dc);
    }
    const int width = box.right + margins.left + margins.right + 2;
    const int height = box.bottom + margins.top + margins.bottom + 2;
    const int x = std::clamp<int>(at.x, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
    const int y = std::clamp<int>(at.y, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - height));
    SetWindowPos(hwnd, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNA);
    g_popup.previousFocus = SetFocus(hwnd);
    SetCapture(hwnd);
    return hwnd;
}
}

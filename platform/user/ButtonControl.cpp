// Buttons (push, check, radio, group box, owner-drawn) and statics: their state, drawing requests and notifications.
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"
#include "platform/user/WindowDC.h"

namespace {
using platform::WindowChange;
using platform::WindowRecord;

DWORD Type(const WindowRecord& r) { return r.state.style & BS_TYPEMASK; }

// Paints outside WM_PAINT draw on a device context of their own; a paint passes its own.
void DrawItem(HWND hwnd, UINT action, HDC paintDc = nullptr)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || Type(*r) != BS_OWNERDRAW || !r->state.parent) {
        return;
    }
    HDC dc = paintDc ? paintDc : GetDC(hwnd);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(r->state.id);
    dis.itemAction = action;
    dis.itemState = (r->state.pushed ? ODS_SELECTED : 0) | (GetFocus() == hwnd ? ODS_FOCUS : 0) | (r->state.enabled ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd;
    dis.hDC = dc;
    GetClientRect(hwnd, &dis.rcItem);
    SendMessage(r->state.parent, WM_DRAWITEM, static_cast<WPARAM>(r->state.id), reinterpret_cast<LPARAM>(&dis));
    if (!paintDc) {
        ReleaseDC(hwnd, dc);
    }
}

// Auto radio buttons clear the other auto radio buttons of their group.
void CheckInGroup(HWND hwnd)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    WindowRecord* p = r ? platform::FindWindowRecord(r->state.parent) : nullptr;
    if (!p) {
        return;
    }
    auto& kids = p->state.children;
    std::size_t me = 0;
    while (me < kids.size() && kids[me] != hwnd) {
        ++me;
    }
    std::size_t begin = me;
    while (begin > 0) {
        WindowRecord* c = platform::FindWindowRecord(kids[begin]);
        if (c && (c->state.style & WS_GROUP)) {
            break;
        }
        --begin;
    }
    for (std::size_t i = begin; i < kids.size(); ++i) {
        WindowRecord* c = platform::FindWindowRecord(kids[i]);
        if (!c) {
            continue;
        }
        if (i > begin && (c->state.style & WS_GROUP)) {
            break;
        }
        if (i != me && c->state.className == WC_BUTTON && Type(*c) == BS_AUTORADIOBUTTON && c->state.check) {
            c->Change(WindowChange::Check)->check = BST_UNCHECKED;
            c->needsPaint = true;
        }
    }
}

void Click(HWND hwnd)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !r->state.enabled) {
        return;
    }
    switch (Type(*r)) {
    case BS_AUTOCHECKBOX:
        r->Change(WindowChange::Check)->check = r->state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        r->Change(WindowChange::Check)->check = (r->state.check + 1) % 3;
        break;
    case BS_AUTORADIOBUTTON:
        r->Change(WindowChange::Check)->check = BST_CHECKED;
        CheckInGroup(hwnd);
        break;
    case BS_GROUPBOX:
        return;
    default:
        break;
    }
    r->needsPaint = true;
    platform::user_detail::NotifyParent(hwnd, BN_CLICKED);
}
}

namespace platform::user_detail {
LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case BM_GETCHECK:
        return r->state.check;
    case BM_SETCHECK:
        if (Type(*r) != BS_PUSHBUTTON && Type(*r) != BS_DEFPUSHBUTTON && Type(*r) != BS_GROUPBOX) {
            r->Change(WindowChange::Check)->check = static_cast<int>(wp);
            r->needsPaint = true;
        }
        return 0;
    case BM_GETSTATE:
        return r->state.check | (r->state.pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
        r->Change(WindowChange::Check)->pushed = wp != 0;
        DrawItem(hwnd, ODA_SELECT);
        return 0;
    case BM_SETSTYLE:
        r->Change(WindowChange::Style)->style = (r->state.style & ~0xFFFFu) | static_cast<DWORD>(wp & 0xFFFF);
        if (lp) {
            r->needsPaint = true;
        }
        return 0;
    case BM_CLICK:
        Click(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!r->state.enabled || Type(*r) == BS_GROUPBOX) {
            return 0;
        }
        const bool dbl = msg == WM_LBUTTONDBLCLK &&
                         (Type(*r) == BS_OWNERDRAW || Type(*r) == BS_RADIOBUTTON || Type(*r) == BS_AUTORADIOBUTTON ||
                          (r->state.style & BS_NOTIFY));
        r->Change(WindowChange::Check)->pushed = true;
        SetCapture(hwnd);
        if (GetFocus() != hwnd) {
            SetFocus(hwnd);
        }
        DrawItem(hwnd, ODA_SELECT);
        if (dbl) {
            NotifyParent(hwnd, BN_DOUBLECLICKED);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!r->state.pushed) {
            return 0;
        }
        r->Change(WindowChange::Check)->pushed = false;
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        DrawItem(hwnd, ODA_SELECT);
        RECT rc{};
        GetClientRect(hwnd, &rc);
        const int x = GET_X_LPARAM(lp);
        const int y = GET_Y_LPARAM(lp);
        if (x >= 0 && y >= 0 && x < rc.right && y < rc.bottom) {
            Click(hwnd);
        }
        return 0;
    }
    case WM_KEYDOWN:
        // Space pushes the button and its release clicks it; a press that an
        // accelerator took never reaches the button, so its release clicks nothing.
        if (wp == VK_SPACE && r->state.enabled && Type(*r) != BS_GROUPBOX) {
            r->Change(WindowChange::Check)->pushed = true;
            DrawItem(hwnd, ODA_SELECT);
        }
        return 0;
    case WM_KEYUP:
        if (wp == VK_SPACE && r->state.pushed) {
            r->Change(WindowChange::Check)->pushed = false;
            DrawItem(hwnd, ODA_SELECT);
            Click(hwnd);
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        DrawItem(hwnd, ODA_FOCUS);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (Type(*r) == BS_OWNERDRAW) {
            DrawItem(hwnd, ODA_DRAWENTIRE, dc);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (r->state.style & SS_NOTIFY) {
            NotifyParent(hwnd, STN_CLICKED);
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        if (r->state.style & SS_NOTIFY) {
            NotifyParent(hwnd, STN_DBLCLK);
        }
        return 0;
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wp, lp);
        r->needsPaint = true;
        return TRUE;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

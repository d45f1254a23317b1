// Up-down, trackbar, progress bar and hot-key controls: a range and a position.
#include <algorithm>
#include <string>

#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowChange;
using platform::WindowRecord;

int Clamp(const WindowRecord& r, int v)
{
    const int lo = std::min(r.state.rangeMin, r.state.rangeMax);
    const int hi = std::max(r.state.rangeMin, r.state.rangeMax);
    return std::clamp(v, lo, hi);
}

void SetBuddyInt(WindowRecord& r)
{
    if ((r.state.style & UDS_SETBUDDYINT) && IsWindow(r.state.buddy)) {
        SetWindowTextA(r.state.buddy, std::to_string(r.state.pos).c_str());
    }
}

void Scroll(HWND hwnd, bool vertical, UINT code, int pos)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (r && r->state.parent) {
        SendMessage(r->state.parent, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<int>(code), pos),
                    reinterpret_cast<LPARAM>(hwnd));
    }
}
}

namespace platform::user_detail {
LRESULT UpDownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = 100;  // the control's documented default range runs downwards
            s->rangeMax = 0;
            s->pos = 0;
        }
        if (r->state.style & UDS_AUTOBUDDY) {
            r->Change(WindowChange::Range)->buddy = GetWindow(hwnd, GW_HWNDPREV);
        }
        return 0;
    case UDM_SETRANGE:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMax = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
            s->rangeMin = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
            s->pos = Clamp(*r, r->state.pos);
        }
        return 0;
    case UDM_SETRANGE32:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = static_cast<int>(static_cast<std::intptr_t>(wp));
            s->rangeMax = static_cast<int>(lp);
            s->pos = Clamp(*r, r->state.pos);
        }
        return 0;
    case UDM_GETRANGE:
        return MAKELONG(static_cast<WORD>(r->state.rangeMax), static_cast<WORD>(r->state.rangeMin));
    case UDM_GETRANGE32:
        if (wp) {
            *reinterpret_cast<int*>(wp) = r->state.rangeMin;
        }
        if (lp) {
            *reinterpret_cast<int*>(lp) = r->state.rangeMax;
        }
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int old = r->state.pos;
        r->Change(WindowChange::Range)->pos = Clamp(*r, msg == UDM_SETPOS ? static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp))) : static_cast<int>(lp));
        SetBuddyInt(*r);
        return old;
    }
    case UDM_GETPOS:
        return MAKELONG(static_cast<WORD>(r->state.pos), 0);
    case UDM_GETPOS32:
        return r->state.pos;
    case UDM_SETBUDDY: {
        HWND old = r->state.buddy;
        r->Change(WindowChange::Range)->buddy = reinterpret_cast<HWND>(wp);
        return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(r->state.buddy);
    case UM_INPUT_STEP: {
        if (!r->state.enabled) {
            return 0;
        }
        // "Up" moves toward the range's maximum, whichever way the range runs.
        const int towardsMax = r->state.rangeMax >= r->state.rangeMin ? 1 : -1;
        const int delta = (wp ? 1 : -1) * towardsMax;
        NMUPDOWN nm{{hwnd, static_cast<UINT_PTR>(r->state.id), UDN_DELTAPOS}, r->state.pos, delta};
        if (r->state.parent && SendMessage(r->state.parent, WM_NOTIFY, static_cast<WPARAM>(r->state.id), reinterpret_cast<LPARAM>(&nm))) {
            return 0;  // the parent refused the change
        }
        if ((r = FindWindowRecord(hwnd)) == nullptr) {
            return 0;
        }
        int next = r->state.pos + nm.iDelta;
        const int lo = std::min(r->state.rangeMin, r->state.rangeMax);
        const int hi = std::max(r->state.rangeMin, r->state.rangeMax);
        if (next < lo || next > hi) {
            if (!(r->state.style & UDS_WRAP)) {
                return 0;
            }
            next = next < lo ? hi : lo;
        }
        r->Change(WindowChange::Range)->pos = next;
        SetBuddyInt(*r);
        const bool vertical = !(r->state.style & UDS_HORZ);
        Scroll(hwnd, vertical, SB_THUMBPOSITION, next);
        Scroll(hwnd, vertical, SB_ENDSCROLL, next);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

LRESULT TrackbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    const bool vertical = (r->state.style & TBS_VERT) != 0;
    switch (msg) {
    case WM_CREATE:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = 0;
            s->rangeMax = 100;
        }
        return 0;
    case TBM_GETPOS:
        return r->state.pos;
    case TBM_GETRANGEMIN:
        return r->state.rangeMin;
    case TBM_GETRANGEMAX:
        return r->state.rangeMax;
    case TBM_SETPOS:
        r->Change(WindowChange::Range)->pos = Clamp(*r, static_cast<int>(lp));
        if (wp) {
            r->needsPaint = true;
        }
        return 0;
    case TBM_SETRANGE:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
            s->rangeMax = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
            s->pos = Clamp(*r, r->state.pos);
        }
        return 0;
    case TBM_SETRANGEMIN:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = static_cast<int>(lp);
            s->pos = Clamp(*r, r->state.pos);
        }
        return 0;
    case TBM_SETRANGEMAX:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMax = static_cast<int>(lp);
            s->pos = Clamp(*r, r->state.pos);
        }
        return 0;
    case TBM_SETTICFREQ:
        r->Change(WindowChange::Range)->tickFreq = static_cast<int>(wp);
        return 0;
    case TBM_SETPAGESIZE:
        return 0;
    case UM_INPUT_DRAG: {
        // The thumb is dragged step by step to the target, then released.
        const int target = Clamp(*r, static_cast<int>(static_cast<std::intptr_t>(wp)));
        while (r && r->state.pos != target) {
            r->Change(WindowChange::Range)->pos += r->state.pos < target ? 1 : -1;
            Scroll(hwnd, vertical, TB_THUMBTRACK, r->state.pos);
            r = FindWindowRecord(hwnd);
        }
        if (r) {
            Scroll(hwnd, vertical, TB_THUMBPOSITION, r->state.pos);
            Scroll(hwnd, vertical, TB_ENDTRACK, FindWindowRecord(hwnd) ? FindWindowRecord(hwnd)->state.pos : 0);
        }
        return 0;
    }
    case UM_INPUT_STEP:
    case WM_KEYDOWN: {
        const bool up = msg == UM_INPUT_STEP ? wp != 0 : (wp == 0x27 || wp == 0x28);
        if (msg == WM_KEYDOWN && wp != 0x25 && wp != 0x26 && wp != 0x27 && wp != 0x28) {
            return 0;
        }
        r->Change(WindowChange::Range)->pos = Clamp(*r, r->state.pos + (up ? 1 : -1));
        Scroll(hwnd, vertical, up ? TB_LINEDOWN : TB_LINEUP, 0);
        Scroll(hwnd, vertical, TB_ENDTRACK, 0);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = 0;
            s->rangeMax = 100;
            s->tickFreq = 10;  // step
        }
        return 0;
    case PBM_SETRANGE: {
        const LRESULT old = MAKELONG(static_cast<WORD>(r->state.rangeMin), static_cast<WORD>(r->state.rangeMax));
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = LOWORD(static_cast<DWORD_PTR>(lp));
            s->rangeMax = HIWORD(static_cast<DWORD_PTR>(lp));
        }
        return old;
    }
    case PBM_SETRANGE32:
        {
            auto s = r->Change(WindowChange::Range);
            s->rangeMin = static_cast<int>(static_cast<std::intptr_t>(wp));
            s->rangeMax = static_cast<int>(lp);
        }
        return 0;
    case PBM_SETPOS: {
        const int old = r->state.pos;
        r->Change(WindowChange::Range)->pos = Clamp(*r, static_cast<int>(static_cast<std::intptr_t>(wp)));
        r->needsPaint = true;
        return old;
    }
    case PBM_DELTAPOS: {
        const int old = r->state.pos;
        r->Change(WindowChange::Range)->pos = Clamp(*r, r->state.pos + static_cast<int>(static_cast<std::intptr_t>(wp)));
        r->needsPaint = true;
        return old;
    }
    case PBM_SETSTEP: {
        const int old = r->state.tickFreq;
        r->Change(WindowChange::Range)->tickFreq = static_cast<int>(static_cast<std::intptr_t>(wp));
        return old;
    }
    case PBM_STEPIT: {
        const int old = r->state.pos;
        r->Change(WindowChange::Range)->pos += r->state.tickFreq;
        if (r->state.pos > r->state.rangeMax) {
            r->Change(WindowChange::Range)->pos = r->state.rangeMin + (r->state.pos - r->state.rangeMax);
        }
        r->needsPaint = true;
        return old;
    }
    case PBM_GETPOS:
        return r->state.pos;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

LRESULT HotKeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case HKM_SETHOTKEY:
        r->Change(WindowChange::HotKey)->hotKey = static_cast<WORD>(wp);
        r->needsPaint = true;
        return 0;
    case HKM_GETHOTKEY:
        return r->state.hotKey;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

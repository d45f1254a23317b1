// Up-down, trackbar, progress bar and hot-key controls: a range and a position.
#include <algorithm>
#include <string>

#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowRecord;

int Clamp(const WindowRecord& r, int v)
{
    const int lo = std::min(r.rangeMin, r.rangeMax);
    const int hi = std::max(r.rangeMin, r.rangeMax);
    return std::clamp(v, lo, hi);
}

void SetBuddyInt(WindowRecord& r)
{
    if ((r.style & UDS_SETBUDDYINT) && IsWindow(r.buddy)) {
        SetWindowTextA(r.buddy, std::to_string(r.pos).c_str());
    }
}

void Scroll(HWND hwnd, bool vertical, UINT code, int pos)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (r && r->parent) {
        SendMessage(r->parent, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<int>(code), pos),
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
        r->rangeMin = 100;  // the control's documented default range runs downwards
        r->rangeMax = 0;
        r->pos = 0;
        if (r->style & UDS_AUTOBUDDY) {
            r->buddy = GetWindow(hwnd, GW_HWNDPREV);
        }
        return 0;
    case UDM_SETRANGE:
        r->rangeMax = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
        r->rangeMin = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
        r->pos = Clamp(*r, r->pos);
        return 0;
    case UDM_SETRANGE32:
        r->rangeMin = static_cast<int>(static_cast<std::intptr_t>(wp));
        r->rangeMax = static_cast<int>(lp);
        r->pos = Clamp(*r, r->pos);
        return 0;
    case UDM_GETRANGE:
        return MAKELONG(static_cast<WORD>(r->rangeMax), static_cast<WORD>(r->rangeMin));
    case UDM_GETRANGE32:
        if (wp) {
            *reinterpret_cast<int*>(wp) = r->rangeMin;
        }
        if (lp) {
            *reinterpret_cast<int*>(lp) = r->rangeMax;
        }
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int old = r->pos;
        r->pos = Clamp(*r, msg == UDM_SETPOS ? static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp))) : static_cast<int>(lp));
        SetBuddyInt(*r);
        return old;
    }
    case UDM_GETPOS:
        return MAKELONG(static_cast<WORD>(r->pos), 0);
    case UDM_GETPOS32:
        return r->pos;
    case UDM_SETBUDDY: {
        HWND old = r->buddy;
        r->buddy = reinterpret_cast<HWND>(wp);
        return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(r->buddy);
    case UM_INPUT_STEP: {
        if (!r->enabled) {
            return 0;
        }
        // "Up" moves toward the range's maximum, whichever way the range runs.
        const int towardsMax = r->rangeMax >= r->rangeMin ? 1 : -1;
        const int delta = (wp ? 1 : -1) * towardsMax;
        NMUPDOWN nm{{hwnd, static_cast<UINT_PTR>(r->id), UDN_DELTAPOS}, r->pos, delta};
        if (r->parent && SendMessage(r->parent, WM_NOTIFY, static_cast<WPARAM>(r->id), reinterpret_cast<LPARAM>(&nm))) {
            return 0;  // the parent refused the change
        }
        if ((r = FindWindowRecord(hwnd)) == nullptr) {
            return 0;
        }
        int next = r->pos + nm.iDelta;
        const int lo = std::min(r->rangeMin, r->rangeMax);
        const int hi = std::max(r->rangeMin, r->rangeMax);
        if (next < lo || next > hi) {
            if (!(r->style & UDS_WRAP)) {
                return 0;
            }
            next = next < lo ? hi : lo;
        }
        r->pos = next;
        SetBuddyInt(*r);
        const bool vertical = !(r->style & UDS_HORZ);
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
    const bool vertical = (r->style & TBS_VERT) != 0;
    switch (msg) {
    case WM_CREATE:
        r->rangeMin = 0;
        r->rangeMax = 100;
        return 0;
    case TBM_GETPOS:
        return r->pos;
    case TBM_GETRANGEMIN:
        return r->rangeMin;
    case TBM_GETRANGEMAX:
        return r->rangeMax;
    case TBM_SETPOS:
        r->pos = Clamp(*r, static_cast<int>(lp));
        if (wp) {
            r->needsPaint = true;
        }
        return 0;
    case TBM_SETRANGE:
        r->rangeMin = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
        r->rangeMax = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
        r->pos = Clamp(*r, r->pos);
        return 0;
    case TBM_SETRANGEMIN:
        r->rangeMin = static_cast<int>(lp);
        r->pos = Clamp(*r, r->pos);
        return 0;
    case TBM_SETRANGEMAX:
        r->rangeMax = static_cast<int>(lp);
        r->pos = Clamp(*r, r->pos);
        return 0;
    case TBM_SETTICFREQ:
        r->tickFreq = static_cast<int>(wp);
        return 0;
    case TBM_SETPAGESIZE:
        return 0;
    case UM_INPUT_DRAG: {
        // The thumb is dragged step by step to the target, then released.
        // The mouse decides where the thumb goes: a position the parent sets while it
        // tracks does not change the way, so the drag always ends.
        const int target = Clamp(*r, static_cast<int>(static_cast<std::intptr_t>(wp)));
        for (int at = r->pos; at != target && r;) {
            at += at < target ? 1 : -1;
            r->pos = at;
            Scroll(hwnd, vertical, TB_THUMBTRACK, at);
            r = FindWindowRecord(hwnd);
        }
        if (r) {
            r->pos = target;
            Scroll(hwnd, vertical, TB_THUMBPOSITION, target);
            Scroll(hwnd, vertical, TB_ENDTRACK, target);
        }
        return 0;
    }
    case UM_INPUT_STEP:
    case WM_KEYDOWN: {
        const bool up = msg == UM_INPUT_STEP ? wp != 0 : (wp == 0x27 || wp == 0x28);
        if (msg == WM_KEYDOWN && wp != 0x25 && wp != 0x26 && wp != 0x27 && wp != 0x28) {
            return 0;
        }
        r->pos = Clamp(*r, r->pos + (up ? 1 : -1));
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
        r->rangeMin = 0;
        r->rangeMax = 100;
        r->tickFreq = 10;  // step
        return 0;
    case PBM_SETRANGE: {
        const LRESULT old = MAKELONG(static_cast<WORD>(r->rangeMin), static_cast<WORD>(r->rangeMax));
        r->rangeMin = LOWORD(static_cast<DWORD_PTR>(lp));
        r->rangeMax = HIWORD(static_cast<DWORD_PTR>(lp));
        return old;
    }
    case PBM_SETRANGE32:
        r->rangeMin = static_cast<int>(static_cast<std::intptr_t>(wp));
        r->rangeMax = static_cast<int>(lp);
        return 0;
    case PBM_SETPOS: {
        const int old = r->pos;
        r->pos = Clamp(*r, static_cast<int>(static_cast<std::intptr_t>(wp)));
        r->needsPaint = true;
        return old;
    }
    case PBM_DELTAPOS: {
        const int old = r->pos;
        r->pos = Clamp(*r, r->pos + static_cast<int>(static_cast<std::intptr_t>(wp)));
        r->needsPaint = true;
        return old;
    }
    case PBM_SETSTEP: {
        const int old = r->tickFreq;
        r->tickFreq = static_cast<int>(static_cast<std::intptr_t>(wp));
        return old;
    }
    case PBM_STEPIT: {
        const int old = r->pos;
        r->pos += r->tickFreq;
        if (r->pos > r->rangeMax) {
            r->pos = r->rangeMin + (r->pos - r->rangeMax);
        }
        r->needsPaint = true;
        return old;
    }
    case PBM_GETPOS:
        return r->pos;
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
        r->hotKey = static_cast<WORD>(wp);
        r->needsPaint = true;
        return 0;
    case HKM_GETHOTKEY:
        return r->hotKey;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

// The tab control: its tabs and selection in the window record, and the user's choice of tab asked of the parent first.
#include <algorithm>

#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowChange;
using platform::WindowRecord;

LRESULT Tell(HWND tab, UINT code)
{
    WindowRecord* r = platform::FindWindowRecord(tab);
    if (!r || !r->state.parent) {
        return 0;
    }
    NMHDR n{tab, static_cast<UINT_PTR>(r->state.id), code};
    return SendMessage(r->state.parent, WM_NOTIFY, static_cast<WPARAM>(r->state.id), reinterpret_cast<LPARAM>(&n));
}

// What the user picks: the parent may refuse it (a page that will not be left).
void Choose(HWND tab, int index)
{
    WindowRecord* r = platform::FindWindowRecord(tab);
    if (!r || index < 0 || index >= static_cast<int>(r->state.items.size()) || index == r->state.curSel) {
        return;
    }
    if (Tell(tab, TCN_SELCHANGING)) {
        return;
    }
    if ((r = platform::FindWindowRecord(tab)) == nullptr || index >= static_cast<int>(r->state.items.size())) {
        return;
    }
    r->Change(WindowChange::Selection)->curSel = index;
    Tell(tab, TCN_SELCHANGE);
}

void Step(HWND tab, bool forward)
{
    const WindowRecord* r = platform::FindWindowRecord(tab);
    const int n = r ? static_cast<int>(r->state.items.size()) : 0;
    if (n > 0) {
        Choose(tab, ((r->state.curSel < 0 ? 0 : r->state.curSel) + (forward ? 1 : n - 1)) % n);
    }
}
}

namespace platform::user_detail {
LRESULT TabProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    const int count = static_cast<int>(r->state.items.size());
    switch (msg) {
    case TCM_GETITEMCOUNT:
        return count;
    case TCM_INSERTITEMA: {
        const auto* item = reinterpret_cast<const TCITEMA*>(lp);
        // As the real control: a negative index is refused, one past the end appends.
        if (!item || static_cast<int>(wp) < 0) {
            return -1;
        }
        const int at = std::min(static_cast<int>(wp), count);
        ListItem entry;
        entry.text = (item->mask & TCIF_TEXT) && item->pszText ? item->pszText : "";
        entry.data = (item->mask & TCIF_PARAM) ? item->lParam : 0;
        auto items = r->Change(WindowChange::Items);
        items->items.insert(items->items.begin() + at, entry);
        // The first tab is selected; a tab put before the selected one keeps that one selected.
        if (r->state.curSel < 0 || r->state.curSel >= at) {
            r->Change(WindowChange::Selection)->curSel = r->state.curSel < 0 ? 0 : r->state.curSel + 1;
        }
        return at;
    }
    case TCM_DELETEITEM: {
        const int at = static_cast<int>(wp);
        if (at < 0 || at >= count) {
            return FALSE;
        }
        auto items = r->Change(WindowChange::Items);
        items->items.erase(items->items.begin() + at);
        if (r->state.curSel == at) {
            r->Change(WindowChange::Selection)->curSel = -1;
        } else if (r->state.curSel > at) {
            r->Change(WindowChange::Selection)->curSel = r->state.curSel - 1;
        }
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        r->Change(WindowChange::Items)->items.clear();
        r->Change(WindowChange::Selection)->curSel = -1;
        return TRUE;
    case TCM_GETCURSEL:
        return r->state.curSel;
    case TCM_SETCURSEL: {
        // The program's own choice: no notification, as on the real control.
        const int at = static_cast<int>(wp);
        if (at < 0 || at >= count) {
            return -1;
        }
        const int old = r->state.curSel;
        if (old != at) {
            r->Change(WindowChange::Selection)->curSel = at;
        }
        return old;
    }
    case UM_INPUT_CHOOSE:
        Choose(hwnd, static_cast<int>(wp));
        return 0;
    case UM_INPUT_STEP:
        Step(hwnd, wp != 0);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_LEFT || wp == VK_RIGHT) {
            Step(hwnd, wp == VK_RIGHT);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

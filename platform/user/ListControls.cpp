// Combo boxes and list boxes share their item list, sorting and search rules.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "platform/core/Strings.h"
#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowChange;
using platform::WindowRecord;

int Compare(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }

bool StartsWith(const std::string& item, const std::string& prefix)
{
    return item.size() >= prefix.size() && strncasecmp(item.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// Search from the item after `start` (-1: from the top) round to the start again.
LRESULT Find(const WindowRecord& r, WPARAM start, LPCSTR text, bool exact)
{
    const int n = static_cast<int>(r.state.items.size());
    if (n == 0 || !text) {
        return -1;
    }
    int s = static_cast<int>(static_cast<std::intptr_t>(start));
    if (s < -1 || s >= n) {
        s = -1;
    }
    const std::string t = text;
    for (int k = 1; k <= n; ++k) {
        const int i = (s + k) % n;
        const std::string& item = r.state.items[static_cast<std::size_t>(i)].text;
        if (exact ? Compare(item, t) == 0 : StartsWith(item, t)) {
            return i;
        }
    }
    return -1;
}

LRESULT Insert(WindowRecord& r, int index, LPCSTR text, bool sorted)
{
    const std::string t = text ? text : "";
    int at;
    if (sorted) {
        auto it = std::upper_bound(r.state.items.begin(), r.state.items.end(), t,
                                   [](const std::string& v, const platform::ListItem& e) { return Compare(v, e.text) < 0; });
        at = static_cast<int>(it - r.state.items.begin());
    } else if (index < 0 || index > static_cast<int>(r.state.items.size())) {
        if (index >= 0) {
            return -1;
        }
        at = static_cast<int>(r.state.items.size());
    } else {
        at = index;
    }
    r.Change(WindowChange::Items)->items.insert(r.state.items.begin() + at, platform::ListItem{t, 0});
    if (r.state.curSel >= at) {
        ++r.Change(WindowChange::Selection)->curSel;
    }
    return at;
}

LRESULT Delete(WindowRecord& r, WPARAM index)
{
    const int i = static_cast<int>(index);
    if (i < 0 || i >= static_cast<int>(r.state.items.size())) {
        return -1;
    }
    r.Change(WindowChange::Items)->items.erase(r.state.items.begin() + i);
    if (r.state.curSel == i) {
        r.Change(WindowChange::Selection)->curSel = -1;
    } else if (r.state.curSel > i) {
        --r.Change(WindowChange::Selection)->curSel;
    }
    return static_cast<LRESULT>(r.state.items.size());
}

LRESULT GetItemText(const WindowRecord& r, WPARAM index, LPARAM out)
{
    const int i = static_cast<int>(index);
    if (i < 0 || i >= static_cast<int>(r.state.items.size())) {
        return -1;
    }
    const std::string& t = r.state.items[static_cast<std::size_t>(i)].text;
    if (out) {
        std::memcpy(reinterpret_cast<char*>(out), t.c_str(), t.size() + 1);
    }
    return static_cast<LRESULT>(t.size());
}

bool HasEdit(const WindowRecord& r) { return (r.state.style & 0x3) != CBS_DROPDOWNLIST; }

LRESULT SetSel(WindowRecord& r, WPARAM index, bool combo)
{
    const int i = static_cast<int>(static_cast<std::intptr_t>(index));
    r.needsPaint = true;
    if (i < 0 || i >= static_cast<int>(r.state.items.size())) {
        r.Change(WindowChange::Selection)->curSel = -1;
        if (combo) {
            r.Change(WindowChange::Text)->text.clear();
        }
        return -1;
    }
    r.Change(WindowChange::Selection)->curSel = i;
    if (combo) {
        r.Change(WindowChange::Text)->text = r.state.items[static_cast<std::size_t>(i)].text;
        {
            auto s = r.Change(WindowChange::Selection);
            s->selStart = 0;
            s->selEnd = static_cast<int>(r.state.text.size());
        }
    }
    return i;
}

// CB_SETEDITSEL: a negative start selects nothing at the end; a negative end runs to the end.
LRESULT SetEditSel(WindowRecord& r, LPARAM lp)
{
    const int length = static_cast<int>(r.state.text.size());
    int start = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
    int end = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
    if (start < 0) {
        start = end = length;
    }
    if (end < 0) {
        end = length;
    }
    auto sel = r.Change(WindowChange::Selection);
    sel->selStart = start;
    sel->selEnd = end;
    return TRUE;
}

LRESULT SetComboText(WindowRecord& r, HWND hwnd, WPARAM wp, LPARAM lp)
{
    if (HasEdit(r)) {
        DefWindowProcA(hwnd, WM_SETTEXT, wp, lp);
        auto sel = r.Change(WindowChange::Selection);
        sel->selStart = sel->selEnd = 0;
        return TRUE;
    }
    // A drop-down list shows only its items: the text selects one.
    const LRESULT i = Find(r, static_cast<WPARAM>(-1), reinterpret_cast<LPCSTR>(lp), true);
    if (i < 0) {
        return CB_ERR;
    }
    SetSel(r, static_cast<WPARAM>(i), true);
    return TRUE;
}

// Selects item i as the user's choice, telling the parent.
void UserSelects(WindowRecord& r, HWND hwnd, int i)
{
    SetSel(r, static_cast<WPARAM>(i), true);
    platform::user_detail::NotifyParent(hwnd, CBN_SELCHANGE);
}

LRESULT ComboChar(WindowRecord& r, HWND hwnd, WPARAM wp)
{
    if (!HasEdit(r)) {
        // Typing in a drop-down list selects the first item that starts with the character.
        const char s[2] = {static_cast<char>(wp), '\0'};
        const LRESULT i = Find(r, static_cast<WPARAM>(r.state.curSel), s, false);
        if (i >= 0 && i != r.state.curSel) {
            UserSelects(r, hwnd, static_cast<int>(i));
        }
        return 0;
    }
    const auto c = static_cast<char32_t>(wp);
    bool changed;
    if (c == '\b') {
        changed = platform::user_detail::EditBackspace(r);
    } else if (c < 0x20 || c == 0x7F) {
        return 0;
    } else {
        changed = platform::user_detail::EditInsert(r, platform::Utf8Of(c));
    }
    if (changed) {
        platform::user_detail::NotifyParent(hwnd, CBN_EDITUPDATE);
        platform::user_detail::NotifyParent(hwnd, CBN_EDITCHANGE);
    }
    return 0;
}

// Down and Up move the selection by one item.
LRESULT ComboKey(WindowRecord& r, HWND hwnd, WPARAM wp)
{
    int next = r.state.curSel;
    if (wp == 0x28) {
        next = std::min(r.state.curSel + 1, static_cast<int>(r.state.items.size()) - 1);
    } else if (wp == 0x26) {
        next = std::max(r.state.curSel - 1, 0);
    }
    if (next != r.state.curSel && next >= 0) {
        UserSelects(r, hwnd, next);
    }
    return 0;
}

// The backend's user chose item wp from the drop-down.
LRESULT ComboChoose(WindowRecord& r, HWND hwnd, WPARAM wp)
{
    if (static_cast<int>(wp) >= 0 && static_cast<int>(wp) < static_cast<int>(r.state.items.size())) {
        UserSelects(r, hwnd, static_cast<int>(wp));
        if (IsWindow(hwnd)) {
            platform::user_detail::NotifyParent(hwnd, CBN_SELENDOK);
        }
    }
    return 0;
}
}

namespace platform::user_detail {
LRESULT ComboProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    const bool sorted = (r->state.style & CBS_SORT) != 0;
    switch (msg) {
    case CB_ADDSTRING:
        return Insert(*r, -1, reinterpret_cast<LPCSTR>(lp), sorted);
    case CB_INSERTSTRING:
        return Insert(*r, static_cast<int>(static_cast<std::intptr_t>(wp)), reinterpret_cast<LPCSTR>(lp), false);
    case CB_DELETESTRING:
        return Delete(*r, wp);
    case CB_RESETCONTENT:
        r->Change(WindowChange::Items)->items.clear();
        r->Change(WindowChange::Selection)->curSel = -1;
        r->Change(WindowChange::Text)->text.clear();
        return 0;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(r->state.items.size());
    case CB_GETCURSEL:
        return r->state.curSel;
    case CB_SETCURSEL:
        return SetSel(*r, wp, true);
    case CB_GETLBTEXT:
        return GetItemText(*r, wp, lp);
    case CB_GETLBTEXTLEN:
        return GetItemText(*r, wp, 0);
    case CB_FINDSTRING:
        return Find(*r, wp, reinterpret_cast<LPCSTR>(lp), false);
    case CB_FINDSTRINGEXACT:
        return Find(*r, wp, reinterpret_cast<LPCSTR>(lp), true);
    case CB_SELECTSTRING: {
        const LRESULT i = Find(*r, wp, reinterpret_cast<LPCSTR>(lp), false);
        return i < 0 ? -1 : SetSel(*r, static_cast<WPARAM>(i), true);
    }
    case CB_GETITEMDATA:
        if (wp >= r->state.items.size()) {
            return -1;
        }
        return r->state.items[wp].data;
    case CB_SETITEMDATA:
        if (wp >= r->state.items.size()) {
            return -1;
        }
        r->Change(WindowChange::Items)->items[wp].data = lp;
        return TRUE;
    case CB_LIMITTEXT:
        r->Change(WindowChange::TextLimit)->textLimit = static_cast<int>(wp);
        return TRUE;
    case CB_GETEDITSEL:
        return MAKELONG(static_cast<WORD>(r->state.selStart), static_cast<WORD>(r->state.selEnd));
    case CB_SETEDITSEL:
        return SetEditSel(*r, lp);
    case CB_SHOWDROPDOWN:
        return TRUE;
    case WM_SETTEXT:
        return SetComboText(*r, hwnd, wp, lp);
    case WM_CHAR:
        return ComboChar(*r, hwnd, wp);
    case WM_KEYDOWN:
        return ComboKey(*r, hwnd, wp);
    case UM_INPUT_CHOOSE:
        return ComboChoose(*r, hwnd, wp);
    case WM_SETFOCUS:
        NotifyParent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        NotifyParent(hwnd, CBN_KILLFOCUS);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case LB_ADDSTRING:
        return Insert(*r, -1, reinterpret_cast<LPCSTR>(lp), (r->state.style & LBS_SORT) != 0);
    case LB_INSERTSTRING:
        return Insert(*r, static_cast<int>(static_cast<std::intptr_t>(wp)), reinterpret_cast<LPCSTR>(lp), false);
    case LB_DELETESTRING:
        return Delete(*r, wp);
    case LB_RESETCONTENT:
        r->Change(WindowChange::Items)->items.clear();
        r->Change(WindowChange::Selection)->curSel = -1;
        return 0;
    case LB_GETCOUNT:
        return static_cast<LRESULT>(r->state.items.size());
    case LB_GETCURSEL:
        return r->state.curSel;
    case LB_SETCURSEL:
        return SetSel(*r, wp, false);
    case LB_GETTEXT:
        return GetItemText(*r, wp, lp);
    case LB_GETTEXTLEN:
        return GetItemText(*r, wp, 0);
    case LB_FINDSTRING:
        return Find(*r, wp, reinterpret_cast<LPCSTR>(lp), false);
    case LB_FINDSTRINGEXACT:
        return Find(*r, wp, reinterpret_cast<LPCSTR>(lp), true);
    case LB_GETITEMDATA:
        return wp < r->state.items.size() ? r->state.items[wp].data : -1;
    case LB_SETITEMDATA:
        if (wp >= r->state.items.size()) {
            return -1;
        }
        r->Change(WindowChange::Items)->items[wp].data = lp;
        return TRUE;
    case UM_INPUT_CHOOSE:
        if (static_cast<int>(wp) >= 0 && static_cast<int>(wp) < static_cast<int>(r->state.items.size())) {
            SetSel(*r, wp, false);
            if (r->state.style & LBS_NOTIFY) {
                NotifyParent(hwnd, LBN_SELCHANGE);
            }
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        if (r->state.style & LBS_NOTIFY) {
            NotifyParent(hwnd, LBN_DBLCLK);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

// The tooltip control keeps its tools (id and text) as list items; a tool's
// text given as a string-table number is looked up when it is added.
#include <cstring>

#include "platform/user/Controls.h"
#include "platform/user/Resources.h"
#include "platform/user/UserInternal.h"

namespace platform::user_detail {
namespace {
std::string ToolText(const TOOLINFOA& ti)
{
    if (!ti.lpszText) {
        return std::string();
    }
    if (IS_INTRESOURCE(ti.lpszText)) {
        char buf[260];
        const int n = LoadStringA(ti.hinst, static_cast<UINT>(reinterpret_cast<std::uintptr_t>(ti.lpszText)), buf, sizeof buf);
        return std::string(buf, static_cast<std::size_t>(n));  // a missing string gives an empty tip
    }
    return ti.lpszText;
}

int FindTool(const WindowRecord& r, UINT_PTR id)
{
    for (std::size_t i = 0; i < r.state.items.size(); ++i) {
        if (static_cast<UINT_PTR>(r.state.items[i].data) == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
}

LRESULT TooltipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    auto* ti = reinterpret_cast<TOOLINFOA*>(lp);
    switch (msg) {
    case TTM_ADDTOOLA:
        if (!ti) {
            return FALSE;
        }
        if (int i = FindTool(*r, ti->uId); i >= 0) {
            r->Change(WindowChange::Items)->items[static_cast<std::size_t>(i)].text = ToolText(*ti);
        } else {
            r->Change(WindowChange::Items)->items.push_back(ListItem{ToolText(*ti), static_cast<LPARAM>(ti->uId)});
        }
        return TRUE;
    case TTM_DELTOOLA:
        if (ti) {
            if (int i = FindTool(*r, ti->uId); i >= 0) {
                r->Change(WindowChange::Items)->items.erase(r->state.items.begin() + i);
            }
        }
        return 0;
    case TTM_UPDATETIPTEXTA:
        if (ti) {
            if (int i = FindTool(*r, ti->uId); i >= 0) {
                r->Change(WindowChange::Items)->items[static_cast<std::size_t>(i)].text = ToolText(*ti);
            }
        }
        return 0;
    case TTM_GETTEXTA:
        if (ti && ti->lpszText) {
            const int i = FindTool(*r, ti->uId);
            const std::string t = i >= 0 ? r->state.items[static_cast<std::size_t>(i)].text : std::string();
            std::memcpy(ti->lpszText, t.c_str(), t.size() + 1);
        }
        return 0;
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(r->state.items.size());
    case TTM_ACTIVATE:
        r->Change(WindowChange::Enable)->enabled = wp != 0;
        return 0;
    case TTM_RELAYEVENT:
        return 0;  // headless: no tip pops up
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

// Edit controls: text, selection and limit, and the editing that combo boxes with an edit part share.
#include <algorithm>
#include <cstring>

#include "platform/core/Strings.h"
#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowChange;
using platform::WindowRecord;
constexpr int kDefaultLimit = 0x7FFFFFFE;

int Limit(const WindowRecord& r) { return r.state.textLimit > 0 ? r.state.textLimit : kDefaultLimit; }

void Order(WindowRecord& r, int& a, int& b)
{
    const int n = static_cast<int>(r.state.text.size());
    a = std::clamp(std::min(r.state.selStart, r.state.selEnd), 0, n);
    b = std::clamp(std::max(r.state.selStart, r.state.selEnd), 0, n);
}

void Changed(HWND hwnd)
{
    platform::user_detail::NotifyParent(hwnd, EN_UPDATE);
    platform::user_detail::NotifyParent(hwnd, EN_CHANGE);
}
}

namespace platform::user_detail {
bool EditInsert(WindowRecord& r, const std::string& text)
{
    int a, b;
    Order(r, a, b);
    const int room = Limit(r) - (static_cast<int>(r.state.text.size()) - (b - a));
    std::string add = text;
    if (static_cast<int>(add.size()) > std::max(room, 0)) {
        // Cut between characters, never inside one.
        auto keep = static_cast<std::size_t>(std::max(room, 0));
        while (keep > 0 && (static_cast<unsigned char>(add[keep]) & 0xC0) == 0x80) {
            --keep;
        }
        add.resize(keep);
    }
    if (add.empty() && a == b) {
        return false;
    }
    r.Change(WindowChange::Text)->text.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a), add);
    {
        auto s = r.Change(WindowChange::Selection);
        s->selStart = s->selEnd = a + static_cast<int>(add.size());
    }
    r.needsPaint = true;
    return !add.empty() || a != b;
}

bool EditBackspace(WindowRecord& r)
{
    int a, b;
    Order(r, a, b);
    if (a == b) {
        if (a == 0) {
            return false;
        }
        --a;
    }
    r.Change(WindowChange::Text)->text.erase(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    {
        auto s = r.Change(WindowChange::Selection);
        s->selStart = s->selEnd = a;
    }
    r.needsPaint = true;
    return true;
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (msg) {
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wp, lp);
        {
            auto s = r->Change(WindowChange::Selection);
            s->selStart = s->selEnd = 0;
        }
        r->needsPaint = true;
        Changed(hwnd);
        return TRUE;
    case WM_CHAR: {
        // wParam is the character's code point; the text keeps it as UTF-8.
        if (r->state.style & ES_READONLY) {
            return 0;
        }
        const auto c = static_cast<char32_t>(wp);
        if (c == '\b') {
            if (EditBackspace(*r)) {
                Changed(hwnd);
            }
            return 0;
        }
        if (c < 0x20 || c == 0x7F) {
            return 0;
        }
        if ((r->state.style & ES_NUMBER) && (c < '0' || c > '9')) {
            return 0;
        }
        if (!EditInsert(*r, platform::Utf8Of((r->state.style & ES_UPPERCASE) && c >= 'a' && c <= 'z' ? c - 32 : c))) {
            NotifyParent(hwnd, EN_MAXTEXT);
            return 0;
        }
        Changed(hwnd);
        return 0;
    }
    case WM_KEYDOWN: {
        const int n = static_cast<int>(r->state.text.size());
        switch (wp) {
        case 0x25:  // left
            {
                auto s = r->Change(WindowChange::Selection);
                s->selStart = s->selEnd = std::max(0, std::min(r->state.selStart, r->state.selEnd) - (r->state.selStart == r->state.selEnd ? 1 : 0));
            }
            break;
        case 0x27:  // right
            {
                auto s = r->Change(WindowChange::Selection);
                s->selStart = s->selEnd = std::min(n, std::max(r->state.selStart, r->state.selEnd) + (r->state.selStart == r->state.selEnd ? 1 : 0));
            }
            break;
        case 0x24:  // home
            {
                auto s = r->Change(WindowChange::Selection);
                s->selStart = s->selEnd = 0;
            }
            break;
        case 0x23:  // end
            {
                auto s = r->Change(WindowChange::Selection);
                s->selStart = s->selEnd = n;
            }
            break;
        case 0x2E:  // delete
            if (!(r->state.style & ES_READONLY)) {
                int a, b;
                Order(*r, a, b);
                if (a == b && b < n) {
                    ++b;
                }
                if (a != b) {
                    r->Change(WindowChange::Text)->text.erase(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
                    {
                        auto s = r->Change(WindowChange::Selection);
                        s->selStart = s->selEnd = a;
                    }
                    Changed(hwnd);
                }
            }
            break;
        default:
            break;
        }
        return 0;
    }
    case EM_GETSEL: {
        int a, b;
        Order(*r, a, b);
        if (wp) {
            *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(a);
        }
        if (lp) {
            *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(b);
        }
        return MAKELONG(static_cast<WORD>(a), static_cast<WORD>(b));
    }
    case EM_SETSEL: {
        const int n = static_cast<int>(r->state.text.size());
        const int a = static_cast<int>(static_cast<std::intptr_t>(wp));
        const int b = static_cast<int>(lp);
        if (a == -1) {
            r->Change(WindowChange::Selection)->selStart = r->state.selEnd;  // deselect, caret stays
        } else {
            {
                auto s = r->Change(WindowChange::Selection);
                s->selStart = std::clamp(a, 0, n);
                s->selEnd = b < 0 ? n : std::clamp(b, 0, n);
            }
        }
        return 0;
    }
    case EM_REPLACESEL:
        if (EditInsert(*r, lp ? reinterpret_cast<LPCSTR>(lp) : "")) {
            Changed(hwnd);
        }
        return 0;
    case EM_LIMITTEXT:
        r->Change(WindowChange::TextLimit)->textLimit = static_cast<int>(wp);
        return 0;
    case EM_GETLIMITTEXT:
        return Limit(*r);
    case EM_SETREADONLY:
        if (wp) {
            r->Change(WindowChange::Style)->style |= ES_READONLY;
        } else {
            r->Change(WindowChange::Style)->style &= ~ES_READONLY;
        }
        return TRUE;
    case WM_SETFOCUS:
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}
}

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/core/Strings.h"
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"
#include "platform/user/Window.h"

namespace {
struct ClassEntry {
    std::string name;
    WNDCLASSA wc{};
};

struct Slot {
    std::unique_ptr<platform::WindowRecord> record;
    std::uint32_t generation = 1;
};

struct WindowTable {
    std::vector<Slot> slots;
    std::vector<std::size_t> freeSlots;
    std::vector<std::unique_ptr<platform::WindowRecord>> graveyard;  // freed when no dispatch runs
    HWND focus = nullptr;
    HWND capture = nullptr;
    HWND active = nullptr;
    int depth = 0;
    bool standardRegistered = false;
    bool keys[256] = {};
    POINT cursor{0, 0};
};

// Constant-initialised: dispatching needs no start-up guard.
constinit WindowTable g_table;

WindowTable& Table() { return g_table; }

std::map<std::string, ClassEntry>& Classes()  // key: upper-case name
{
    static std::map<std::string, ClassEntry> classes;
    return classes;
}

std::string Upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}

HWND MakeHandle(std::size_t slot, std::uint32_t generation)
{
    const std::uintptr_t v = (static_cast<std::uintptr_t>(generation & 0x7FFF) << 16) | (slot + 1);
    return reinterpret_cast<HWND>(v);
}

struct DepthGuard {
    DepthGuard() { ++Table().depth; }
    ~DepthGuard()
    {
        if (--Table().depth == 0 && !Table().graveyard.empty()) {
            Table().graveyard.clear();
        }
    }
};

const ClassEntry* FindClass(LPCSTR name)
{
    WindowTable& t = Table();
    if (!t.standardRegistered) {
        t.standardRegistered = true;
        platform::user_detail::RegisterStandardControls();
    }
    if (!name) {
        return nullptr;
    }
    auto it = Classes().find(Upper(name));
    return it == Classes().end() ? nullptr : &it->second;
}

void ScreenOrigin(const platform::WindowRecord* r, LONG& x, LONG& y)
{
    x = 0;
    y = 0;
    while (r) {
        x += r->rect.left;
        y += r->rect.top;
        r = (r->style & WS_CHILD) ? platform::FindWindowRecord(r->parent) : nullptr;
    }
}
}

namespace platform {
WindowRecord* FindWindowRecord(HWND hwnd)
{
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(hwnd);
    const std::size_t slot = (v & 0xFFFF);
    if (slot == 0 || (v >> 31) != 0) {
        return nullptr;
    }
    WindowTable& t = Table();
    if (slot > t.slots.size()) {
        return nullptr;
    }
    Slot& s = t.slots[slot - 1];
    if (!s.record || ((s.generation & 0x7FFF) != ((v >> 16) & 0x7FFF))) {
        return nullptr;
    }
    return s.record.get();
}

std::vector<HWND> AllWindows()
{
    std::vector<HWND> out;
    for (auto& s : Table().slots) {
        if (s.record) {
            out.push_back(s.record->handle);
        }
    }
    return out;
}

void SetKeyDown(int vk, bool down) { Table().keys[vk & 0xFF] = down; }

namespace user_detail {
HWND PaintRequest(HWND filter, bool take)
{
    for (auto& s : Table().slots) {
        WindowRecord* r = s.record.get();
        if (r && r->needsPaint && (!filter || r->handle == filter)) {
            if (take) {
                r->needsPaint = false;
            }
            return r->handle;
        }
    }
    return nullptr;
}

void ResetWindows()
{
    // Top-level windows first; each takes its children with it.
    for (HWND h : AllWindows()) {
        WindowRecord* r = FindWindowRecord(h);
        if (r && !(r->style & WS_CHILD)) {
            DestroyWindow(h);
        }
    }
    for (HWND h : AllWindows()) {
        DestroyWindow(h);
    }
    WindowTable& t = Table();
    t.focus = t.capture = t.active = nullptr;
    std::fill(std::begin(t.keys), std::end(t.keys), false);
}
}
}

ATOM RegisterClassA(const WNDCLASSA* wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        return 0;
    }
    FindClass(nullptr);  // standard classes first, so an own class may not silently replace one
    const std::string key = Upper(wc->lpszClassName);
    if (Classes().count(key)) {
        return 0;
    }
    ClassEntry e;
    e.name = wc->lpszClassName;
    e.wc = *wc;
    e.wc.lpszClassName = nullptr;
    Classes().emplace(key, e);
    return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* wc)
{
    const ClassEntry* e = FindClass(className);
    if (!e) {
        return FALSE;
    }
    if (wc) {
        *wc = e->wc;
        wc->lpszClassName = e->name.c_str();
    }
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param)
{
    const ClassEntry* cls = FindClass(className);
    if (!cls) {
        return nullptr;
    }
    if ((style & WS_CHILD) && !platform::FindWindowRecord(parent)) {
        return nullptr;
    }
    WindowTable& t = Table();
    std::size_t slot;
    if (!t.freeSlots.empty()) {
        slot = t.freeSlots.back();
        t.freeSlots.pop_back();
    } else {
        if (t.slots.size() >= 0xFFFF) {
            return nullptr;
        }
        t.slots.emplace_back();
        slot = t.slots.size() - 1;
    }
    Slot& s = t.slots[slot];
    s.record = std::make_unique<platform::WindowRecord>();
    platform::WindowRecord* r = s.record.get();
    const HWND hwnd = MakeHandle(slot, s.generation);
    r->handle = hwnd;
    r->className = cls->name;
    r->text = windowName ? windowName : "";
    r->style = style;
    r->exStyle = exStyle;
    r->proc = cls->wc.lpfnWndProc;
    if (x == CW_USEDEFAULT) {
        x = 100;
        y = 100;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    r->rect = RECT{x, y, x + width, y + height};
    r->topMost = (exStyle & WS_EX_TOPMOST) != 0;
    r->enabled = (style & WS_DISABLED) == 0;
    if (style & WS_CHILD) {
        r->parent = parent;
        r->id = static_cast<int>(reinterpret_cast<std::intptr_t>(menuOrId));
        platform::FindWindowRecord(parent)->children.push_back(hwnd);
    } else {
        r->owner = parent;
        r->menu = menuOrId;
    }
    CREATESTRUCTA cs{param, instance, menuOrId, parent, height, width, y, x, static_cast<LONG>(style), windowName,
                     className, exStyle};
    const LPARAM lp = reinterpret_cast<LPARAM>(&cs);
    if (!SendMessage(hwnd, WM_NCCREATE, 0, lp) && r->proc != DefWindowProcA) {
        // A procedure that does not handle WM_NCCREATE answers 0; only an explicit -1 from WM_CREATE refuses.
    }
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    if (SendMessage(hwnd, WM_CREATE, 0, lp) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        platform::FindWindowRecord(hwnd)->visible = true;
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    WindowTable& t = Table();
    DepthGuard guard;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    // Owned popups and children go with it.
    for (HWND other : platform::AllWindows()) {
        platform::WindowRecord* o = platform::FindWindowRecord(other);
        if (o && !(o->style & WS_CHILD) && o->owner == hwnd) {
            DestroyWindow(other);
        }
    }
    if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
        return TRUE;
    }
    const std::vector<HWND> children = r->children;
    for (HWND c : children) {
        DestroyWindow(c);
    }
    if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
        return TRUE;
    }
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
        return TRUE;
    }
    platform::user_detail::KillWindowTimers(hwnd);
    platform::user_detail::DestroyWindowMenus(hwnd, (r->style & WS_CHILD) ? nullptr : r->menu);
    platform::user_detail::ForgetWindowSurface(hwnd);
    r->menu = nullptr;
    if (platform::WindowRecord* p = platform::FindWindowRecord(r->parent)) {
        std::erase(p->children, hwnd);
    }
    if (t.focus == hwnd) {
        t.focus = nullptr;
    }
    if (t.capture == hwnd) {
        t.capture = nullptr;
    }
    if (t.active == hwnd) {
        t.active = nullptr;
    }
    const std::size_t slot = (reinterpret_cast<std::uintptr_t>(hwnd) & 0xFFFF) - 1;
    Slot& s = t.slots[slot];
    s.record->handle = nullptr;
    t.graveyard.push_back(std::move(s.record));
    ++s.generation;
    t.freeSlots.push_back(slot);
    return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !r->proc) {
        return 0;
    }
    DepthGuard guard;
    return r->proc(hwnd, message, wParam, lParam);
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<void (*)(HWND, UINT, UINT_PTR, DWORD)>(msg->lParam);
        DepthGuard guard;
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    platform::WindowRecord* r = platform::FindWindowRecord(msg->hwnd);
    if (!r || !r->proc) {
        return 0;  // thread messages and messages for windows that are gone
    }
    if (msg->message == WM_PAINT) {
        ++r->paintCount;
    }
    DepthGuard guard;
    return r->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const UINT vk = static_cast<UINT>(msg->wParam);
    const bool shift = Table().keys[VK_SHIFT];
    char c = 0;
    if (vk >= 'A' && vk <= 'Z') {
        c = static_cast<char>(shift ? vk : vk - 'A' + 'a');
    } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE) {
        c = static_cast<char>(vk);
    } else if (vk == VK_BACK || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB) {
        c = static_cast<char>(vk);
    }
    if (!c) {
        return FALSE;
    }
    PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(c), msg->lParam);
    return TRUE;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT:
        r->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(r->text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), r->text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(r->text.size());
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT:
        r->needsPaint = false;
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case WM_HELP:
    case WM_CONTEXTMENU: {
        // Children pass these on to the parent, top-level windows to their owner.
        HWND up = (r->style & WS_CHILD) ? r->parent : r->owner;
        if (up) {
            return SendMessage(up, message, wParam, lParam);
        }
        return 0;
    }
    default:
        return 0;
    }
}

BOOL IsWindow(HWND hwnd) { return platform::FindWindowRecord(hwnd) ? TRUE : FALSE; }

HWND GetParent(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    return (r->style & WS_CHILD) ? r->parent : r->owner;
}

HWND GetWindow(HWND hwnd, UINT relation)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    switch (relation) {
    case GW_CHILD:
        return r->children.empty() ? nullptr : r->children.front();
    case GW_OWNER:
        return r->owner;
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        platform::WindowRecord* p = platform::FindWindowRecord(r->parent);
        if (!p) {
            return nullptr;
        }
        auto it = std::find(p->children.begin(), p->children.end(), hwnd);
        if (relation == GW_HWNDNEXT) {
            return (it == p->children.end() || it + 1 == p->children.end()) ? nullptr : *(it + 1);
        }
        return (it == p->children.begin() || it == p->children.end()) ? nullptr : *(it - 1);
    }
    default:
        return nullptr;
    }
}

HWND GetDlgItem(HWND dialog, int id)
{
    platform::WindowRecord* r = platform::FindWindowRecord(dialog);
    if (!r) {
        return nullptr;
    }
    for (HWND c : r->children) {
        platform::WindowRecord* cr = platform::FindWindowRecord(c);
        if (cr && cr->id == id) {
            return c;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r ? r->id : 0;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !buffer || size <= 0) {
        return 0;
    }
    const int n = std::min<int>(static_cast<int>(r->className.size()), size - 1);
    std::memcpy(buffer, r->className.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) { return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(r->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(r->exStyle);
    case GWL_ID:
        return r->id;
    case GWLP_USERDATA:
        return r->userData;
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(r->proc);
    case DWLP_MSGRESULT:
        return r->dialogMsgResult;
    default:
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    const LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWL_STYLE:
        r->style = static_cast<DWORD>(value);
        break;
    case GWL_EXSTYLE:
        r->exStyle = static_cast<DWORD>(value);
        r->topMost = (r->exStyle & WS_EX_TOPMOST) != 0;
        break;
    case GWL_ID:
        r->id = static_cast<int>(value);
        break;
    case GWLP_USERDATA:
        r->userData = value;
        break;
    case GWLP_WNDPROC:
        r->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case DWLP_MSGRESULT:
        r->dialogMsgResult = value;
        break;
    default:
        return 0;
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrA(hwnd, index)); }
LONG SetWindowLongA(HWND hwnd, int index, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(v) : value));
}

BOOL ShowWindow(HWND hwnd, int command)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const BOOL was = r->visible ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    if (r->visible != show) {
        r->visible = show;
        if (show) {
            r->style |= WS_VISIBLE;
        } else {
            r->style &= ~WS_VISIBLE;
        }
        SendMessage(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
            return was;
        }
    }
    if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
        r->minimized = true;
    } else if (command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED) {
        r->minimized = false;
    }
    if (show) {
        r->needsPaint = true;
        if (!(r->style & WS_CHILD) && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
            command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE) {
            Table().active = hwnd;
        }
    }
    return was;
}

BOOL IsWindowVisible(HWND hwnd)
{
    for (platform::WindowRecord* r = platform::FindWindowRecord(hwnd); r;
         r = (r->style & WS_CHILD) ? platform::FindWindowRecord(r->parent) : nullptr) {
        if (!r->visible) {
            return FALSE;
        }
    }
    return IsWindow(hwnd);
}

BOOL IsIconic(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r && r->minimized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const BOOL wasDisabled = r->enabled ? FALSE : TRUE;
    if (r->enabled != (enable != FALSE)) {
        r->enabled = enable != FALSE;
        if (r->enabled) {
            r->style &= ~WS_DISABLED;
        } else {
            r->style |= WS_DISABLED;
            if (Table().focus == hwnd) {
                SetFocus(nullptr);
            }
        }
        SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r && r->enabled ? TRUE : FALSE;
}

HWND SetFocus(HWND hwnd)
{
    WindowTable& t = Table();
    if (hwnd && !IsWindow(hwnd)) {
        return nullptr;
    }
    const HWND old = IsWindow(t.focus) ? t.focus : nullptr;
    if (old == hwnd) {
        return old;
    }
    t.focus = hwnd;
    if (old) {
        SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd && t.focus == hwnd) {
        SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
}

HWND GetFocus() { return IsWindow(Table().focus) ? Table().focus : nullptr; }

HWND SetCapture(HWND hwnd)
{
    WindowTable& t = Table();
    const HWND old = IsWindow(t.capture) ? t.capture : nullptr;
    t.capture = IsWindow(hwnd) ? hwnd : nullptr;
    if (old && old != t.capture) {
        SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(t.capture));
    }
    return old;
}

BOOL ReleaseCapture()
{
    WindowTable& t = Table();
    const HWND old = IsWindow(t.capture) ? t.capture : nullptr;
    t.capture = nullptr;
    if (old) {
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() { return IsWindow(Table().capture) ? Table().capture : nullptr; }

HWND SetActiveWindow(HWND hwnd)
{
    WindowTable& t = Table();
    const HWND old = IsWindow(t.active) ? t.active : nullptr;
    if (IsWindow(hwnd)) {
        t.active = hwnd;
    }
    return old;
}

HWND GetActiveWindow() { return IsWindow(Table().active) ? Table().active : nullptr; }
BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd), IsWindow(hwnd); }
HWND GetForegroundWindow() { return GetActiveWindow(); }
BOOL BringWindowToTop(HWND hwnd) { return SetActiveWindow(hwnd), IsWindow(hwnd); }

HWND GetLastActivePopup(HWND hwnd)
{
    const HWND active = GetActiveWindow();
    platform::WindowRecord* a = platform::FindWindowRecord(active);
    if (a && a->owner == hwnd && a->visible) {
        return active;
    }
    return hwnd;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const LONG w = r->rect.right - r->rect.left;
    const LONG h = r->rect.bottom - r->rect.top;
    if (!(flags & SWP_NOMOVE)) {
        r->rect.left = x;
        r->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r->rect.right = r->rect.left + cx;
        r->rect.bottom = r->rect.top + cy;
    } else {
        r->rect.right = r->rect.left + w;
        r->rect.bottom = r->rect.top + h;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) {
            r->topMost = true;
            r->exStyle |= WS_EX_TOPMOST;
        } else if (insertAfter == HWND_NOTOPMOST) {
            r->topMost = false;
            r->exStyle &= ~WS_EX_TOPMOST;
        }
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, SW_SHOWNA);
    } else if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    }
    if (!(flags & SWP_NOSIZE) && (cx != w || cy != h)) {
        SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(cx, cy));
    }
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !rect) {
        return FALSE;
    }
    LONG x, y;
    ScreenOrigin(r, x, y);
    *rect = RECT{x, y, x + (r->rect.right - r->rect.left), y + (r->rect.bottom - r->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !rect) {
        return FALSE;
    }
    *rect = RECT{0, 0, r->rect.right - r->rect.left, r->rect.bottom - r->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !point) {
        return FALSE;
    }
    LONG x, y;
    ScreenOrigin(r, x, y);
    point->x -= x;
    point->y -= y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !point) {
        return FALSE;
    }
    LONG x, y;
    ScreenOrigin(r, x, y);
    point->x += x;
    point->y += y;
    return TRUE;
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    platform::WindowRecord* r = platform::FindWindowRecord(parent);
    if (!r) {
        return nullptr;
    }
    const LONG w = r->rect.right - r->rect.left;
    const LONG h = r->rect.bottom - r->rect.top;
    if (point.x < 0 || point.y < 0 || point.x >= w || point.y >= h) {
        return nullptr;
    }
    for (HWND c : r->children) {
        platform::WindowRecord* cr = platform::FindWindowRecord(c);
        if (cr && point.x >= cr->rect.left && point.x < cr->rect.right && point.y >= cr->rect.top &&
            point.y < cr->rect.bottom) {
            return c;
        }
    }
    return parent;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    r->needsPaint = true;
    r->eraseOnPaint = r->eraseOnPaint || erase;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    r->needsPaint = false;
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    if (r->needsPaint) {
        r->needsPaint = false;
        ++r->paintCount;
        SendMessage(hwnd, WM_PAINT, 0, 0);
    }
    return TRUE;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    for (HWND h : platform::AllWindows()) {
        platform::WindowRecord* r = platform::FindWindowRecord(h);
        if (!r || (r->style & WS_CHILD)) {
            continue;
        }
        if (className && Upper(className) != Upper(r->className)) {
            continue;
        }
        if (windowName && r->text != windowName) {
            continue;
        }
        return h;
    }
    return nullptr;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
        return 1920;
    case SM_CYSCREEN:
        return 1080;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    default:
        return 0;
    }
}

UINT GetDoubleClickTime() { return 500; }

BOOL GetCursorPos(POINT* point)
{
    if (!point) {
        return FALSE;
    }
    *point = Table().cursor;
    return TRUE;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    if (!rect) {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

short GetAsyncKeyState(int vk) { return Table().keys[vk & 0xFF] ? static_cast<short>(0x8000) : 0; }
short GetKeyState(int vk) { return GetAsyncKeyState(vk); }

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) { return SetWindowTextA(GetDlgItem(dialog, id), text); }

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size)
{
    return static_cast<UINT>(GetWindowTextA(GetDlgItem(dialog, id), buffer, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    const std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    return SetDlgItemTextA(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    char buf[64];
    GetDlgItemTextA(dialog, id, buf, sizeof buf);
    const char* p = buf;
    while (*p == ' ') {
        ++p;
    }
    bool negative = false;
    if (isSigned && *p == '-') {
        negative = true;
        ++p;
    }
    if (*p < '0' || *p > '9') {
        if (translated) {
            *translated = FALSE;
        }
        return 0;
    }
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > 0xFFFFFFFFLL) {
            if (translated) {
                *translated = FALSE;
            }
            return 0;
        }
        ++p;
    }
    while (*p == ' ') {
        ++p;
    }
    if (*p != '\0') {
        if (translated) {
            *translated = FALSE;
        }
        return 0;
    }
    if (translated) {
        *translated = TRUE;
    }
    return static_cast<UINT>(negative ? -v : v);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessage(GetDlgItem(dialog, id), message, wParam, lParam);
}

HWND SetParent(HWND child, HWND newParent)
{
    platform::WindowRecord* r = platform::FindWindowRecord(child);
    if (!r) {
        return nullptr;
    }
    const HWND old = (r->style & WS_CHILD) ? r->parent : r->owner;
    if (platform::WindowRecord* p = platform::FindWindowRecord(r->parent)) {
        std::erase(p->children, child);
    }
    if (platform::WindowRecord* np = platform::FindWindowRecord(newParent)) {
        r->parent = newParent;
        np->children.push_back(child);
    } else {
        r->parent = nullptr;
    }
    return old;
}

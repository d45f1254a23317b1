// The window table: records by handle, creation and destruction, default handling, text, window longs, properties and relations.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/core/Strings.h"
#include "platform/user/Controls.h"
#include "platform/user/RemoteWindows.h"
#include "platform/user/UserInternal.h"
#include "platform/user/Window.h"

namespace {
struct Slot {
    std::unique_ptr<platform::WindowRecord> record;
    std::uint32_t generation = 1;
};

struct WindowTable {
    std::vector<Slot> slots;
    std::vector<std::size_t> freeSlots;
    std::vector<std::unique_ptr<platform::WindowRecord>> graveyard;  // freed when no dispatch runs
};

// Constant-initialised: dispatching needs no start-up guard.
constinit WindowTable g_table;

WindowTable& Table() { return g_table; }

HWND MakeHandle(std::size_t slot, std::uint32_t generation)
{
    const std::uintptr_t v = (static_cast<std::uintptr_t>(generation & 0x7FFF) << 16) | (slot + 1);
    return reinterpret_cast<HWND>(v);
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

namespace user_detail {
void DispatchScope::FreeBuried()
{
    buried = false;
    Table().graveyard.clear();
}

HWND PaintRequest(HWND filter, bool take)
{
    if (PaintFlag::Pending() == 0) {
        return nullptr;
    }
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
        if (r && !(r->state.style & WS_CHILD)) {
            DestroyWindow(h);
        }
    }
    for (HWND h : AllWindows()) {
        DestroyWindow(h);
    }
    ResetWindowState();
    ResetKeys();
    ResetMouse();
}
}
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param)
{
    const platform::user_detail::WindowClass* cls = platform::user_detail::FindWindowClass(className);
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
    if (x == CW_USEDEFAULT) {
        x = 100;
        y = 100;
    }
    // A given x with a default y (a saved position of 0 leaves y default) still places the window on screen.
    if (y == CW_USEDEFAULT) {
        y = 100;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    platform::WindowState initial;
    initial.className = cls->name;
    initial.text = windowName ? windowName : "";
    initial.style = style;
    initial.exStyle = exStyle;
    initial.rect = RECT{x, y, x + width, y + height};
    initial.topMost = (exStyle & WS_EX_TOPMOST) != 0;
    initial.enabled = (style & WS_DISABLED) == 0;
    if (style & WS_CHILD) {
        initial.parent = parent;
        initial.id = static_cast<int>(reinterpret_cast<std::intptr_t>(menuOrId));
    } else {
        initial.owner = parent;
        initial.menu = menuOrId;
    }
    Slot& s = t.slots[slot];
    const HWND hwnd = MakeHandle(slot, s.generation);
    s.record = std::make_unique<platform::WindowRecord>(hwnd, std::move(initial));
    platform::WindowRecord* r = s.record.get();
    r->proc = cls->wc.lpfnWndProc;
    platform::CurrentBackend().WindowCreated(hwnd, r->state);
    if (style & WS_CHILD) {
        platform::FindWindowRecord(parent)->Change(platform::WindowChange::Family)->children.push_back(hwnd);
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
        r = platform::FindWindowRecord(hwnd);
        r->Change(platform::WindowChange::Show)->visible = true;
        r->needsPaint = true;
        r->eraseOnPaint = true;
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
    platform::user_detail::DispatchScope scope;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    // Owned popups and children go with it.
    for (HWND other : platform::AllWindows()) {
        platform::WindowRecord* o = platform::FindWindowRecord(other);
        if (o && !(o->state.style & WS_CHILD) && o->state.owner == hwnd) {
            DestroyWindow(other);
        }
    }
    if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
        return TRUE;
    }
    const std::vector<HWND> children = r->state.children;
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
    platform::user_detail::DestroyWindowMenus(hwnd, (r->state.style & WS_CHILD) ? nullptr : r->state.menu);
    platform::user_detail::ForgetWindowSurface(hwnd);
    platform::user_detail::ForgetWindowState(hwnd);
    r->Change(platform::WindowChange::Menu)->menu = nullptr;
    platform::CurrentBackend().WindowDestroyed(hwnd);
    r->handle = nullptr;
    if (platform::WindowRecord* p = platform::FindWindowRecord(r->state.parent)) {
        std::erase(p->Change(platform::WindowChange::Family)->children, hwnd);
    }
    const std::size_t slot = (reinterpret_cast<std::uintptr_t>(hwnd) & 0xFFFF) - 1;
    Slot& s = t.slots[slot];
    t.graveyard.push_back(std::move(s.record));
    platform::user_detail::DispatchScope::buried = true;
    ++s.generation;
    t.freeSlots.push_back(slot);
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
        r->Change(platform::WindowChange::Text)->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_SETICON: {
        auto s = r->Change(platform::WindowChange::Icon);
        HANDLE& slot = wParam == ICON_SMALL ? s->smallIcon : s->bigIcon;
        const HANDLE old = slot;
        slot = reinterpret_cast<HANDLE>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(wParam == ICON_SMALL ? r->state.smallIcon : r->state.bigIcon);
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(r->state.text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), r->state.text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(r->state.text.size());
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
    case UM_INPUT_FOCUS:
        if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            SetFocus(hwnd);
        }
        return 0;
    case UM_INPUT_MOVE:
        // The record follows where the user (or the window manager) put the window.
        SetWindowPos(hwnd, nullptr, static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                     static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
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
    case WM_RBUTTONUP: {
        // A right click asks for the window's context menu at the screen point.
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &at);
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(at.x, at.y));
        return 0;
    }
    case WM_HELP:
    case WM_CONTEXTMENU: {
        // Children pass these on to the parent, top-level windows to their owner.
        HWND up = (r->state.style & WS_CHILD) ? r->state.parent : r->state.owner;
        if (up) {
            return SendMessage(up, message, wParam, lParam);
        }
        return 0;
    }
    default:
        return 0;
    }
}

BOOL IsWindow(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->IsAlive(hwnd) : FALSE;
    }
    return platform::FindWindowRecord(hwnd) ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    return (r->state.style & WS_CHILD) ? r->state.parent : r->state.owner;
}

HWND GetWindow(HWND hwnd, UINT relation)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    switch (relation) {
    case GW_CHILD:
        return r->state.children.empty() ? nullptr : r->state.children.front();
    case GW_OWNER:
        return r->state.owner;
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        platform::WindowRecord* p = platform::FindWindowRecord(r->state.parent);
        if (!p) {
            return nullptr;
        }
        auto it = std::find(p->state.children.begin(), p->state.children.end(), hwnd);
        if (relation == GW_HWNDNEXT) {
            return (it == p->state.children.end() || it + 1 == p->state.children.end()) ? nullptr : *(it + 1);
        }
        return (it == p->state.children.begin() || it == p->state.children.end()) ? nullptr : *(it - 1);
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
    for (HWND c : r->state.children) {
        platform::WindowRecord* cr = platform::FindWindowRecord(c);
        if (cr && cr->state.id == id) {
            return c;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r ? r->state.id : 0;
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
        return static_cast<LONG_PTR>(r->state.style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(r->state.exStyle);
    case GWL_ID:
        return r->state.id;
    case GWLP_USERDATA:
        return r->userData;
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(r->proc);
    case DWLP_MSGRESULT:
        return r->dialogMsgResult;
    case DWLP_DLGPROC:
        return reinterpret_cast<LONG_PTR>(r->dialogProc);
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
        r->Change(platform::WindowChange::Style)->style = static_cast<DWORD>(value);
        break;
    case GWL_EXSTYLE: {
        auto s = r->Change(platform::WindowChange::Style);
        s->exStyle = static_cast<DWORD>(value);
        s->topMost = (s->exStyle & WS_EX_TOPMOST) != 0;
        break;
    }
    case GWL_ID:
        r->Change(platform::WindowChange::Family)->id = static_cast<int>(value);
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
    case DWLP_DLGPROC:
        r->dialogProc = reinterpret_cast<std::intptr_t (*)(HWND, UINT, WPARAM, LPARAM)>(value);
        break;
    default:
        return 0;
    }
    return old;
}

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE value)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !name) {
        return FALSE;
    }
    for (auto& [key, v] : r->props) {
        if (key == name) {
            v = value;
            return TRUE;
        }
    }
    r->props.emplace_back(name, value);
    return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name)
{
    const platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !name) {
        return nullptr;
    }
    for (const auto& [key, v] : r->props) {
        if (key == name) {
            return v;
        }
    }
    return nullptr;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !name) {
        return nullptr;
    }
    for (auto it = r->props.begin(); it != r->props.end(); ++it) {
        if (it->first == name) {
            const HANDLE v = it->second;
            r->props.erase(it);
            return v;
        }
    }
    return nullptr;
}

LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrA(hwnd, index)); }
LONG SetWindowLongA(HWND hwnd, int index, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(v) : value));
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam)
{
    if (!proc) {
        return FALSE;
    }
    for (HWND h : platform::AllWindows()) {
        const platform::WindowRecord* r = platform::FindWindowRecord(h);
        if (r && !(r->state.style & WS_CHILD) && !proc(h, lParam)) {
            return FALSE;
        }
    }
    return TRUE;
}

namespace {
// A copy of each child list, so windows the callback makes or destroys do not upset the walk.
bool EachDescendant(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    const platform::WindowRecord* r = platform::FindWindowRecord(parent);
    const std::vector<HWND> children = r ? r->state.children : std::vector<HWND>();
    for (HWND c : children) {
        if (!IsWindow(c)) {
            continue;
        }
        if (!proc(c, lParam) || !EachDescendant(c, proc, lParam)) {
            return false;
        }
    }
    return true;
}
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    return proc && EachDescendant(parent, proc, lParam) ? TRUE : FALSE;
}

HWND SetParent(HWND child, HWND newParent)
{
    platform::WindowRecord* r = platform::FindWindowRecord(child);
    if (!r) {
        return nullptr;
    }
    const HWND old = (r->state.style & WS_CHILD) ? r->state.parent : r->state.owner;
    if (platform::WindowRecord* p = platform::FindWindowRecord(r->state.parent)) {
        std::erase(p->Change(platform::WindowChange::Family)->children, child);
    }
    platform::WindowRecord* np = platform::FindWindowRecord(newParent);
    {
        auto s = r->Change(platform::WindowChange::Family);
        s->parent = np ? newParent : nullptr;
        if (np && (s->style & WS_CHILD)) {
            s->owner = nullptr;  // a child has a parent, never an owner
        }
    }
    if (np) {
        np->Change(platform::WindowChange::Family)->children.push_back(child);
    }
    return old;
}

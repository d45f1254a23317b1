// Dialogs made from templates, the modal loop that dialogs and property sheets share, and the dialog keys.
#include "platform/user/Dialogs.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace {
using platform::WindowRecord;

constexpr int kClosedComboHeight = 12;  // dialog units

LRESULT DialogClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefDlgProcA(hwnd, msg, wp, lp); }

void RegisterDialogClass()
{
    static bool done = false;
    if (!done) {
        done = true;
        WNDCLASSA wc{};
        wc.lpfnWndProc = DialogClassProc;
        wc.lpszClassName = WC_DIALOG;
        RegisterClassA(&wc);
    }
}

std::string TemplateLabel(LPCSTR name)
{
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name)) : std::string(name);
}

// The first of the dialog's own controls that is shown, enabled and passes the test.
HWND FirstChild(HWND dialog, bool (*test)(const platform::WindowState&))
{
    WindowRecord* r = platform::FindWindowRecord(dialog);
    if (!r) {
        return nullptr;
    }
    for (HWND c : r->state.children) {
        WindowRecord* cr = platform::FindWindowRecord(c);
        if (cr && cr->state.visible && cr->state.enabled && test(cr->state)) {
            return c;
        }
    }
    return nullptr;
}

HWND FirstTabStop(HWND dialog)
{
    return FirstChild(dialog, [](const platform::WindowState& s) { return (s.style & WS_TABSTOP) != 0; });
}

// The windows a dialog's keys reach, in tab order: its visible children, with
// those of a child control parent in its place.
void KeyedWindows(HWND parent, std::vector<HWND>& out)
{
    WindowRecord* r = platform::FindWindowRecord(parent);
    if (!r) {
        return;
    }
    for (HWND c : std::vector<HWND>(r->state.children)) {
        WindowRecord* cr = platform::FindWindowRecord(c);
        if (!cr || !cr->state.visible) {
            continue;
        }
        if (cr->state.exStyle & WS_EX_CONTROLPARENT) {
            if (cr->state.enabled) {
                KeyedWindows(c, out);
            }
        } else {
            out.push_back(c);
        }
    }
}

// The tab control a sheet's pages are chosen with, if the dialog has one.
HWND TabStrip(HWND dialog)
{
    return FirstChild(dialog, [](const platform::WindowState& s) { return EqualsNoCase(s.className, WC_TABCONTROL); });
}

bool IsChildOf(HWND child, HWND ancestor)
{
    for (HWND h = child; h; h = GetParent(h)) {
        if (h == ancestor) {
            return true;
        }
        WindowRecord* r = platform::FindWindowRecord(h);
        if (!r || !(r->state.style & WS_CHILD)) {
            break;
        }
    }
    return false;
}

char Mnemonic(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            const char c = text[i + 1];
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        }
    }
    return 0;
}
}

HWND CreateDialogParamA(HINSTANCE, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM init)
{
    const platform::DialogTemplate* t = platform::FindDialog(templateName);
    if (!t) {
        return nullptr;
    }
    RegisterDialogClass();
    const SIZE base = platform::DialogBaseUnits(*t);
    const auto px = [base](int x) { return platform::DialogUnitsToPixelsX(x, base); };
    const auto py = [base](int y) { return platform::DialogUnitsToPixelsY(y, base); };
    const bool child = (t->style & WS_CHILD) != 0;
    int x = px(t->x);
    int y = py(t->y);
    const int w = px(t->cx);
    const int h = py(t->cy);
    if (!child && (t->style & DS_CENTER)) {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    }
    // A dialog inside another (a page, the main window's panel) shares its keys, as DS_CONTROL says.
    const DWORD exStyle = t->exStyle | (child && (t->style & DS_CONTROL) ? WS_EX_CONTROLPARENT : 0);
    HWND hwnd = CreateWindowExA(exStyle, WC_DIALOG, t->caption.c_str(), t->style & ~WS_VISIBLE, x, y, w, h, parent,
                                nullptr, nullptr, nullptr);
    if (!hwnd) {
        return nullptr;
    }
    platform::FindWindowRecord(hwnd)->dialogProc = proc;
    platform::FindWindowRecord(hwnd)->baseUnits = base;
    for (const platform::DialogItemTemplate& item : t->items) {
        // A drop-down combo's height in a template is that of its open list; the window itself is one line
        // high, as tall as an edit, so it does not lie over the controls below it.
        const bool dropDown = EqualsNoCase(item.className, WC_COMBOBOX) && (item.style & 0x3) >= CBS_DROPDOWN;
        const int cy = dropDown ? std::min(item.cy, kClosedComboHeight) : item.cy;
        HWND c = CreateWindowExA(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                 px(item.x), py(item.y), px(item.cx), py(cy), hwnd,
                                 reinterpret_cast<HMENU>(static_cast<std::intptr_t>(item.id)), nullptr, nullptr);
        if (!c) {
            std::fprintf(stderr, "dialog %s: control %d of class \"%s\" cannot be created\n",
                         TemplateLabel(templateName).c_str(), item.id, item.className.c_str());
            DestroyWindow(hwnd);
            return nullptr;
        }
        if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && platform::FindWindowRecord(c)->state.className == WC_BUTTON) {
            platform::FindWindowRecord(hwnd)->defaultId = item.id;
        }
    }
    HWND first = FirstTabStop(hwnd);
    if (SendMessage(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), init) && IsWindow(first)) {
        SetFocus(first);
    }
    if (IsWindow(hwnd) && (t->style & WS_VISIBLE)) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

INT_PTR DialogBoxParamA(HINSTANCE module, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM init)
{
    HWND owner = parent;
    while (owner && (GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) {
        owner = GetParent(owner);
    }
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);  // before creation, as the dialog's set-up may already look at it
    }
    HWND hwnd = CreateDialogParamA(module, templateName, owner, proc, init);
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
    }
    if (!hwnd) {
        platform::CurrentBackend().BeginModal(nullptr, templateName);
        return -1;
    }
    return RunModalWindow(hwnd, owner, templateName);
}

INT_PTR RunModalWindow(HWND hwnd, HWND owner, LPCSTR scriptKey)
{
    platform::Backend& backend = platform::CurrentBackend();
    backend.BeginModal(hwnd, scriptKey);
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    auto ended = [hwnd] {
        WindowRecord* r = platform::FindWindowRecord(hwnd);
        return !r || r->dialogEnded;
    };
    if (!ended()) {
        ShowWindow(hwnd, SW_SHOW);
    }
    platform::PushModalWindow(hwnd);
    if (!ended()) {
        backend.ModalReady(hwnd);
    }
    // The nested loop: everything queued is dispatched while the window is up.
    bool quit = false;
    while (!ended()) {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!backend.ModalIdle(hwnd)) {
                break;
            }
            platform::user_detail::WaitForInput(nullptr);
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostMessage(msg.hwnd, WM_QUIT, msg.wParam, msg.lParam);
            quit = true;
            break;
        }
        platform::ProcessMessage(&msg);
    }
    if (!ended()) {
        if (!quit) {
            std::fprintf(stderr, "modal window %s left open without an answer: cancelled\n", TemplateLabel(scriptKey).c_str());
        }
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
        if (!ended()) {
            EndDialog(hwnd, IDCANCEL);
        }
    }
    platform::PopModalWindow(hwnd);
    backend.EndModal(hwnd);
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    const INT_PTR result = r ? static_cast<INT_PTR>(r->dialogResult) : IDCANCEL;
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    DestroyWindow(hwnd);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    WindowRecord* r = platform::FindWindowRecord(dialog);
    if (!r) {
        return FALSE;
    }
    r->dialogResult = static_cast<DWORD_PTR>(result);
    r->dialogEnded = true;
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

LRESULT DefDlgProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return 0;
    }
    if (r->dialogProc) {
        r->dialogMsgResult = 0;
        const INT_PTR handled = r->dialogProc(hwnd, msg, wp, lp);
        if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
            return 0;
        }
        if (handled) {
            return msg == WM_INITDIALOG ? handled : r->dialogMsgResult;
        }
    }
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
        return 0;
    case DM_GETDEFID:
        return MAKELONG(static_cast<WORD>(r->defaultId), DC_HASDEFID);
    case DM_SETDEFID:
        r->defaultId = static_cast<int>(wp);
        return TRUE;
    case WM_NEXTDLGCTL: {
        // lParam set: wParam is the control to focus; else the next (0) or previous tab stop.
        HWND target = lp ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd, GetFocus(), wp != 0);
        if (target && IsChildOf(target, hwnd)) {
            SetFocus(target);
        }
        return 0;
    }
    case WM_PAINT:
        return DefWindowProcA(hwnd, msg, wp, lp);
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

BOOL IsDialogMessageA(HWND dialog, MSG* msg)
{
    if (!msg || !IsWindow(dialog) || !IsChildOf(msg->hwnd, dialog)) {
        return FALSE;
    }
    // A dialog inside a modal window (a sheet's page) leaves the dialog keys to that
    // window: Enter and Escape are its OK and Cancel, never the page closing itself.
    for (HWND inner = dialog; (GetWindowLongA(inner, GWL_STYLE) & WS_CHILD) && (GetWindowLongA(inner, GWL_STYLE) & DS_CONTROL);) {
        const HWND outer = GetParent(inner);
        if (!outer) {
            break;
        }
        if (platform::IsModalWindow(outer)) {
            dialog = outer;
            break;
        }
        inner = outer;
    }
    if (msg->message == WM_KEYDOWN && GetAsyncKeyState(VK_CONTROL) < 0 &&
        (msg->wParam == VK_TAB || msg->wParam == VK_PRIOR || msg->wParam == VK_NEXT)) {
        // Ctrl+Tab and Ctrl+Page Down choose the next tab, with Shift or Page Up the one before.
        if (HWND tabs = TabStrip(dialog)) {
            const bool back = msg->wParam == VK_PRIOR || (msg->wParam == VK_TAB && GetAsyncKeyState(VK_SHIFT) < 0);
            SendMessage(tabs, UM_INPUT_STEP, back ? 0 : 1, 0);
            return TRUE;
        }
    }
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
        case VK_RETURN: {
            // A window that names no default button (a property sheet) takes Enter as OK.
            const LRESULT def = SendMessage(dialog, DM_GETDEFID, 0, 0);
            const int id = HIWORD(static_cast<DWORD_PTR>(def)) == DC_HASDEFID ? LOWORD(static_cast<DWORD_PTR>(def)) : IDOK;
            HWND b = GetDlgItem(dialog, id);
            if (b && !IsWindowEnabled(b)) {
                return TRUE;
            }
            SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
            return TRUE;
        }
        case VK_ESCAPE:
            SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return TRUE;
        case VK_TAB: {
            HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetAsyncKeyState(VK_SHIFT) < 0);
            if (next) {
                SetFocus(next);
            }
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    if (msg->message == WM_SYSCHAR) {
        const char c = static_cast<char>(msg->wParam >= 'A' && msg->wParam <= 'Z' ? msg->wParam + 32 : msg->wParam);
        std::vector<HWND> keyed;
        KeyedWindows(dialog, keyed);
        std::vector<std::size_t> matches;
        std::size_t focus = keyed.size();
        for (std::size_t i = 0; i < keyed.size(); ++i) {
            WindowRecord* cr = platform::FindWindowRecord(keyed[i]);
            if (cr && cr->state.enabled && Mnemonic(cr->state.text) == c) {
                matches.push_back(i);
            }
            if (keyed[i] == GetFocus()) {
                focus = i;
            }
        }
        if (matches.empty()) {
            return FALSE;
        }
        // A mnemonic that several controls share presses none of them: each press moves on to the next after the focus.
        std::size_t i = matches[0];
        if (matches.size() > 1 && focus < keyed.size()) {
            const auto next = std::find_if(matches.begin(), matches.end(), [&](std::size_t m) { return m > focus; });
            i = next != matches.end() ? *next : matches[0];
        }
        WindowRecord* cr = platform::FindWindowRecord(keyed[i]);
        if (cr->state.className == WC_BUTTON && (cr->state.style & BS_TYPEMASK) != BS_GROUPBOX) {
            if (matches.size() == 1) {
                SendMessage(keyed[i], BM_CLICK, 0, 0);
            } else {
                SetFocus(keyed[i]);
            }
        } else if (i + 1 < keyed.size()) {
            SetFocus(keyed[i + 1]);  // a label gives the focus to the control after it
        }
        return TRUE;
    }
    return FALSE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect)
{
    const WindowRecord* r = platform::FindWindowRecord(dialog);
    if (!rect || !r) {
        return FALSE;
    }
    rect->left = platform::DialogUnitsToPixelsX(rect->left, r->baseUnits);
    rect->right = platform::DialogUnitsToPixelsX(rect->right, r->baseUnits);
    rect->top = platform::DialogUnitsToPixelsY(rect->top, r->baseUnits);
    rect->bottom = platform::DialogUnitsToPixelsY(rect->bottom, r->baseUnits);
    return TRUE;
}

namespace platform {
SIZE DialogBaseUnits(const DialogTemplate& dialog)
{
    const SIZE base = CurrentBackend().DialogBaseUnits(dialog.fontName, dialog.pointSize);
    return base.cx > 0 && base.cy > 0 ? base : SIZE{6, 13};
}
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> kids;
    KeyedWindows(dialog, kids);
    const std::size_t n = kids.size();
    if (n == 0) {
        return nullptr;
    }
    // From no control (or one the keys do not reach) forward starts at the first, back at the last.
    std::size_t start = previous ? 0 : n - 1;
    for (std::size_t i = 0; i < n; ++i) {
        if (kids[i] == control) {
            start = i;
        }
    }
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t i = previous ? (start + n - k) % n : (start + k) % n;
        WindowRecord* c = platform::FindWindowRecord(kids[i]);
        if (c && (c->state.style & WS_TABSTOP) && c->state.visible && c->state.enabled) {
            return kids[i];
        }
    }
    return nullptr;
}

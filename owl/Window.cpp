// Binding objects to window records and dispatch: the child that sent a notification sees it before its parent.
#include "owl/Window.h"

#include <algorithm>
#include <memory>

#include "owl/Application.h"

namespace OWL {
namespace {
TWindow* g_creating = nullptr;        // the next own-class window
TWindow* g_creatingDialog = nullptr;  // the next dialog (template controls are made before it is bound)

// Each bound window carries its object as a property.
constexpr const char* kObjectProp = "OWL_Object";

TWindow* ObjectOf(HWND h) { return static_cast<TWindow*>(::GetPropA(h, kObjectProp)); }
WNDPROC ProcOf(HWND h) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(h, GWLP_WNDPROC)); }
void SetProc(HWND h, WNDPROC proc) { ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)); }
}

void SetCreatingWindow(TWindow* window) { g_creating = window; }
void SetCreatingDialog(TWindow* dialog) { g_creatingDialog = dialog; }

void RegisterFrameworkClasses()
{
    for (const char* name : {"OWL_Gauge", "OWL_Window"}) {
        WNDCLASSA existing{};
        if (!GetClassInfoA(nullptr, name, &existing)) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = OwlWindowProc;
            wc.lpszClassName = name;
            RegisterClassA(&wc);
        }
    }
}

LRESULT OwlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!::IsWindow(hwnd)) {
        return 0;
    }
    TWindow* w = ObjectOf(hwnd);
    if (!w && g_creating && msg == WM_NCCREATE) {
        w = g_creating;
        g_creating = nullptr;
        ::SetPropA(hwnd, kObjectProp, w);
        w->Handle = hwnd;
        if (!w->DefaultProc) {
            w->DefaultProc = DefWindowProcA;
        }
    }
    if (!w) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return w->ReceiveMessage(msg, wParam, lParam);
}

std::intptr_t OwlDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!::IsWindow(hwnd) || ObjectOf(hwnd) || !g_creatingDialog) {
        return FALSE;
    }
    // First message of a dialog made for an object: from now on the window goes straight to it.
    TWindow* w = g_creatingDialog;
    g_creatingDialog = nullptr;
    ::SetPropA(hwnd, kObjectProp, w);
    ::SetWindowLongPtrA(hwnd, DWLP_DLGPROC, 0);
    SetProc(hwnd, OwlWindowProc);
    w->Handle = hwnd;
    w->DefaultProc = DefDlgProcA;
    const LRESULT res = w->ReceiveMessage(msg, wParam, lParam);
    if (msg == WM_INITDIALOG) {
        return res;
    }
    if (::IsWindow(hwnd)) {
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, res);
    }
    return TRUE;
}

DEFINE_RESPONSE_TABLE(TWindow)
EV_WM_CLOSE,
EV_WM_DESTROY,
END_RESPONSE_TABLE

TWindow::TWindow(TWindow* parent, LPCSTR title, TModule* module) : Title(title ? title : ""), Module(module)
{
    if (parent) {
        SetParent(parent);
    } else {
        Attr.Style = WS_OVERLAPPEDWINDOW;
        Attr.X = Attr.Y = Attr.W = Attr.H = CW_USEDEFAULT;
    }
}

TWindow::~TWindow()
{
    *alive_ = false;
    auto kids = children_;
    children_.clear();
    for (TWindow* k : kids) {
        k->Parent = nullptr;
        delete k;
    }
    if (Handle) {
        const HWND h = Handle;
        Detach();
        if (!IsFlagSet(wfAlias)) {
            ::DestroyWindow(h);
        }
    }
    if (Parent) {
        std::erase(Parent->children_, this);
    }
}

void TWindow::SetParent(TWindow* parent)
{
    if (Parent == parent) {
        return;
    }
    if (Parent) {
        std::erase(Parent->children_, this);
    }
    Parent = parent;
    if (parent) {
        parent->children_.push_back(this);
    }
}

TWindow* TWindow::FromHandle(HWND hwnd) { return ObjectOf(hwnd); }

TApplication* TWindow::GetApplication() const { return TApplication::Current(); }

TModule* TWindow::GetModule() const
{
    if (Module) {
        return Module;
    }
    return GetApplication();
}

LPCSTR TWindow::GetClassName() { return "OWL_Window"; }

void TWindow::GetWindowClass(WNDCLASSA& wc)
{
    wc.lpfnWndProc = OwlWindowProc;
    wc.lpszClassName = GetClassName();
}

bool TWindow::RegisterOwnClass()
{
    WNDCLASSA existing{};
    if (GetClassInfoA(nullptr, GetClassName(), &existing)) {
        return true;
    }
    WNDCLASSA wc{};
    GetWindowClass(wc);
    return RegisterClassA(&wc) != 0;
}

bool TWindow::Create()
{
    if (Handle) {
        return true;
    }
    HWND parentHandle = Parent ? Parent->Handle : nullptr;
    // A child object of a window made from a template binds to the control with its id.
    if (Parent && parentHandle && Attr.Id && (Attr.Style & WS_CHILD)) {
        HWND existing = ::GetDlgItem(parentHandle, Attr.Id);
        if (existing && !FromHandle(existing)) {
            SetFlag(wfAlias);
            return Attach(existing);
        }
    }
    if (!IsFlagSet(wfPredefinedClass) && !RegisterOwnClass()) {
        return false;
    }
    HMENU menuOrId = nullptr;
    if (Attr.Style & WS_CHILD) {
        menuOrId = reinterpret_cast<HMENU>(static_cast<std::intptr_t>(Attr.Id));
    } else if (Attr.Menu && GetModule()) {
        menuOrId = GetModule()->LoadMenu(Attr.Menu);
    }
    if (!IsFlagSet(wfPredefinedClass)) {
        SetCreatingWindow(this);
    }
    HWND h = CreateWindowExA(Attr.ExStyle, GetClassName(), Title.c_str(), Attr.Style, Attr.X, Attr.Y, Attr.W, Attr.H,
                             parentHandle, menuOrId, GetModule() ? GetModule()->GetHandle() : nullptr, nullptr);
    SetCreatingWindow(nullptr);
    if (!h) {
        return false;
    }
    if (IsFlagSet(wfPredefinedClass) && !Handle) {
        return Attach(h);
    }
    return Handle != nullptr;
}

bool TWindow::Attach(HWND hwnd)
{
    if (!::IsWindow(hwnd) || ObjectOf(hwnd)) {
        return false;
    }
    // Read before the object takes the window's messages.
    Attr.Id = ::GetDlgCtrlID(hwnd);
    Attr.Style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE));
    Handle = hwnd;
    if (Title.empty()) {
        Title = GetWindowText();
    }
    ::SetPropA(hwnd, kObjectProp, this);
    const WNDPROC proc = ProcOf(hwnd);
    DefaultProc = proc == OwlWindowProc ? DefWindowProcA : proc;
    SetProc(hwnd, OwlWindowProc);
    SetupWindow();
    return true;
}

void TWindow::Detach()
{
    if (Handle && ObjectOf(Handle) == this) {
        ::RemovePropA(Handle, kObjectProp);
        if (ProcOf(Handle) == OwlWindowProc) {
            SetProc(Handle, DefaultProc ? DefaultProc : DefWindowProcA);
        }
    }
    Handle = nullptr;
}

void TWindow::SetupWindow()
{
    CreateChildren();
    if (IsFlagSet(wfTransfer)) {
        TransferData(tdSetData);
    }
    SetFlag(wfFullyCreated);
}

void TWindow::CleanupWindow() {}

bool TWindow::CreateChildren()
{
    const auto kids = children_;
    bool ok = true;
    for (TWindow* k : kids) {
        if (!k->Handle && !k->Create()) {
            ok = false;
        }
    }
    return ok;
}

bool TWindow::CanClose()
{
    for (TWindow* k : children_) {
        if (k->Handle && !k->CanClose()) {
            return false;
        }
    }
    return true;
}

bool TWindow::PreProcessMsg(MSG&) { return false; }

void TWindow::CloseWindow(int retVal)
{
    if (CanClose()) {
        Destroy(retVal);
    }
}

void TWindow::Destroy(int)
{
    if (Handle) {
        ::DestroyWindow(Handle);
    }
}

LRESULT TWindow::ReceiveMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A handler may delete this object (a modeless window closing itself): keep a token to check.
    const std::shared_ptr<bool> alive = alive_;
    events_.push_back(CurrentEvent{msg, wParam, lParam});
    const LRESULT res = WindowProc(msg, wParam, lParam);
    if (!*alive) {
        return res;
    }
    events_.pop_back();
    if (msg == WM_NCDESTROY) {
        Detach();
    }
    return res;
}

LRESULT TWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        return EvCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_NOTIFY:
        if (lParam) {
            return EvNotify(static_cast<UINT>(wParam), *reinterpret_cast<NMHDR*>(lParam));
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam) {
            HWND ctl = reinterpret_cast<HWND>(lParam);
            TWindow* child = FromHandle(ctl);
            if (child && child != this) {
                TEventInfo ci{WM_OWL_NOTIFYATCHILD, wParam, lParam, 0, LOWORD(wParam), ctl, 0};
                if (child->Find(ci)) {
                    return ci.Result;
                }
            }
            TEventInfo info{WM_OWL_CHILDSCROLL, wParam, lParam, static_cast<UINT>(::GetDlgCtrlID(ctl)), LOWORD(wParam), ctl, 0};
            if (Find(info)) {
                return info.Result;
            }
        }
        break;
    case WM_DRAWITEM:
        if (lParam) {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            TWindow* child = FromHandle(d->hwndItem);
            if (child && child != this && child->DrawItemAtChild(*d)) {
                return TRUE;
            }
        }
        break;
    default:
        break;
    }
    TEventInfo info{msg, wParam, lParam, 0, 0, nullptr, 0};
    if (Find(info)) {
        return info.Result;
    }
    switch (msg) {
    case WM_CREATE: {
        const LRESULT r = DefaultProcessing();
        EvCreate();
        return r;
    }
    case WM_INITDIALOG:
        EvCreate();
        return TRUE;
    case WM_PAINT:
        if (!IsFlagSet(wfPredefinedClass)) {
            TPaintDC dc(Handle);
            TRect rect(dc.Ps.rcPaint);
            Paint(dc, dc.Ps.fErase != FALSE, rect);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefaultProcessing();
}

void TWindow::EvCreate() { SetupWindow(); }

LRESULT TWindow::EvCommand(UINT id, HWND control, UINT notifyCode)
{
    const CurrentEvent& e = events_.back();
    if (control) {
        TWindow* child = FromHandle(control);
        if (child && child != this) {
            TEventInfo ci{WM_OWL_NOTIFYATCHILD, e.wParam, e.lParam, id, notifyCode, control, 0};
            if (child->Find(ci)) {
                return ci.Result;
            }
        }
    }
    TEventInfo info{WM_COMMAND, e.wParam, e.lParam, id, notifyCode, control, 0};
    if (Find(info)) {
        return info.Result;
    }
    if (!control && RouteCommand(info)) {
        return info.Result;
    }
    return DefaultProcessing();
}

LRESULT TWindow::EvNotify(UINT, NMHDR& header)
{
    const CurrentEvent& e = events_.back();
    TWindow* child = FromHandle(header.hwndFrom);
    if (child && child != this) {
        TEventInfo ci{WM_OWL_NOTIFYATCHILD, e.wParam, e.lParam, static_cast<UINT>(header.idFrom), header.code, header.hwndFrom, 0};
        if (child->Find(ci)) {
            return ci.Result;
        }
    }
    TEventInfo info{WM_NOTIFY, e.wParam, e.lParam, static_cast<UINT>(header.idFrom), header.code, header.hwndFrom, 0};
    if (Find(info)) {
        return info.Result;
    }
    return DefaultProcessing();
}

bool TWindow::RouteCommand(TEventInfo&) { return false; }

bool TWindow::EvCommandEnable(TCommandEnabler& enabler)
{
    TEventInfo info{WM_OWL_COMMANDENABLE, 0, reinterpret_cast<LPARAM>(&enabler), enabler.Id, 0, nullptr, 0};
    return Find(info) || RouteCommand(info);
}

bool TWindow::DrawItemAtChild(DRAWITEMSTRUCT&) { return false; }

LRESULT TWindow::DefaultProcessing()
{
    if (events_.empty()) {
        return 0;
    }
    const CurrentEvent e = events_.back();
    return DefWindowProc(e.msg, e.wParam, e.lParam);
}

LRESULT TWindow::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(DefaultProc ? DefaultProc : DefWindowProcA, Handle, msg, wParam, lParam);
}

void TWindow::Paint(TDC&, bool, TRect&) {}

void TWindow::TransferData(TTransferDirection) {}

void TWindow::EvClose()
{
    if (IsFlagSet(wfMainWindow)) {
        TApplication* app = GetApplication();
        if (!app || app->CanClose()) {
            Destroy();
        }
    } else {
        CloseWindow();
    }
}

void TWindow::EvDestroy()
{
    if (IsFlagSet(wfMainWindow) && GetApplication()) {
        ::PostQuitMessage(0);
    }
    CleanupWindow();
    DefaultProcessing();
}

void TWindow::EvSysCommand(UINT, const TPoint&) { DefaultProcessing(); }

TWindow* TWindow::ChildWithId(int id) const
{
    for (TWindow* k : children_) {
        if (k->Attr.Id == id) {
            return k;
        }
    }
    return nullptr;
}

void TWindow::ChildBroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::vector<HWND> kids;
    for (HWND k = ::GetWindow(Handle, GW_CHILD); k; k = ::GetWindow(k, GW_HWNDNEXT)) {
        kids.push_back(k);
    }
    for (HWND k : kids) {
        ::SendMessage(k, msg, wParam, lParam);
    }
}

void TWindow::SetCaption(LPCSTR title)
{
    Title = title ? title : "";
    if (Handle) {
        ::SetWindowTextA(Handle, Title.c_str());
    }
}

std::string TWindow::GetWindowText() const
{
    const int n = ::GetWindowTextLengthA(Handle);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    ::GetWindowTextA(Handle, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(n, 0)));
    return s;
}

TRect TWindow::GetWindowRect() const
{
    RECT r{};
    ::GetWindowRect(Handle, &r);
    return TRect(r);
}

TRect TWindow::GetClientRect() const
{
    RECT r{};
    ::GetClientRect(Handle, &r);
    return TRect(r);
}

bool TWindow::ModifyStyle(DWORD remove, DWORD add)
{
    const DWORD old = GetStyle();
    const DWORD now = (old & ~remove) | add;
    if (now == old) {
        return false;
    }
    SetStyle(now);
    return true;
}

int TWindow::MessageBox(LPCSTR text, LPCSTR caption, UINT type)
{
    if (TApplication* app = GetApplication()) {
        return app->MessageBox(Handle, text, caption, type);
    }
    return ::MessageBoxA(Handle, text, caption, type);
}
}

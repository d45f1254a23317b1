// Frames: commands the client leaves go to the application; menu items are asked to enable before a popup shows.
#include "owl/FrameWindow.h"

#include "owl/Application.h"

namespace OWL {
DEFINE_RESPONSE_TABLE1(TFrameWindow, TWindow)
EV_MESSAGE(WM_INITMENUPOPUP, EvInitMenuPopup),
END_RESPONSE_TABLE

TFrameWindow::TFrameWindow(TWindow* parent, LPCSTR title, TWindow* clientWnd, bool shrinkToClient, TModule* module)
    : TWindow(parent, title, module)
{
    Attr.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    Attr.X = Attr.Y = Attr.W = Attr.H = CW_USEDEFAULT;
    if (shrinkToClient) {
        SetFlag(wfShrinkToClient);
    }
    SetClientWindow(clientWnd);
}

TWindow* TFrameWindow::SetClientWindow(TWindow* client)
{
    TWindow* old = client_;
    client_ = client;
    if (client) {
        client->SetParent(this);
        client->Attr.Style |= WS_CHILD | WS_VISIBLE;
        if (Handle && !client->GetHandle()) {
            client->Create();
        }
    }
    return old;
}

void TFrameWindow::SetupWindow()
{
    TWindow::SetupWindow();
    if (Attr.Menu && !::GetMenu(Handle)) {
        AssignMenu(Attr.Menu);
    }
    if (Attr.AccelTable && GetModule()) {
        accel_ = GetModule()->LoadAccelerators(Attr.AccelTable);
    }
    if (client_ && client_->GetHandle()) {
        const TRect rc = client_->GetWindowRect();
        if (IsFlagSet(wfShrinkToClient)) {
            // Headless frames have no border: the frame is exactly its client.
            SetWindowPos(nullptr, 0, 0, rc.Width(), rc.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        client_->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        client_->ShowWindow(SW_SHOWNA);
    }
}

bool TFrameWindow::AssignMenu(int menuResId)
{
    Attr.Menu = menuResId;
    if (!Handle || !GetModule()) {
        return true;
    }
    HMENU menu = GetModule()->LoadMenu(menuResId);
    if (!menu) {
        return false;
    }
    HMENU old = ::GetMenu(Handle);
    ::SetMenu(Handle, menu);
    if (old) {
        DestroyMenu(old);
    }
    return true;
}

bool TFrameWindow::SetIcon(TModule* module, int resId)
{
    icon_ = module ? module->LoadIcon(resId) : nullptr;
    if (Handle) {
        ::SendMessage(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    }
    return icon_ != nullptr;
}

bool TFrameWindow::SetIconSm(TModule* module, int resId)
{
    iconSm_ = module ? module->LoadIcon(resId) : nullptr;
    if (Handle) {
        ::SendMessage(Handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSm_));
    }
    return iconSm_ != nullptr;
}

bool TFrameWindow::PreProcessMsg(MSG& msg)
{
    if (accel_ && TranslateAcceleratorA(Handle, accel_, &msg)) {
        return true;
    }
    return TWindow::PreProcessMsg(msg);
}

bool TFrameWindow::RouteCommand(TEventInfo& info)
{
    if (client_ && client_->GetHandle() && client_->Find(info)) {
        return true;
    }
    TApplication* app = GetApplication();
    return app && app->Find(info);
}

LRESULT TFrameWindow::EvInitMenuPopup(WPARAM menu, LPARAM info)
{
    if (HIWORD(static_cast<DWORD_PTR>(info))) {
        return DefaultProcessing();  // the system menu
    }
    HMENU popup = reinterpret_cast<HMENU>(menu);
    const int n = GetMenuItemCount(popup);
    for (int i = 0; i < n; ++i) {
        const UINT id = GetMenuItemID(popup, i);
        if (id == 0 || id == 0xFFFFFFFF) {
            continue;
        }
        TMenuItemEnabler enabler(popup, id, Handle, i);
        EvCommandEnable(enabler);
    }
    return 0;
}
}

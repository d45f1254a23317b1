// The tray icon: adding, changing and removing it, and its mouse messages.
#include "app/main/TrayIcon.h"

#include <cstring>

#include "app/main/FrameMessages.h"
#include "platform/core/Strings.h"
#include "platform/user/Menus.h"
#include "platform/user/Window.h"

TTrayIcon::TTrayIcon(OWL::TWindow* owner, UINT id) : owner_(owner)
{
    std::memset(&data_, 0, sizeof data_);
    data_.cbSize = 488;
    data_.uID = id;
    LoadTip(id);
}

TTrayIcon::~TTrayIcon() { SetIcon(0); }

void TTrayIcon::LoadTip(UINT id)
{
    data_.szTip[0] = '\0';
    if (owner_ && owner_->GetModule()) {
        owner_->GetModule()->LoadString(id, data_.szTip, sizeof data_.szTip);
    }
}

void TTrayIcon::SetOwner(OWL::TWindow* owner, UINT callbackMessage)
{
    owner_ = owner;
    data_.hWnd = owner ? owner->GetHandle() : nullptr;
    data_.uCallbackMessage = callbackMessage;
}

bool TTrayIcon::SetIcon(UINT iconId)
{
    if (iconId == 0) {
        return Update(nullptr, nullptr);
    }
    // A string that does not exist leaves the tip empty: the one shown stays.
    LoadTip(iconId);
    HICON icon = owner_ && owner_->GetModule() ? owner_->GetModule()->LoadIcon(static_cast<int>(iconId)) : nullptr;
    return Update(icon, nullptr);
}

bool TTrayIcon::Update(HICON icon, const char* tip)
{
    data_.uFlags = 0;
    DWORD operation;
    if (icon) {
        const bool wasShown = data_.hIcon != nullptr;
        data_.hIcon = icon;
        data_.uFlags |= NIF_ICON;
        operation = wasShown ? NIM_MODIFY : NIM_ADD;
    } else {
        if (!data_.hIcon) {
            return true;
        }
        operation = NIM_DELETE;
    }
    if (tip) {
        platform::CopyBounded(data_.szTip, sizeof data_.szTip, tip);
    }
    if (data_.szTip[0]) {
        data_.uFlags |= NIF_TIP;
    }
    if (data_.uCallbackMessage && data_.hWnd) {
        data_.uFlags |= NIF_MESSAGE;
    }
    const bool done = Shell_NotifyIconA(operation, &data_) != FALSE;
    // Forgotten after a removal, and after a failed add or change, so the next call adds it again.
    if (operation == NIM_DELETE || !done) {
        data_.hIcon = nullptr;
    }
    return done;
}

LRESULT TTrayIcon::EvTrayMouse(UINT id, UINT mouseMessage)
{
    if (id != data_.uID || !owner_ ||
        (mouseMessage != WM_LBUTTONUP && mouseMessage != WM_LBUTTONDBLCLK && mouseMessage != WM_RBUTTONUP)) {
        return 0;
    }
    HMENU menu = owner_->GetModule() ? owner_->GetModule()->LoadMenu(static_cast<int>(data_.uID)) : nullptr;
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    const HWND owner = owner_->GetHandle();
    switch (mouseMessage) {
    case WM_LBUTTONUP:
        // The release that ends a double click is no single click.
        if (lastMouse_ != WM_LBUTTONDBLCLK) {
            SendMessage(owner, UM_TRAY_CLICK, 0, 0);
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (popup) {
            SendMessage(owner, WM_COMMAND, GetMenuItemID(popup, 0), 0);
        }
        break;
    case WM_RBUTTONUP:
        if (popup) {
            SetMenuDefaultItem(popup, 0, TRUE);
            POINT at{};
            GetCursorPos(&at);
            SetForegroundWindow(owner);
            TrackPopupMenu(popup, 0, at.x, at.y, 0, owner, nullptr);
        }
        break;
    default:
        break;
    }
    lastMouse_ = mouseMessage;
    if (menu) {
        DestroyMenu(menu);
    }
    return 1;
}

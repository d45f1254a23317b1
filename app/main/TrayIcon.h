#pragma once
// TTrayIcon: the frame's icon in the notification area, showing whether the
// input is open, with the tooltip "Tapvox", a double click that opens the
// window and a right-click menu.
#include "owl/Window.h"
#include "platform/shell/NotifyIcon.h"

class TTrayIcon {
public:
    TTrayIcon(OWL::TWindow* owner, UINT id);
    virtual ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    void SetOwner(OWL::TWindow* owner, UINT callbackMessage);
    // An icon resource of the owner's module; 0 removes the icon.
    bool SetIcon(UINT iconId);
    // tip null: keep it.
    bool Update(HICON icon, const char* tip);
    // The parameters of the callback message; 1 when handled.
    virtual LRESULT EvTrayMouse(UINT id, UINT mouseMessage);

    // Whether the desktop shows the icon now (it may have no notification area).
    bool IsShown() const { return data_.hIcon != nullptr; }

private:
    void LoadTip(UINT id);

    OWL::TWindow* owner_;
    NOTIFYICONDATAA data_;
    UINT lastMouse_ = 0;
};

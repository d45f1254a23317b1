#pragma once
// TFrameWindow: a top-level window with a client window, menu, accelerators and
// icons. Commands it does not handle go to the client, then to the application.
#include "owl/Window.h"

namespace OWL {
class TFrameWindow : public TWindow {
public:
    TFrameWindow(TWindow* parent, LPCSTR title = nullptr, TWindow* clientWnd = nullptr, bool shrinkToClient = false,
                 TModule* module = nullptr);

    TWindow* GetClientWindow() const { return client_; }
    TWindow* SetClientWindow(TWindow* client);
    bool AssignMenu(int menuResId);
    HMENU GetMenu() const { return ::GetMenu(Handle); }
    bool SetIcon(TModule* module, int resId);
    bool SetIconSm(TModule* module, int resId);
    HICON GetIcon() const { return icon_; }
    HICON GetIconSm() const { return iconSm_; }

    void SetupWindow() override;
    bool PreProcessMsg(MSG& msg) override;
    bool RouteCommand(TEventInfo& info) override;
    LPCSTR GetClassName() override { return "OWL_FrameWindow"; }

protected:
    LRESULT EvInitMenuPopup(WPARAM menu, LPARAM info);

private:
    TWindow* client_ = nullptr;
    HACCEL accel_ = nullptr;
    HICON icon_ = nullptr;
    HICON iconSm_ = nullptr;

    DECLARE_RESPONSE_TABLE(TFrameWindow)
};
}

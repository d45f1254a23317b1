// RCButton: the repeat timer and the press that it belongs to.
#include "controls/RCButton.h"

DEFINE_RESPONSE_TABLE1(RCButton, CoolButton)
EV_WM_LBUTTONDOWN,
EV_WM_LBUTTONUP,
EV_WM_TIMER,
EV_WM_MOUSELEAVE,
EV_WM_KILLFOCUS,
EV_MESSAGE(WM_CAPTURECHANGED, EvCaptureChanged),
END_RESPONSE_TABLE

RCButton::RCButton(OWL::TWindow* parent, int resId_, int repeatMs_, UINT message_)
    : CoolButton(parent, resId_, -1, -1), repeatMs(repeatMs_),
      message(message_ ? message_ : WM_USER + static_cast<UINT>(resId_))
{
}

// None of the handlers passes the mouse on: the standard button would send its own click.
void RCButton::EvLButtonDown(UINT, const OWL::TPoint&)
{
    // Released before the press begins, so the capture change it may cause ends no press.
    ReleaseCapture();
    down = true;
    repeated = false;
    // The repeat timer's id is the button's id.
    timer = ::SetTimer(GetHandle(), static_cast<UINT_PTR>(GetId()), static_cast<UINT>(repeatMs), nullptr);
    TrackLeave();
    SetState(3, true);
}

void RCButton::EvTimer(UINT id)
{
    if (id != static_cast<UINT>(GetId())) {
        return;
    }
    if (down) {
        ::PostMessage(::GetParent(GetHandle()), message, static_cast<WPARAM>(GetId()), 0);
    }
    repeated = true;
}

void RCButton::EvLButtonUp(UINT, const OWL::TPoint&)
{
    // A release that ends no press of this button (the press left it) is no click.
    if (!down) {
        return;
    }
    down = false;
    ::KillTimer(GetHandle(), timer);
    if (!repeated) {
        ::PostMessage(::GetParent(GetHandle()), message, static_cast<WPARAM>(GetId()), 0);
    }
    ReleaseCapture();
    SetState(0, true);
}

void RCButton::StopRepeat()
{
    if (!down) {
        return;
    }
    down = false;
    ::KillTimer(GetHandle(), timer);
    SetState(0, true);
}

void RCButton::EvMouseLeave()
{
    StopRepeat();
    CoolButton::EvMouseLeave();
}

void RCButton::EvKillFocus(HWND)
{
    StopRepeat();
    DefaultProcessing();
}

LRESULT RCButton::EvCaptureChanged(WPARAM, LPARAM newCapture)
{
    if (reinterpret_cast<HWND>(newCapture) != GetHandle()) {
        StopRepeat();
    }
    return DefaultProcessing();
}

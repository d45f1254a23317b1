#pragma once
// RCButton: a CoolButton that repeats while held. A press shorter than the
// interval posts its message once, at release; a longer one posts one per
// interval and none at release. Leaving the button, losing the capture or the
// focus ends the press without a message.
#include "controls/CoolButton.h"

class RCButton : public CoolButton {
public:
    // message 0 means WM_USER + resId; it goes to the parent with wParam = resId.
    RCButton(OWL::TWindow* parent, int resId, int repeatMs, UINT message = 0);

protected:
    void EvLButtonDown(UINT modKeys, const OWL::TPoint& point);
    void EvLButtonUp(UINT modKeys, const OWL::TPoint& point);
    void EvTimer(UINT id);
    void EvMouseLeave();
    void EvKillFocus(HWND gettingFocus);
    LRESULT EvCaptureChanged(WPARAM, LPARAM newCapture);

private:
    // Ends a press that is still held, posting nothing.
    void StopRepeat();

    bool down = false;
    bool repeated = false;
    UINT_PTR timer = 0;
    int repeatMs;
    UINT message;

    DECLARE_RESPONSE_TABLE(RCButton)
};

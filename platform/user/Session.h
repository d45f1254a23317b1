#pragma once
// The end of the user's session as the program hears of it: SIGTERM and SIGHUP
// (a logout, a service manager, kill) become WM_ENDSESSION with wParam TRUE,
// posted to one window, so the program closes on its GUI thread in its own way.
#include "platform/user/Messages.h"

namespace platform {
// Holds SIGTERM and SIGHUP back in this thread and every thread started after
// it. Call first thing in main(): a signal that comes before the window exists
// waits, it is not lost.
void HoldSessionSignals();
// From now on each held signal posts WM_ENDSESSION to window (the first one
// waiting too). A second signal after the first ends the process as the signal
// would by default, so a program that hangs while closing can still be stopped.
void DeliverSessionEnd(HWND window);
}

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
// From now on the first held signal posts WM_ENDSESSION to window (one that
// came before waits). Later ones are the same request and change nothing:
// senders repeat it (a timeout, a process group's stop, an impatient user),
// and the stop they wait for must finish the file; SIGKILL still ends it.
void DeliverSessionEnd(HWND window);
}

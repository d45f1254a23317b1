#pragma once
// Window timers on the layer's clock. Periodic until killed; setting an id the
// window already has replaces it. WM_TIMER is generated only when no posted
// message waits, so timers never overtake posted messages.
#include "platform/user/Messages.h"

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Returns the id (for a null window a new one), 0 on failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

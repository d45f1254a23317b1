#pragma once
// The frame's own window messages and timer: the tray icon's notifications and
// the help start; the engine's messages are in recorder/PrivateMessages.h.
#include "platform/user/Messages.h"

constexpr UINT UM_TRAY_SINGLE_CLICK = WM_USER + 37;  // to the main window, which ignores it
constexpr UINT UM_TRAY_NOTIFY = WM_USER + 40;        // the tray icon's callback
constexpr UINT UM_TRAY_CLICK = WM_USER + 41;         // a single click, still to be told from a double click
constexpr UINT UM_GETTING_STARTED = WM_USER + 42;

constexpr UINT_PTR TIMER_TRAY_CLICK = 49;

// The tray icon and its menu resource.
constexpr UINT kTrayIconId = 26000;
constexpr UINT kTrayOpenWindow = 26001;
constexpr UINT kTrayToggleRecording = 26002;
constexpr UINT kTrayAbout = 26003;
constexpr UINT kTrayExit = 26004;
constexpr UINT kTrayNewFile = 26006;
constexpr int kIconStart = 1004;
constexpr int kIconInputClosed = 1005;
constexpr int kIconInputOpen = 1006;

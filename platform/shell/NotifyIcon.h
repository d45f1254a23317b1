#pragma once
// Shell_NotifyIconA: icons of the program's windows in the desktop's
// notification area, shown through the window layer's backend.
#include "platform/user/Resources.h"

constexpr DWORD NIM_ADD = 0x00000000;
constexpr DWORD NIM_MODIFY = 0x00000001;
constexpr DWORD NIM_DELETE = 0x00000002;
constexpr UINT NIF_MESSAGE = 0x00000001;
constexpr UINT NIF_ICON = 0x00000002;
constexpr UINT NIF_TIP = 0x00000004;

// The fields the program fills; cbSize is what its callers set and is not checked.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
};

// Add fails when the icon is already shown or the desktop has no notification
// area; modify and delete fail for an icon not shown, and a failed modify
// leaves the icon not shown.
BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data);

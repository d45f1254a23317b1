#pragma once
// The special folders the program asks the shell for, on their XDG
// equivalents: the common application-data folder is $XDG_DATA_HOME
// (~/.local/share), the user's application-data folder $XDG_CONFIG_HOME
// (~/.config), the desktop the XDG desktop folder (~/Desktop), the start menu
// and its programs the launcher menu ($XDG_DATA_HOME/applications), and the
// start-up folder the autostart folder ($XDG_CONFIG_HOME/autostart).
#include "platform/core/Types.h"

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_STARTMENU = 0x000b;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_APPDATA = 0x001a;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

// path (MAX_PATH characters) = the folder, plus "/" and subFolder when given;
// with CSIDL_FLAG_CREATE the folders are created (mode 0700) when missing.
HRESULT SHGetFolderPathAndSubDirA(HWND owner, int folder, HANDLE token, DWORD flags, LPCSTR subFolder, LPSTR path);

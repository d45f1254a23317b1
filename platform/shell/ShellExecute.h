#pragma once
// Opening documents and web addresses with the desktop's default opener
// (xdg-open), as the program's "open" verb asks the shell to.
#include "platform/core/Types.h"

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_NOASSOC = 31;

// Only the "open" verb (or none) without parameters is known; the result is
// greater than 32 when the opener was started, else one of the SE_ERR_ codes.
// The window and show command are not used: the opener shows its own window.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCommand);

#pragma once
// Dialogs made from the templates of platform/user/Resources.h. A modal dialog
// runs a nested loop over the same queue until EndDialog.
#include "platform/user/MessageBox.h"
#include "platform/user/Resources.h"

using INT_PTR = std::intptr_t;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr const char* WC_DIALOG = "#32770";
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

HWND CreateDialogParamA(HINSTANCE module, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM init);
INT_PTR DialogBoxParamA(HINSTANCE module, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM init);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog keys: Enter = default button, Escape = Cancel, Tab, Alt+mnemonic.
BOOL IsDialogMessageA(HWND dialog, MSG* msg);
BOOL MapDialogRect(HWND dialog, RECT* rect);
// The modal loop of dialogs and other modal windows (property sheets): the owner
// is disabled, the test's script for scriptKey runs once, then queued messages
// are dispatched until EndDialog; headless, a window still open when the queue
// is idle gets IDCANCEL. Returns EndDialog's value.
INT_PTR RunModalWindow(HWND window, HWND owner, LPCSTR scriptKey);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);

namespace platform {
// Dialog units to pixels for a dialog font whose base units (average character
// width, line height) are base: 4 x units across and 8 y units down are one
// character. The default is the headless 6 x 13 font.
constexpr int DialogUnitsToPixelsX(int x, SIZE base = SIZE{6, 13}) { return x * base.cx / 4; }
constexpr int DialogUnitsToPixelsY(int y, SIZE base = SIZE{6, 13}) { return y * base.cy / 8; }
// The base units of a template's font, as the backend measures it.
SIZE DialogBaseUnits(const DialogTemplate& dialog);
}

#pragma once
// The declarative form of the dialog templates: one line per control, positions
// and sizes in dialog units.
#include <string>

#include "owl/Gauge.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Resources.h"

namespace resources::form {
using Item = platform::DialogItemTemplate;

constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;

inline Item Label(const char* text, int id, int x, int y, int cx, int cy = 8, DWORD extra = 0)
{
    return {WC_STATIC, text, id, WS_VISIBLE | SS_LEFT | extra, 0, x, y, cx, cy};
}
inline Item Text(int id, int x, int y, int cx, int cy = 8, DWORD extra = 0) { return Label("", id, x, y, cx, cy, extra); }
inline Item Edit(int id, int x, int y, int cx, int cy = 12, DWORD extra = 0)
{
    return {WC_EDIT, "", id, kTab | WS_BORDER | ES_AUTOHSCROLL | extra, 0, x, y, cx, cy};
}
inline Item Button(const char* text, int id, int x, int y, int cx = 50, int cy = 14, DWORD extra = 0)
{
    return {WC_BUTTON, text, id, kTab | BS_PUSHBUTTON | extra, 0, x, y, cx, cy};
}
inline Item DefButton(const char* text, int id, int x, int y, int cx = 50, int cy = 14)
{
    return {WC_BUTTON, text, id, kTab | BS_DEFPUSHBUTTON, 0, x, y, cx, cy};
}
inline Item Check(const char* text, int id, int x, int y, int cx, int cy = 10, DWORD extra = 0)
{
    return {WC_BUTTON, text, id, kTab | BS_AUTOCHECKBOX | extra, 0, x, y, cx, cy};
}
// The first radio button of a group carries WS_GROUP.
inline Item Radio(const char* text, int id, int x, int y, int cx, bool first = false, int cy = 10)
{
    return {WC_BUTTON, text, id, WS_VISIBLE | BS_AUTORADIOBUTTON | (first ? WS_GROUP | WS_TABSTOP : 0), 0, x, y, cx, cy};
}
inline Item Group(const char* text, int id, int x, int y, int cx, int cy)
{
    return {WC_BUTTON, text, id, WS_VISIBLE | BS_GROUPBOX, 0, x, y, cx, cy};
}
inline Item Combo(int id, int x, int y, int cx, DWORD kind, int cy = 80)
{
    return {WC_COMBOBOX, "", id, kTab | WS_VSCROLL | kind, 0, x, y, cx, cy};
}
inline Item UpDown(int id, int x, int y, int cy = 12)
{
    return {UPDOWN_CLASS, "", id, WS_VISIBLE | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_ALIGNRIGHT, 0, x, y, 10, cy};
}
inline Item Trackbar(int id, int x, int y, int cx, int cy, DWORD extra = 0)
{
    return {TRACKBAR_CLASS, "", id, kTab | extra, 0, x, y, cx, cy};
}
inline Item HotKey(int id, int x, int y, int cx, int cy = 12) { return {HOTKEY_CLASS, "", id, kTab | WS_BORDER, 0, x, y, cx, cy}; }

inline platform::DialogTemplate Dialog(const char* caption, int cx, int cy, DWORD style, const char* font = "MS Sans Serif")
{
    platform::DialogTemplate t;
    t.caption = caption;
    t.style = style | DS_SETFONT;
    t.cx = cx;
    t.cy = cy;
    t.fontName = font;
    t.pointSize = 8;
    return t;
}

constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
// Pages and the main window are children of a sheet or frame.
constexpr DWORD kChild = WS_CHILD | DS_CONTROL;
}

#pragma once
// The program's resources: dialog templates, menus, accelerator tables, the
// string table, icons and bitmaps. resources/ registers them explicitly at
// start-up; the lookups below find them by number (or name) as LoadString and
// friends do. The module handle is not used: the program has one module.
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/Window.h"

struct HACCEL__;
using HACCEL = HACCEL__*;

inline LPCSTR MAKEINTRESOURCEA(int id) { return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))); }
inline bool IS_INTRESOURCE(LPCSTR p) { return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0; }

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

namespace platform {
// One control of a dialog template; positions and sizes in dialog units.
struct DialogItemTemplate {
    std::string className;
    std::string text;
    int id = -1;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct DialogTemplate {
    std::string caption;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::string fontName;
    int pointSize = 8;
    std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate {
    std::string text;  // empty with id 0: a separator
    UINT id = 0;
    UINT flags = 0;    // MF_GRAYED, MF_CHECKED ...
    std::vector<MenuItemTemplate> popup;  // non-empty: a pop-up
};

struct ImageResource {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row from the top
};

// What a resource is filed under: "#n" for a number, else the name in upper case.
std::string ResourceKey(LPCSTR nameOrId);
void AddString(UINT id, const std::string& text);
void AddDialog(LPCSTR nameOrId, const DialogTemplate& dialog);
void AddMenu(int id, const std::vector<MenuItemTemplate>& menu);
void AddAccelerators(int id, const std::vector<ACCEL>& table);
void AddIcon(int id, const ImageResource& icon);
void AddBitmap(int id, const ImageResource& bitmap);
const DialogTemplate* FindDialog(LPCSTR nameOrId);
const ImageResource* FindIcon(HICON icon);
// Forgets every resource (tests).
void ClearResources();
}

// Copies at most size-1 characters; 0 (and an empty buffer) for a missing string.
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
HICON LoadIconA(HINSTANCE module, LPCSTR name);
HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name);
HACCEL LoadAcceleratorsA(HINSTANCE module, LPCSTR name);
// Turns key-down messages that match the table into WM_COMMAND (high word 1) sent to hwnd.
int TranslateAcceleratorA(HWND hwnd, HACCEL table, MSG* msg);

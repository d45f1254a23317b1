#pragma once
// Themed drawing as the program looks it up at run time in "UXTHEME.DLL". The
// look comes from a renderer that a backend installs; without one (headless)
// OpenThemeData finds no theme and the program draws its classic faces.
#include <string>

#include "platform/gdi/Gdi.h"

struct HTHEME__;
using HTHEME = HTHEME__*;

constexpr int BP_PUSHBUTTON = 1;
constexpr int PBS_NORMAL = 1;
constexpr int PBS_HOT = 2;
constexpr int PBS_PRESSED = 3;
constexpr int PBS_DISABLED = 4;
constexpr int PBS_DEFAULTED = 5;
constexpr DWORD DTT_GRAYED = 0x1;

// Null when no renderer knows any class of the semicolon-separated list.
HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, const RECT* clip);
// textFlags are DrawText's DT_* flags; textFlags2 DTT_GRAYED or 0.
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int count, DWORD textFlags,
                      DWORD textFlags2, const RECT* rect);

namespace platform {
// What a backend supplies to draw in the desktop's theme, into the layer's device contexts.
class ThemeRenderer {
public:
    virtual ~ThemeRenderer() = default;
    virtual bool HasClass(const std::wstring& className) const = 0;
    virtual bool DrawBackground(HDC dc, const std::wstring& className, int partId, int stateId, const RECT& rect,
                                const RECT* clip) = 0;
    virtual bool DrawText(HDC dc, const std::wstring& className, int partId, int stateId, const std::wstring& text,
                          DWORD textFlags, bool grayed, const RECT& rect) = 0;
};

// Installs the renderer (null removes it) and tells every window with
// WM_THEMECHANGED; themes opened under the old renderer draw nothing after it.
// The renderer stays the caller's.
void SetThemeRenderer(ThemeRenderer* renderer);
// The desktop's theme changed under the installed renderer: every window,
// children too, is told with a posted WM_THEMECHANGED (a backend hears of the
// change in the middle of its event handling, where nothing may be sent).
void PostThemeChanged();
}

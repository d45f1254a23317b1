// The theme functions and their registration under "uxtheme", where the program looks them up.
#include "platform/theme/Theme.h"

#include <vector>

#include "platform/kernel/Modules.h"
#include "platform/user/Window.h"

namespace {
struct Theme {
    std::wstring className;
    unsigned generation;
};

platform::ThemeRenderer* g_renderer = nullptr;
unsigned g_generation = 0;  // a new renderer makes older theme handles stale

Theme* Get(HTHEME theme) { return reinterpret_cast<Theme*>(theme); }

platform::ThemeRenderer* RendererFor(const Theme* t)
{
    return t && g_renderer && t->generation == g_generation ? g_renderer : nullptr;
}

void RegisterLibrary()
{
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    platform::RegisterLibraryFunction("uxtheme", "OpenThemeData", reinterpret_cast<FARPROC>(&OpenThemeData));
    platform::RegisterLibraryFunction("uxtheme", "CloseThemeData", reinterpret_cast<FARPROC>(&CloseThemeData));
    platform::RegisterLibraryFunction("uxtheme", "DrawThemeBackground", reinterpret_cast<FARPROC>(&DrawThemeBackground));
    platform::RegisterLibraryFunction("uxtheme", "DrawThemeText", reinterpret_cast<FARPROC>(&DrawThemeText));
}
}

HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList)
{
    if (!g_renderer || !classList || !IsWindow(hwnd)) {
        return nullptr;
    }
    // The first class of the list that the renderer knows is the one drawn.
    std::wstring list(classList);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(L';', start);
        if (end == std::wstring::npos) {
            end = list.size();
        }
        const std::wstring name = list.substr(start, end - start);
        if (!name.empty() && g_renderer->HasClass(name)) {
            return reinterpret_cast<HTHEME>(new Theme{name, g_generation});
        }
        start = end + 1;
    }
    return nullptr;
}

HRESULT CloseThemeData(HTHEME theme)
{
    if (!theme) {
        return E_INVALIDARG;
    }
    delete Get(theme);
    return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, const RECT* clip)
{
    const Theme* t = Get(theme);
    platform::ThemeRenderer* r = RendererFor(t);
    if (!r || !dc || !rect) {
        return E_INVALIDARG;
    }
    return r->DrawBackground(dc, t->className, partId, stateId, *rect, clip) ? S_OK : E_FAIL;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int count, DWORD textFlags,
                      DWORD textFlags2, const RECT* rect)
{
    const Theme* t = Get(theme);
    platform::ThemeRenderer* r = RendererFor(t);
    if (!r || !dc || !rect || !text) {
        return E_INVALIDARG;
    }
    const std::wstring s = count < 0 ? std::wstring(text) : std::wstring(text, static_cast<std::size_t>(count));
    return r->DrawText(dc, t->className, partId, stateId, s, textFlags, (textFlags2 & DTT_GRAYED) != 0, *rect) ? S_OK
                                                                                                             : E_FAIL;
}

namespace {
// Every window hears of it, children too, as after a change of the desktop's theme.
void TellEveryWindow(bool post)
{
    std::vector<HWND> windows;
    const auto add = [](HWND h, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
        return TRUE;
    };
    EnumWindows(add, reinterpret_cast<LPARAM>(&windows));
    const std::size_t tops = windows.size();
    for (std::size_t i = 0; i < tops; ++i) {
        EnumChildWindows(windows[i], add, reinterpret_cast<LPARAM>(&windows));
    }
    for (HWND h : windows) {
        if (!IsWindow(h)) {
            continue;  // gone while an earlier one handled the news
        }
        if (post) {
            PostMessage(h, WM_THEMECHANGED, 0, 0);
        } else {
            SendMessage(h, WM_THEMECHANGED, 0, 0);
        }
    }
}
}

namespace platform {
void SetThemeRenderer(ThemeRenderer* renderer)
{
    RegisterLibrary();
    g_renderer = renderer;
    ++g_generation;
    TellEveryWindow(false);
}

void PostThemeChanged() { TellEveryWindow(true); }
}

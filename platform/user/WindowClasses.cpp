// Window classes: the standard controls' and the program's own, found by name in any case.
#include <cstring>
#include <map>
#include <string>

#include "platform/user/UserInternal.h"

namespace {
std::map<std::string, platform::user_detail::WindowClass>& Classes()  // key: upper-case name
{
    static std::map<std::string, platform::user_detail::WindowClass> classes;
    return classes;
}

std::string Upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}
}

namespace platform::user_detail {
const WindowClass* FindWindowClass(LPCSTR name)
{
    static bool standardRegistered = false;
    if (!standardRegistered) {
        standardRegistered = true;
        RegisterStandardControls();
    }
    if (!name) {
        return nullptr;
    }
    auto it = Classes().find(Upper(name));
    return it == Classes().end() ? nullptr : &it->second;
}
}

ATOM RegisterClassA(const WNDCLASSA* wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        return 0;
    }
    platform::user_detail::FindWindowClass(nullptr);  // standard classes first, so an own class may not silently replace one
    const std::string key = Upper(wc->lpszClassName);
    if (Classes().count(key)) {
        return 0;
    }
    platform::user_detail::WindowClass e;
    e.name = wc->lpszClassName;
    e.wc = *wc;
    e.wc.lpszClassName = nullptr;
    Classes().emplace(key, e);
    return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* wc)
{
    const platform::user_detail::WindowClass* e = platform::user_detail::FindWindowClass(className);
    if (!e) {
        return FALSE;
    }
    if (wc) {
        *wc = e->wc;
        wc->lpszClassName = e->name.c_str();
    }
    return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !buffer || size <= 0) {
        return 0;
    }
    const int n = std::min<int>(static_cast<int>(r->state.className.size()), size - 1);
    std::memcpy(buffer, r->state.className.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

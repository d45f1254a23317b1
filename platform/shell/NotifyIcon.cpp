// The notification-area icons shown, by owner window and id.
#include "platform/shell/NotifyIcon.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/user/Backend.h"
#include "platform/user/Window.h"

namespace {
struct Shown {
    HWND owner;
    UINT id;
    UINT callback;
    HICON icon;
};

std::vector<Shown>& ShownIcons()
{
    static std::vector<Shown> icons;
    // Icons of windows that are gone went with them.
    std::erase_if(icons, [](const Shown& s) { return !IsWindow(s.owner); });
    return icons;
}

// An empty tip keeps the one shown: the icon's tip lives with the backend alone.
platform::TrayIconRequest Request(const Shown& s, const std::string& tip)
{
    return platform::TrayIconRequest{s.owner, s.id, s.callback, s.icon, tip};
}
}

BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data)
{
    if (!data || !IsWindow(data->hWnd)) {
        return FALSE;
    }
    auto& icons = ShownIcons();
    auto it = std::find_if(icons.begin(), icons.end(),
                           [&](const Shown& s) { return s.owner == data->hWnd && s.id == data->uID; });
    std::string tip;
    if (data->uFlags & NIF_TIP) {
        tip.assign(data->szTip, strnlen(data->szTip, sizeof data->szTip));
    }
    switch (message) {
    case NIM_ADD: {
        if (it != icons.end()) {
            return FALSE;
        }
        Shown s{data->hWnd, data->uID, (data->uFlags & NIF_MESSAGE) ? data->uCallbackMessage : 0,
                (data->uFlags & NIF_ICON) ? data->hIcon : nullptr};
        if (!platform::CurrentBackend().ShowTrayIcon(Request(s, tip))) {
            return FALSE;
        }
        icons.push_back(s);
        return TRUE;
    }
    case NIM_MODIFY: {
        if (it == icons.end()) {
            return FALSE;
        }
        Shown s = *it;
        if (data->uFlags & NIF_MESSAGE) {
            s.callback = data->uCallbackMessage;
        }
        if (data->uFlags & NIF_ICON) {
            s.icon = data->hIcon;
        }
        if (!platform::CurrentBackend().ShowTrayIcon(Request(s, tip))) {
            icons.erase(it);  // no longer shown: the next add shows it again
            return FALSE;
        }
        *it = s;
        return TRUE;
    }
    case NIM_DELETE:
        if (it == icons.end()) {
            return FALSE;
        }
        platform::CurrentBackend().RemoveTrayIcon(it->owner, it->id);
        icons.erase(it);
        return TRUE;
    default:
        return FALSE;
    }
}

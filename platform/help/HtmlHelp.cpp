// HtmlHelpA: topics to the desktop's browser, text popups in our own window.
#include "platform/help/Help.h"

#include <algorithm>
#include <string>

#include "platform/help/HelpFolder.h"
#include "platform/help/HelpPopup.h"
#include "platform/kernel/Processes.h"
#include "platform/user/MessageBox.h"

namespace {
using namespace platform::help_detail;

constexpr const char* kCaption = "Help";

HWND Complain(HWND caller, const std::string& text)
{
    MessageBoxA(caller, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
}

HWND OpenTopic(HWND caller, const std::string& folder, const std::string& topic)
{
    if (folder.empty()) {
        return Complain(caller, "No help is installed with this program.");
    }
    if (!IsFolder(folder)) {
        return Complain(caller, "The help folder was not found:\n" + folder);
    }
    const std::string file = folder + "/" + (topic.empty() ? std::string("index.html") : topic);
    if (!IsFile(file)) {
        return Complain(caller, "The help topic was not found:\n" + file);
    }
    if (!platform::StartProgram({"xdg-open", FileUrl(file)})) {
        return Complain(caller, "The help topic could not be opened: no program to show it was found.");
    }
    return caller;
}

HWND Popup(HWND caller, const std::string& path, const HH_POPUP& popup)
{
    std::string text;
    if (popup.idString == 0) {
        if (!popup.pszText) {
            return nullptr;
        }
        text = popup.pszText;
    } else {
        const HelpPath p = SplitHelpPath(path);
        const auto found = PopupText(p.inner.empty() ? p.folder : p.folder + "/" + p.inner, popup.idString);
        if (!found) {
            return nullptr;
        }
        text = *found;
    }
    const COLORREF foreground = popup.clrForeground == CLR_INVALID ? GetSysColor(COLOR_INFOTEXT) : popup.clrForeground;
    const COLORREF background = popup.clrBackground == CLR_INVALID ? GetSysColor(COLOR_INFOBK) : popup.clrBackground;
    const RECT margins{std::max<LONG>(popup.rcMargins.left, 0), std::max<LONG>(popup.rcMargins.top, 0),
                       std::max<LONG>(popup.rcMargins.right, 0), std::max<LONG>(popup.rcMargins.bottom, 0)};
    return ShowPopup(caller, text, popup.pt, foreground, background, margins);
}
}

HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    const std::string path = file ? file : "";
    const HelpPath p = SplitHelpPath(path);
    switch (command) {
    case HH_DISPLAY_TOPIC:
        return OpenTopic(caller, p.folder, data ? reinterpret_cast<LPCSTR>(data) : p.inner);
    case HH_HELP_CONTEXT: {
        const auto topic = IsFolder(p.folder) ? ContextTopic(p.folder, static_cast<unsigned long>(data)) : std::nullopt;
        return OpenTopic(caller, p.folder, topic ? *topic : std::string());
    }
    case HH_DISPLAY_TEXT_POPUP:
        return data ? Popup(caller, path, *reinterpret_cast<const HH_POPUP*>(data)) : nullptr;
    default:
        return nullptr;
    }
}

#pragma once
// HTML help as the program calls it. The help "file" the program names is a
// folder of HTML topics; "folder::/name" names a file inside it (the popup
// texts). Topics open in the desktop's browser, popups in a window of our own
// at the given point. Context ids map to topics through the folder's
// "Contexts.txt" (lines "id topic.html").
#include "platform/gdi/Gdi.h"

constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
constexpr UINT HH_DISPLAY_TEXT_POPUP = 0x000E;
constexpr UINT HH_HELP_CONTEXT = 0x000F;

struct HH_POPUP {
    int cbStruct;
    HINSTANCE hinst;
    UINT idString;     // the text's id in the popup file
    LPCSTR pszText;    // used when idString is 0
    POINT pt;          // screen point of the popup's top-left corner
    COLORREF clrForeground;  // CLR_INVALID (-1): the default text colour
    COLORREF clrBackground;
    RECT rcMargins;    // between the popup's edge and its text
    LPCSTR pszFont;
};

// HH_DISPLAY_TOPIC: data is the topic (LPCSTR), 0 for the folder's "index.html".
// HH_HELP_CONTEXT: data is the context id. HH_DISPLAY_TEXT_POPUP: data is an HH_POPUP.
// Returns the popup window for a popup, the caller for a topic that was opened,
// null when nothing could be shown. An empty help path or a missing folder
// gives a message box for topics and nothing for popups.
HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

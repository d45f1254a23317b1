// ContextHelpWin: the help requests of a dialog mapped to popups and topics.
#include "controls/ContextHelpWin.h"

#include "controls/MainWindow.h"
#include "platform/help/Help.h"

char HelpFilePath[MAX_PATH] = "";
char HelpPopupPath[MAX_PATH] = "";

namespace {
constexpr COLORREF kPopupBackground = 0x00D0FFFF;  // light yellow
}

void ShowHelpPopup(int textId, HWND owner)
{
    HH_POPUP popup{};
    popup.cbStruct = 52;
    popup.hinst = nullptr;
    popup.idString = static_cast<UINT>(textId);
    popup.pszText = nullptr;
    GetCursorPos(&popup.pt);
    popup.clrForeground = CLR_INVALID;
    popup.clrBackground = kPopupBackground;
    popup.rcMargins = RECT{5, 5, 5, 5};
    popup.pszFont = nullptr;
    HtmlHelpA(owner, HelpPopupPath, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup));
}

DEFINE_RESPONSE_TABLE(ContextHelpWin)
OWL_ENTRY_(Message, WM_HELP, 0, 0, return info.LParam ? self.EvHelp(*reinterpret_cast<const HELPINFO*>(info.LParam)) : 0;),
EV_WM_CONTEXTMENU,
EV_PSN_HELP(EvHelpButton),
END_RESPONSE_TABLE

ContextHelpWin::ContextHelpWin(OWL::TWindow*, const HelpPair* helpMap_, std::int32_t helpContext_)
    : helpMap(helpMap_), helpContext(helpContext_)
{
}

OWL::TWindow* ContextHelpWin::Window() { return dynamic_cast<OWL::TWindow*>(this); }

bool ContextHelpWin::TextFor(int controlId, int& textId) const
{
    for (const HelpPair* p = helpMap; p && p->controlId != 0; ++p) {
        if (p->controlId == controlId) {
            textId = p->textId ? p->textId : controlId;
            return true;
        }
    }
    return false;
}

LRESULT ContextHelpWin::EvHelp(const HELPINFO& info)
{
    if (info.iContextType != HELPINFO_WINDOW) {
        return 0;
    }
    if (!helpMap) {
        ShowHelpPopup(info.iCtrlId, ApplicationMainWindow());
        return 0;
    }
    int id = info.iCtrlId;
    if (id == 0) {
        id = GetDlgCtrlID(static_cast<HWND>(info.hItemHandle));
    }
    int textId = 0;
    if (id != 0 && TextFor(id, textId)) {
        ShowHelpPopup(textId, ApplicationMainWindow());
    }
    return 0;
}

void ContextHelpWin::EvContextMenu(HWND window, const OWL::TPoint& point)
{
    if (!helpMap) {
        ShowHelpPopup(GetDlgCtrlID(window), ApplicationMainWindow());
        return;
    }
    OWL::TWindow* self = Window();
    if (!self) {
        return;
    }
    // A keyboard request (-1, -1) lies outside the dialog and so finds no control.
    // The control inside a group box is the one asked about, not the box around it.
    OWL::TPoint p = point;
    self->ScreenToClient(p);
    const int id = GetDlgCtrlID(::RealChildWindowFromPoint(self->GetHandle(), p));
    int textId = 0;
    if (id != 0 && TextFor(id, textId)) {
        ShowHelpPopup(textId, ApplicationMainWindow());
    }
}

void ContextHelpWin::EvHelpButton(OWL::TPshNotify&)
{
    if (helpContext != 0) {
        HtmlHelpA(ApplicationMainWindow(), HelpFilePath, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(helpContext));
    } else {
        HtmlHelpA(ApplicationMainWindow(), HelpFilePath, HH_DISPLAY_TOPIC, reinterpret_cast<DWORD_PTR>("Controls.html"));
    }
}

// THotLink: the link's text, underline and focus rectangle, and the click that opens it.
#include "controls/HotLink.h"

#include "controls/CentredText.h"
#include "controls/MainWindow.h"
#include "platform/shell/ShellExecute.h"

DEFINE_RESPONSE_TABLE1(THotLink, OWL::TControl)
EV_NOTIFY_AT_CHILD(BN_CLICKED, Clicked),
END_RESPONSE_TABLE

THotLink::THotLink(OWL::TWindow* parent, int resId, const char* url_) : OWL::TControl(parent, resId), url(url_) {}

void THotLink::ODADrawEntire(DRAWITEMSTRUCT& record)
{
    item = record;
    DrawLink();
    if (record.itemState & ODS_FOCUS) {
        DrawFocus();
    }
}

void THotLink::ODAFocus(DRAWITEMSTRUCT& record)
{
    item = record;
    DrawFocus();
}

// Pressing changes nothing to see; only the click after release opens the link.
void THotLink::ODASelect(DRAWITEMSTRUCT& record) { item = record; }

void THotLink::DrawLink()
{
    OWL::TDC dc(item.hDC);
    const OWL::TRect r(item.rcItem);
    const std::string shown = url ? url : "";
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    const auto [x, y] = CentredTextBottom(dc, r);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kLinkColor);
    dc.TextOut(x, y, shown);
    // The underline runs along the row just below the text's cell.
    const int w = dc.GetTextExtent(shown).cx;
    OWL::TPen pen(kLinkColor);
    dc.SelectObject(pen);
    dc.MoveTo(x - w / 2, y);
    dc.LineTo(x - w / 2 + w, y);
    dc.RestoreObjects();
}

void THotLink::DrawFocus()
{
    OWL::TDC dc(item.hDC);
    DrawFocusAroundCentredText(dc, OWL::TRect(item.rcItem), url ? url : "");
}

void THotLink::Clicked()
{
    // Whether the opener could show the address is its own to say.
    ShellExecuteA(ApplicationMainWindow(), "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

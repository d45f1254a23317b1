#pragma once
// THotLink: an owner-drawn button of a template shown as a hyperlink: the
// address itself, centred and underlined in the link colour; a click opens it
// with the desktop's opener.
#include "owl/Control.h"

class THotLink : public OWL::TControl {
public:
    static constexpr COLORREF kLinkColor = 0x00C00000;

    // url is not copied; it is also the text shown.
    THotLink(OWL::TWindow* parent, int resId, const char* url);

    void ODADrawEntire(DRAWITEMSTRUCT& record) override;
    void ODAFocus(DRAWITEMSTRUCT& record) override;
    void ODASelect(DRAWITEMSTRUCT& record) override;

protected:
    void Clicked();

private:
    void DrawLink();
    void DrawFocus();

    const char* url;
    DRAWITEMSTRUCT item{};

    DECLARE_RESPONSE_TABLE(THotLink)
};

#pragma once
// CoolButton: an owner-drawn push button with a bitmap per state, drawn in the
// desktop's theme when there is one and with a classic 3-D face otherwise; it
// lights up under the mouse and can belong to a latch group, where pressing one
// member pops the others up.
#include <memory>

#include "owl/Control.h"
#include "owl/Dc.h"
#include "platform/theme/Theme.h"

// wParam = MAKELONG(groupFirst, groupLast), lParam = id of the button that latches.
constexpr UINT CM_COOLBUTTON_LATCH = WM_USER + 80;

class CoolButton : public OWL::TControl {
public:
    // An alias of the push button resId of the parent's template; groupFirst -1: no latch group.
    CoolButton(OWL::TWindow* parent, int resId, int groupFirst = -1, int groupLast = -1);
    ~CoolButton() override;

    void SetupWindow() override;
    // which: 0 normal, 1 down (latched or pressed), 2 disabled.
    void SetBitmap(int bitmapResId, int which);
    // which: 0 normal, 1 down; other values are ignored.
    void SetFaceColor(const OWL::TColor& color, int which);
    void SetTextColor(const OWL::TColor& color, int which);
    // state: 0 up, 1 latched, 2 disabled look, 3 pressed. With notify, 1 and 3
    // latch the group (when there is one); anything else repaints the button.
    void SetState(int state, bool notify);
    int GetState() const { return state; }
    void SetBitmapOnly(bool only) { bitmapOnly = only; }
    bool TextFits(const char* text);

    void ODADrawEntire(DRAWITEMSTRUCT& record) override;
    void ODAFocus(DRAWITEMSTRUCT& record) override;
    void ODASelect(DRAWITEMSTRUCT& record) override;

protected:
    LRESULT EvGroupLatch(WPARAM wParam, LPARAM lParam);
    void EvMouseMove(UINT modKeys, const OWL::TPoint& point);
    void EvMouseLeave();
    void EvThemeChanged();

    void DrawFace();
    void DrawFocus();
    void OpenTheme();
    void CloseTheme();
    // Asks for WM_MOUSELEAVE when the mouse leaves the button.
    void TrackLeave();

private:
    void Latch();
    // The caption with its first "&" taken out (its place goes to mnemonicIndex).
    std::string Caption();
    void CopyRecord(const DRAWITEMSTRUCT& record);

    std::unique_ptr<OWL::TBitmap> bitmaps[3];
    OWL::TColor faceColor[2];
    OWL::TColor textColor[2];
    // The desktop's colours the ones above were taken from; a theme change brings its own.
    OWL::TColor systemFace;
    OWL::TColor systemText;
    int state = -1;
    int groupFirst;
    int groupLast;
    int mnemonicIndex = -1;
    DRAWITEMSTRUCT item{};
    bool bitmapOnly = false;
    HMODULE themeLibrary = nullptr;
    HTHEME theme = nullptr;
    using DrawThemeBackgroundFn = HRESULT (*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    using DrawThemeTextFn = HRESULT (*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
    // The theme library's drawing functions, while a theme is open.
    DrawThemeBackgroundFn drawThemeBackground = nullptr;
    DrawThemeTextFn drawThemeText = nullptr;
    bool hot = false;

    DECLARE_RESPONSE_TABLE(CoolButton)
};

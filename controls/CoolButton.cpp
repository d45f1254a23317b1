// CoolButton: states, the latch group, the mouse and the theme handles.
#include "controls/CoolButton.h"

#include "platform/kernel/Modules.h"
#include "platform/user/Mouse.h"

namespace {
using OpenThemeDataFn = HTHEME (*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT (*)(HTHEME);
}

DEFINE_RESPONSE_TABLE1(CoolButton, OWL::TControl)
EV_MESSAGE(CM_COOLBUTTON_LATCH, EvGroupLatch),
EV_WM_MOUSEMOVE,
EV_WM_MOUSELEAVE,
EV_WM_THEMECHANGED,
END_RESPONSE_TABLE

CoolButton::CoolButton(OWL::TWindow* parent, int resId_, int groupFirst_, int groupLast_)
    : OWL::TControl(parent, resId_), groupFirst(groupFirst_), groupLast(groupLast_)
{
    faceColor[0] = faceColor[1] = systemFace = GetSysColor(COLOR_3DFACE);
    textColor[0] = textColor[1] = systemText = GetSysColor(COLOR_BTNTEXT);
}

CoolButton::~CoolButton() { CloseTheme(); }

void CoolButton::SetupWindow()
{
    OWL::TControl::SetupWindow();
    // Posted: the template button finishes its own set-up before it turns owner-drawn.
    PostMessage(BM_SETSTYLE, BS_OWNERDRAW, 0);
    OpenTheme();
}

void CoolButton::SetBitmap(int bitmapResId, int which)
{
    if (which < 0 || which > 2) {
        return;
    }
    OWL::TModule* module = GetModule();
    auto bitmap = std::make_unique<OWL::TBitmap>(module ? module->GetHandle() : nullptr, bitmapResId);
    bitmaps[which] = bitmap->IsValid() ? std::move(bitmap) : nullptr;
}

void CoolButton::SetFaceColor(const OWL::TColor& color, int which)
{
    if (which == 0 || which == 1) {
        faceColor[which] = color;
    }
}

void CoolButton::SetTextColor(const OWL::TColor& color, int which)
{
    if (which == 0 || which == 1) {
        textColor[which] = color;
    }
}

void CoolButton::SetState(int newState, bool notify)
{
    state = newState;
    if (!notify) {
        return;
    }
    if (groupFirst != -1 && (state == 1 || state == 3)) {
        Latch();
    } else {
        Invalidate(true);
    }
}

void CoolButton::Latch()
{
    if (OWL::TWindow* parent = GetParentO()) {
        parent->ChildBroadcastMessage(CM_COOLBUTTON_LATCH, MAKELONG(static_cast<WORD>(groupFirst), static_cast<WORD>(groupLast)),
                                      GetId());
    }
}

bool CoolButton::TextFits(const char* text)
{
    OWL::TWindowDC dc(GetHandle());
    const OWL::TSize extent = dc.GetTextExtent(text ? text : "");
    const OWL::TRect client = GetClientRect();
    return extent.cy <= client.Height() && extent.cx <= client.Width();
}

void CoolButton::CopyRecord(const DRAWITEMSTRUCT& record)
{
    item = record;
    // A pressed face is drawn two pixels lower, so its picture seems to sink.
    if (record.itemState & ODS_SELECTED) {
        item.rcItem.bottom = record.rcItem.bottom + 2;
    }
}

void CoolButton::ODADrawEntire(DRAWITEMSTRUCT& record)
{
    CopyRecord(record);
    DrawFace();
    if (record.itemState & ODS_FOCUS) {
        DrawFocus();
    }
}

void CoolButton::ODAFocus(DRAWITEMSTRUCT& record)
{
    CopyRecord(record);
    DrawFocus();
}

void CoolButton::ODASelect(DRAWITEMSTRUCT& record)
{
    if (record.itemState & ODS_SELECTED) {
        state = 3;
    } else if (state == 3) {
        state = 0;
    }
    CopyRecord(record);
    if (groupFirst != -1 && state == 3) {
        Latch();
    } else {
        DrawFace();
    }
}

LRESULT CoolButton::EvGroupLatch(WPARAM wParam, LPARAM lParam)
{
    const int resId = GetId();
    if (resId < LOWORD(wParam) || resId > HIWORD(wParam)) {
        return 0;
    }
    if (lParam != resId) {
        const int old = state;
        state = 0;
        if (old != 0) {
            Invalidate(true);
        }
    } else {
        if (state != 1 && state != 3) {
            state = 1;
        }
        Invalidate(true);
    }
    return 0;
}

void CoolButton::TrackLeave()
{
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, GetHandle(), 0};
    TrackMouseEvent(&track);
}

void CoolButton::EvMouseMove(UINT, const OWL::TPoint&)
{
    hot = true;
    TrackLeave();
    DefaultProcessing();
    if (theme) {
        Invalidate(false);
    }
}

void CoolButton::EvMouseLeave()
{
    hot = false;
    if (theme) {
        Invalidate(false);
    }
}

void CoolButton::EvThemeChanged()
{
    const OWL::TColor face = GetSysColor(COLOR_3DFACE);
    const OWL::TColor text = GetSysColor(COLOR_BTNTEXT);
    for (int i = 0; i < 2; ++i) {
        if (faceColor[i] == systemFace) {
            faceColor[i] = face;
        }
        if (textColor[i] == systemText) {
            textColor[i] = text;
        }
    }
    systemFace = face;
    systemText = text;
    CloseTheme();
    OpenTheme();
    Invalidate(true);
}

void CoolButton::OpenTheme()
{
    themeLibrary = LoadLibraryA("UXTHEME.DLL");
    if (themeLibrary) {
        if (auto open = reinterpret_cast<OpenThemeDataFn>(GetProcAddress(themeLibrary, "OpenThemeData"))) {
            theme = open(GetHandle(), L"Button");
        }
    }
    if (theme) {
        // Looked up once here rather than on every paint.
        drawThemeBackground = reinterpret_cast<DrawThemeBackgroundFn>(GetProcAddress(themeLibrary, "DrawThemeBackground"));
        drawThemeText = reinterpret_cast<DrawThemeTextFn>(GetProcAddress(themeLibrary, "DrawThemeText"));
    } else {
        if (themeLibrary) {
            FreeLibrary(themeLibrary);
        }
        themeLibrary = nullptr;
    }
}

void CoolButton::CloseTheme()
{
    if (theme && themeLibrary) {
        if (auto close = reinterpret_cast<CloseThemeDataFn>(GetProcAddress(themeLibrary, "CloseThemeData"))) {
            close(theme);
        }
    }
    theme = nullptr;
    drawThemeBackground = nullptr;
    drawThemeText = nullptr;
    if (themeLibrary) {
        FreeLibrary(themeLibrary);
        themeLibrary = nullptr;
    }
}

std::string CoolButton::Caption()
{
    char buffer[260] = "";
    if (!bitmapOnly) {
        GetWindowText(buffer, sizeof buffer);
    }
    std::string caption = buffer;
    const std::size_t amp = caption.find('&');
    if (amp != std::string::npos) {
        caption.erase(amp, 1);
        mnemonicIndex = static_cast<int>(amp);
    }
    return caption;
}

// CoolButton painting: face, bitmap with its transparent key colour, caption with
// its mnemonic underline, border and focus rectangle.
#include <vector>

#include "controls/CentredText.h"
#include "controls/CoolButton.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Modules.h"

namespace {
// The bitmaps' background: drawn over, it lets the face show through.
constexpr COLORREF kTransparent = RGB(192, 192, 192);
constexpr DWORD kThemeTextFlags = 0x25;  // DT_CENTER | DT_VCENTER | DT_SINGLELINE

int TextWidth(OWL::TDC& dc, const std::string& text, std::size_t count)
{
    return dc.GetTextExtent(text.substr(0, std::min(count, text.size()))).cx;
}

// Key pixels keep what is under them: background ^ bitmap, cleared where the
// mask is 0, ^ bitmap again leaves the background under key pixels only. The
// glyphs' black (and near-black) is the text's colour, so they read on a dark theme's face too.
void DrawTransparent(OWL::TDC& dc, const OWL::TBitmap& bitmap, int x, int y, int w, int h, COLORREF ink)
{
    OWL::TBitmap work(CreateCompatibleBitmap(dc, w, h));
    OWL::TBitmap mask(w, h, 1, 1);
    OWL::TBitmap inked(CreateCompatibleBitmap(dc, w, h));
    OWL::TMemoryDC picture(dc);
    OWL::TMemoryDC workDc(dc);
    OWL::TMemoryDC maskDc(dc);
    picture.SelectObject(inked);
    {
        OWL::TMemoryDC original(dc);
        original.SelectObject(bitmap);
        picture.BitBlt(0, 0, w, h, original, 0, 0, SRCCOPY);
    }
    if (ink != RGB(0, 0, 0)) {
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                const COLORREF c = GetPixel(picture, px, py);
                if (c != kTransparent && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 0x50) {
                    SetPixel(picture, px, py, ink);
                }
            }
        }
    }
    workDc.SelectObject(work);
    maskDc.SelectObject(mask);
    workDc.BitBlt(0, 0, w, h, dc, x, y, SRCCOPY);
    picture.SetBkColor(kTransparent);
    maskDc.BitBlt(0, 0, w, h, picture, 0, 0, SRCCOPY);
    workDc.BitBlt(0, 0, w, h, picture, 0, 0, SRCINVERT);
    workDc.BitBlt(0, 0, w, h, maskDc, 0, 0, SRCAND);
    workDc.BitBlt(0, 0, w, h, picture, 0, 0, SRCINVERT);
    dc.BitBlt(x, y, w, h, workDc, 0, 0, SRCCOPY);
}
}

void CoolButton::DrawFace()
{
    OWL::TDC dc(item.hDC);
    const OWL::TRect r(item.rcItem);
    const OWL::TBitmap* bitmap;
    OWL::TColor face;
    OWL::TColor text;
    if (IsWindowEnabled()) {
        const int i = state == 1 || state == 3 ? 1 : 0;
        bitmap = bitmaps[i].get();
        face = faceColor[i];
        text = textColor[i];
    } else {
        bitmap = bitmaps[2] ? bitmaps[2].get() : bitmaps[1].get();
        face = faceColor[1];
        text = textColor[0];
    }

    if (theme) {
        const int themeState = state == 3 ? PBS_PRESSED : state == 2 ? PBS_DISABLED : hot ? PBS_HOT : PBS_NORMAL;
        if (drawThemeBackground) {
            drawThemeBackground(theme, dc, BP_PUSHBUTTON, themeState, &r, nullptr);
        }
        if (face != GetSysColor(COLOR_3DFACE)) {
            dc.FillRect(r.InflatedBy(-5, -5), OWL::TBrush(face));
        }
    } else {
        dc.FillRect(r, OWL::TBrush(face));
    }

    const std::string caption = Caption();
    if (bitmap && bitmap->Height() < r.Height()) {
        const int w = bitmap->Width();
        const int h = bitmap->Height();
        const int x = caption.empty() ? (r.left + r.right - w) / 2 : r.left + 3;
        DrawTransparent(dc, *bitmap, x, (r.top + r.bottom - h) / 2, w, h, text);
    }

    if (theme) {
        std::vector<WCHAR> wide(caption.size() + 1, L'\0');
        const int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, caption.c_str(), static_cast<int>(caption.size()),
                                          wide.data(), static_cast<int>(wide.size()));
        if (drawThemeText) {
            drawThemeText(theme, dc, BP_PUSHBUTTON, PBS_NORMAL, wide.data(), n, kThemeTextFlags, state == 2 ? DTT_GRAYED : 0, &r);
        }
        return;
    }
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.SetBkColor(face);
    dc.SetTextColor(text);
    dc.SetBkMode(TRANSPARENT);
    const auto [x, y] = CentredTextBottom(dc, r);
    dc.TextOut(x, y, caption);
    if (mnemonicIndex >= 0) {
        const int xs = x - dc.GetTextExtent(caption).cx / 2;
        const auto index = static_cast<std::size_t>(mnemonicIndex);
        OWL::TPen pen(text);
        dc.SelectObject(pen);
        dc.MoveTo(xs + TextWidth(dc, caption, index), y - 1);
        dc.LineTo(xs + TextWidth(dc, caption, index + 1), y - 1);
        dc.RestoreObjects();
    }
    OWL::TRect border = r;
    dc.DrawEdge(border, state == 3 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
}

void CoolButton::DrawFocus()
{
    OWL::TDC dc(item.hDC);
    const OWL::TRect r(item.rcItem);
    const std::string caption = Caption();
    if (caption.empty()) {
        dc.DrawFocusRect(r.InflatedBy(-3, -3));
        return;
    }
    DrawFocusAroundCentredText(dc, r, caption);
}

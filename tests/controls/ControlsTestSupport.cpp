// The controls' shared test support.
#include "ControlsTestSupport.h"

#include "platform/kernel/Clock.h"
#include "resources/Form.h"
#include "resources/Resources.h"

namespace controlstest {
void AddPanelTemplate()
{
    using namespace resources::form;
    auto t = Dialog("Panel", 240, 90, WS_POPUP | WS_CAPTION | WS_VISIBLE);
    t.items = {
        Button("&Record", 150, 6, 6, 30, 20), Button("&Stop", 154, 40, 6, 30, 20),
        Button("&Play", 151, 74, 6, 30, 20),  Button("&Back", 152, 108, 6, 30, 20),
        Button("&Forward", 153, 142, 6, 30, 20), Edit(kEdit, 180, 6, 50),
        Text(kMeter, 6, 40, 101, 16, SS_SUNKEN),
    };
    platform::AddDialog(MAKEINTRESOURCEA(kPanel), t);
}

LRESULT Panel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= WM_USER && msg < 0x7000) {
        ++counts_[{msg, wParam}];
    }
    return OWL::TDialog::WindowProc(msg, wParam, lParam);
}

int Panel::Count(UINT msg, WPARAM wParam) const
{
    auto it = counts_.find({msg, wParam});
    return it == counts_.end() ? 0 : it->second;
}

bool StateTheme::DrawBackground(HDC dc, const std::wstring&, int partId, int stateId, const RECT& rect, const RECT*)
{
    if (partId != BP_PUSHBUTTON) {
        return false;
    }
    backgrounds.push_back(stateId);
    HBRUSH brush = CreateSolidBrush(Colour(stateId));
    FillRect(dc, &rect, brush);
    DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
    return true;
}

bool StateTheme::DrawText(HDC, const std::wstring&, int, int, const std::wstring& text, DWORD textFlags, bool grayed,
                          const RECT& rect)
{
    texts.push_back({text, textFlags, grayed, rect});
    return true;
}

void ControlsTest::SetUp()
{
    platform::headless::Reset();
    platform::ClearResources();
    resources::RegisterAll();
    AddPanelTemplate();
    platform::UseManualClock(1'700'000'000);
}

void ControlsTest::TearDown()
{
    platform::SetThemeRenderer(nullptr);
    platform::headless::Reset();
    platform::ClearResources();
    platform::UseSystemClock();
}

COLORREF PaintedPixel(HWND hwnd, int x, int y)
{
    InvalidateRect(hwnd, nullptr, TRUE);
    Settle();
    return platform::WindowPixel(hwnd, x, y);
}

std::vector<COLORREF> Pixels(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    std::vector<COLORREF> out;
    for (int y = 0; y < rc.bottom; ++y) {
        for (int x = 0; x < rc.right; ++x) {
            out.push_back(platform::WindowPixel(hwnd, x, y));
        }
    }
    return out;
}

TextMetrics MeasureText(HWND hwnd, const std::string& text)
{
    HDC dc = GetDC(hwnd);
    SIZE l{};
    SIZE extent{};
    GetTextExtentPoint32A(dc, "L", 1, &l);
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ReleaseDC(hwnd, dc);
    return TextMetrics{static_cast<int>(l.cy), extent};
}

std::vector<COLORREF> PixelsAfterFocus(HWND window, HWND focus)
{
    SetFocus(focus);
    Settle();
    return Pixels(window);
}

POINT Middle(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return POINT{rc.right / 2, rc.bottom / 2};
}
}

#pragma once
// What the controls' tests share: a clean headless layer with the program's
// resources, a panel dialog that counts the messages its controls post, a
// theme renderer that paints each state in a colour of its own, and pixel reads.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "owl/Dialog.h"
#include "platform/theme/Theme.h"
#include "platform/user/Headless.h"

namespace controlstest {
// Template 9000: push buttons 150..154 ("&Record", "&Stop", "&Play", "&Back",
// "&Forward", 30 x 20 units), an edit 160 and the meter static 116.
constexpr int kPanel = 9000;
constexpr int kEdit = 160;
constexpr int kMeter = 116;
void AddPanelTemplate();

// A modeless dialog that counts every WM_USER-range message it receives.
class Panel : public OWL::TDialog {
public:
    explicit Panel(int resId = kPanel) : OWL::TDialog(nullptr, resId) {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // How many times msg arrived with this wParam.
    int Count(UINT msg, WPARAM wParam) const;
    void ClearCounts() { counts_.clear(); }

private:
    std::map<std::pair<UINT, WPARAM>, int> counts_;
};

// Paints the background of state s in Colour(s); records the texts drawn.
class StateTheme : public platform::ThemeRenderer {
public:
    static COLORREF Colour(int state) { return RGB(10 * state, 100, 200); }
    bool HasClass(const std::wstring& className) const override { return className == L"Button"; }
    bool DrawBackground(HDC dc, const std::wstring&, int partId, int stateId, const RECT& rect, const RECT*) override;
    bool DrawText(HDC dc, const std::wstring&, int partId, int stateId, const std::wstring& text, DWORD textFlags,
                  bool grayed, const RECT& rect) override;

    struct TextCall {
        std::wstring text;
        DWORD flags;
        bool grayed;
        RECT rect;
    };
    std::vector<int> backgrounds;  // state ids, in order
    std::vector<TextCall> texts;
};

// Sets up and tears down the layer and the resources; the manual clock stands still.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Lets every waiting message run (posts, paints, due timers).
inline void Settle() { platform::headless::RunUntilIdle(); }
// Repaints a window now and returns the colour at a client point.
COLORREF PaintedPixel(HWND hwnd, int x, int y);
// The pixels of a window's client area, row by row.
std::vector<COLORREF> Pixels(HWND hwnd);
// The client point at the middle of a window.
POINT Middle(HWND hwnd);
// How a window's painting measures text: the height of "L" (the reference the
// controls centre on) and the extent of the text.
struct TextMetrics {
    int lineHeight;
    SIZE extent;
};
TextMetrics MeasureText(HWND hwnd, const std::string& text);
// Moves the keyboard focus, lets the repaints run and returns the window's pixels.
std::vector<COLORREF> PixelsAfterFocus(HWND window, HWND focus);
}

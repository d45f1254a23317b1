// SMeter: the gauges laid over the control, mono and stereo bars, the magenta
// right bar, the sunken border of the pair, and repaints only on a change of mode.
#include "ControlsTestSupport.h"
#include "controls/SMeter.h"

using namespace controlstest;

namespace {
class Meter : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        panel = new Panel;
        meter = new SMeter(panel, kMeter);
        ASSERT_TRUE(panel->Create());
        meter->SetRange(0, 100);
        Settle();
    }
    void TearDown() override
    {
        delete panel;
        ControlsTest::TearDown();
    }
    HWND Gauge(int offset) const { return GetDlgItem(panel->GetHandle(), kMeter + offset); }
    RECT RectIn(HWND child) const
    {
        RECT r{};
        GetWindowRect(child, &r);
        POINT tl{r.left, r.top};
        ScreenToClient(panel->GetHandle(), &tl);
        return RECT{tl.x, tl.y, tl.x + (r.right - r.left), tl.y + (r.bottom - r.top)};
    }
    static bool NeedsPaint(HWND h) { return platform::headless::PaintPending(h); }

    Panel* panel = nullptr;
    SMeter* meter = nullptr;
};
}

TEST_F(Meter, GaugesCoverTheControlAndAnOddWidthLeavesTheLastColumn)
{
    const RECT m = RectIn(GetDlgItem(panel->GetHandle(), kMeter));
    const int w = m.right - m.left;
    ASSERT_EQ(w % 2, 1) << "the panel's meter is laid out with an odd width";
    const RECT mono = RectIn(Gauge(1));
    const RECT left = RectIn(Gauge(2));
    const RECT right = RectIn(Gauge(3));
    EXPECT_EQ(mono.left, m.left);
    EXPECT_EQ(mono.right, m.right);
    EXPECT_EQ(mono.bottom, m.bottom);
    EXPECT_EQ(left.left, m.left);
    EXPECT_EQ(left.right - left.left, w / 2);
    EXPECT_EQ(right.left, m.left + w / 2);
    EXPECT_EQ(right.right, m.right - 1) << "the rightmost column stays uncovered";
    EXPECT_TRUE(IsWindowVisible(Gauge(1)));
    EXPECT_FALSE(IsWindowVisible(Gauge(2)));
    EXPECT_FALSE(IsWindowVisible(Gauge(3)));
}

TEST_F(Meter, MonoAndStereoBarsWithTheSunkenPair)
{
    const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    meter->SetValue(50);
    Settle();
    HWND mono = Gauge(1);
    RECT rc{};
    GetClientRect(mono, &rc);
    EXPECT_EQ(platform::WindowPixel(mono, rc.right / 2, rc.bottom - 4), bar);
    EXPECT_EQ(platform::WindowPixel(mono, rc.right / 2, 4), face) << "half full";
    EXPECT_EQ(platform::WindowPixel(mono, 0, rc.bottom / 2), shadow);
    EXPECT_EQ(platform::WindowPixel(mono, rc.right - 1, rc.bottom / 2), light);

    meter->SetStereoValues(100, 100);
    Settle();
    EXPECT_FALSE(IsWindowVisible(mono));
    HWND left = Gauge(2);
    HWND right = Gauge(3);
    ASSERT_TRUE(IsWindowVisible(left) && IsWindowVisible(right));
    GetClientRect(left, &rc);
    const int w = rc.right;
    const int h = rc.bottom;
    EXPECT_EQ(platform::WindowPixel(left, w / 2, h / 2), bar);
    EXPECT_EQ(platform::WindowPixel(right, w / 2, h / 2), SMeter::kRightColor) << "the right bar is magenta";
    // One sunken box: shadow on the left and top, highlight on the right and bottom, no edge between.
    EXPECT_EQ(platform::WindowPixel(left, 0, h / 2), shadow);
    EXPECT_EQ(platform::WindowPixel(left, w / 2, 0), shadow);
    EXPECT_EQ(platform::WindowPixel(right, w / 2, 0), shadow);
    EXPECT_EQ(platform::WindowPixel(left, w / 2, h - 1), light);
    EXPECT_EQ(platform::WindowPixel(right, w - 1, h / 2), light);
    for (COLORREF edge : {shadow, light}) {
        EXPECT_NE(platform::WindowPixel(left, w - 1, h / 2), edge);
        EXPECT_NE(platform::WindowPixel(right, 0, h / 2), edge);
    }
    // Margin 1: one ring of the face colour just inside the strips.
    EXPECT_EQ(platform::WindowPixel(left, w / 2, 1), face);
    EXPECT_EQ(platform::WindowPixel(right, w - 2, h / 2), face);

    meter->SetValue(10);
    EXPECT_TRUE(IsWindowVisible(mono));
    EXPECT_FALSE(IsWindowVisible(left));
}

TEST_F(Meter, OnlyAChangeOfModeRepaintsTheMeter)
{
    HWND m = GetDlgItem(panel->GetHandle(), kMeter);
    InvalidateRect(m, nullptr, TRUE);
    meter->SetStereoValues(20, 30);
    EXPECT_FALSE(NeedsPaint(m)) << "the switch to stereo paints the meter once";
    InvalidateRect(m, nullptr, TRUE);
    meter->SetStereoValues(40, 50);
    EXPECT_TRUE(NeedsPaint(m)) << "a further stereo value leaves the meter alone";
}

TEST_F(Meter, RangeAndLedsReachTheHiddenGauges)
{
    meter->SetRange(0, 200);
    meter->SetLed(5, 80);
    meter->SetStereoValues(100, 200);
    Settle();
    HWND left = Gauge(2);
    RECT rc{};
    GetClientRect(left, &rc);
    const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(platform::WindowPixel(left, rc.right / 2, 4), face) << "100 of 200 fills half";
    // LEDs: 4 lit pixels, then 1 of the face, from the bottom of the well.
    const int bottom = rc.bottom - 3;
    EXPECT_EQ(platform::WindowPixel(left, rc.right / 2, bottom), bar);
    EXPECT_EQ(platform::WindowPixel(left, rc.right / 2, bottom - 3), bar);
    EXPECT_EQ(platform::WindowPixel(left, rc.right / 2, bottom - 4), face);
    EXPECT_EQ(platform::WindowPixel(left, rc.right / 2, bottom - 5), bar);
}

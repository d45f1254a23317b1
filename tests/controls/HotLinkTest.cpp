// THotLink: the link drawn in its colour with its underline and focus
// rectangle, centred even when wider than the control; a click opens it.
#include "ControlsTestSupport.h"
#include "controls/HotLink.h"
#include "platform/kernel/Processes.h"

using namespace controlstest;
namespace hl = platform::headless;

namespace {
constexpr int kAbout = 22000;
constexpr int kLink = 22006;

class HotLink : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        platform::SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        });
    }
    void TearDown() override
    {
        delete dialog;
        platform::SetProgramStarter({});
        ControlsTest::TearDown();
    }
    HWND Make(const char* url)
    {
        dialog = new OWL::TDialog(nullptr, kAbout);
        new THotLink(dialog, kLink, url);
        EXPECT_TRUE(dialog->Create());
        Settle();
        return GetDlgItem(dialog->GetHandle(), kLink);
    }
    // The columns of a row that hold the link colour, or something near it (glyph edges blend).
    static std::vector<int> LinkColumns(HWND h, int y)
    {
        RECT rc{};
        GetClientRect(h, &rc);
        std::vector<int> xs;
        for (int x = 0; x < rc.right; ++x) {
            const COLORREF c = platform::WindowPixel(h, x, y);
            if (GetBValue(c) > GetRValue(c) + 40 && GetBValue(c) > GetGValue(c) + 40) {
                xs.push_back(x);
            }
        }
        return xs;
    }

    OWL::TDialog* dialog = nullptr;
    std::vector<std::vector<std::string>> started;
};
}

TEST_F(HotLink, DrawsTheAddressCentredWithItsUnderline)
{
    HWND link = Make("example.org");
    RECT rc{};
    GetClientRect(link, &rc);
    const auto [lineHeight, text] = MeasureText(link, "example.org");
    const int x = rc.right / 2;
    const int y = rc.bottom / 2 + lineHeight / 2;
    const std::vector<int> underline = LinkColumns(link, y);
    ASSERT_EQ(underline.size(), static_cast<std::size_t>(text.cx));
    EXPECT_EQ(underline.front(), x - text.cx / 2);
    EXPECT_EQ(platform::WindowPixel(link, x, y), THotLink::kLinkColor);
    // Glyphs in the link colour inside the text's cell, nothing of it above the cell.
    int glyphPixels = 0;
    for (int row = y - text.cy; row < y; ++row) {
        glyphPixels += static_cast<int>(LinkColumns(link, row).size());
    }
    EXPECT_GT(glyphPixels, 20);
    for (int row = 0; row < y - text.cy; ++row) {
        EXPECT_TRUE(LinkColumns(link, row).empty()) << row;
    }
    EXPECT_EQ(platform::WindowDrawnText(link), "example.org");

    // Pressing repaints nothing; the click opens the address.
    SetFocus(link);
    Settle();
    const std::vector<COLORREF> before = Pixels(link);
    hl::PressAt(link, Middle(link));
    EXPECT_EQ(Pixels(link), before);
    EXPECT_TRUE(started.empty());
    hl::ReleaseAt(link, Middle(link));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"xdg-open", "example.org"}));
}

TEST_F(HotLink, FocusRectangleSurroundsTheTextAndToggles)
{
    HWND link = Make("example.org");
    SetFocus(nullptr);
    PaintedPixel(link, 0, 0);
    const std::vector<COLORREF> plain = Pixels(link);
    const std::vector<COLORREF> focused = PixelsAfterFocus(link, link);
    EXPECT_NE(focused, plain);
    RECT rc{};
    GetClientRect(link, &rc);
    const auto [lineHeight, text] = MeasureText(link, "example.org");
    const int x0 = (rc.right - text.cx) / 2;
    const int bottom = rc.bottom / 2 + lineHeight / 2 + 2;
    // The rectangle's bottom edge is dotted: every other pixel changed.
    int changed = 0;
    for (int x = x0 - 2; x < x0 + text.cx + 2; ++x) {
        const std::size_t i = static_cast<std::size_t>((bottom - 1) * rc.right + x);
        changed += focused[i] != plain[i];
    }
    EXPECT_NEAR(changed, (text.cx + 4) / 2, 1);
    EXPECT_EQ(PixelsAfterFocus(link, nullptr), plain);
}

TEST_F(HotLink, ATextWiderThanTheControlStaysCentredOnIt)
{
    const char* url = "https://recordings.example.org/a/very/long/address/of/the/product/page.html";
    HWND link = Make(url);
    RECT rc{};
    GetClientRect(link, &rc);
    const auto [lineHeight, text] = MeasureText(link, url);
    ASSERT_GT(text.cx, rc.right);
    const std::vector<int> underline = LinkColumns(link, rc.bottom / 2 + lineHeight / 2);
    EXPECT_EQ(underline.size(), static_cast<std::size_t>(rc.right)) << "the underline runs past both edges";
}

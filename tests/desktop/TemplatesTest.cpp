// Every dialog template of the program on the desktop: each control where and as visible as its template says, and no label clipped at the dialog font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"
#include "tests/support/DesktopSession.h"

namespace {
namespace dt = platform::display::testing;

INT_PTR KeepOpen(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }

LRESULT Plain(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

struct Named {
    const char* label;
    LPCSTR name;
};

class Templates : public ::testing::TestWithParam<Named> {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no private X server (Xvfb) could be started";
        }
        platform::headless::Reset();
        resources::RegisterAll();
        WNDCLASSA wc{};
        wc.lpfnWndProc = Plain;
        for (const char* cls : {"TemplateHost", "OWL_Gauge"}) {
            wc.lpszClassName = cls;
            RegisterClassA(&wc);
        }
    }
    void TearDown() override
    {
        platform::headless::Reset();
        if (testsupport::PrivateDisplay* display = testsupport::SessionDisplay()) {
            display->StopWindowManager();
        }
    }
};

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," + std::to_string(r.bottom);
}

TEST_P(Templates, ControlsSitAndShowAsTheTemplateSaysWithNoLabelClipped)
{
    const platform::DialogTemplate* t = platform::FindDialog(GetParam().name);
    ASSERT_NE(t, nullptr);
    HWND host = nullptr;
    if (t->style & WS_CHILD) {
        host = CreateWindowExA(0, "TemplateHost", "Host", WS_OVERLAPPEDWINDOW, 20, 20, 700, 520, nullptr, nullptr, nullptr, nullptr);
    }
    HWND dialog = CreateDialogParamA(nullptr, GetParam().name, host, KeepOpen, 0);
    ASSERT_NE(dialog, nullptr);
    HWND top = host ? host : dialog;
    ShowWindow(dialog, SW_SHOW);
    ShowWindow(top, SW_SHOW);
    const SIZE base = platform::DialogBaseUnits(*t);
    std::vector<HWND> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        controls.push_back(c);
    }
    ASSERT_EQ(controls.size(), t->items.size());
    const auto placed = [&] {
        const auto origin = dt::ClientRectInTop(host ? dialog : top);
        if (!origin) {
            return false;
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const auto& item = t->items[i];
            const auto r = dt::ClientRectInTop(controls[i]);
            if ((item.style & WS_VISIBLE) && !r) {
                return false;
            }
            // Place and size each converted on their own, as the dialog manager does.
            const int x = platform::DialogUnitsToPixelsX(item.x, base);
            const int y = platform::DialogUnitsToPixelsY(item.y, base);
            const int w = platform::DialogUnitsToPixelsX(item.cx, base);
            // A drop-down combo is one line high, as tall as an edit: its height in the template is its open list's.
            const bool dropDown = item.className == WC_COMBOBOX && (item.style & 0x3) >= CBS_DROPDOWN;
            const int h = platform::DialogUnitsToPixelsY(dropDown ? std::min(item.cy, 12) : item.cy, base);
            if (r && (item.style & WS_VISIBLE) &&
                (r->left - origin->left != x || r->top - origin->top != y || r->right - r->left != w || r->bottom - r->top != h)) {
                return false;
            }
        }
        return true;
    };
    const bool ok = dt::RunUntil(placed);
    const auto origin = dt::ClientRectInTop(host ? dialog : top);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& item = t->items[i];
        EXPECT_EQ(dt::Shown(controls[i]), (item.style & WS_VISIBLE) != 0) << "control " << item.id << " \"" << item.text << "\"";
        if (!ok && origin && (item.style & WS_VISIBLE)) {
            const auto r = dt::ClientRectInTop(controls[i]);
            if (r) {
                ADD_FAILURE() << "control " << item.id << " \"" << item.text << "\" is at "
                              << Describe(RECT{r->left - origin->left, r->top - origin->top, r->right - origin->left, r->bottom - origin->top});
            }
        }
    }
    EXPECT_TRUE(ok);
    const std::vector<std::string> clipped = dt::ClippedLabels(dialog);
    EXPECT_TRUE(clipped.empty()) << ::testing::PrintToString(clipped);
    if (const char* dir = std::getenv("TAPVOX_SCREENSHOT_DIR")) {
        EXPECT_TRUE(dt::SaveScreenshot(top, std::string(dir) + "/" + GetParam().label + ".png"));
    }
}

// Under a window manager, which frames the window after it is shown and may change that frame,
// the window opens at its template's size and keeps it: the native client area is the record's.
TEST_P(Templates, TheWindowKeepsItsSizeUnderAWindowManager)
{
    testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
    if (!display || !display->StartWindowManager()) {
        GTEST_SKIP() << "no window manager (openbox) could be started";
    }
    ASSERT_TRUE(dt::RunUntil([] { return dt::WindowManagerName() == "Openbox"; }));
    const platform::DialogTemplate* t = platform::FindDialog(GetParam().name);
    ASSERT_NE(t, nullptr);
    HWND host = nullptr;
    if (t->style & WS_CHILD) {
        host = CreateWindowExA(0, "TemplateHost", "Host", WS_OVERLAPPEDWINDOW, 20, 20, 700, 520, nullptr, nullptr, nullptr, nullptr);
    }
    HWND dialog = CreateDialogParamA(nullptr, GetParam().name, host, KeepOpen, 0);
    ASSERT_NE(dialog, nullptr);
    HWND top = host ? host : dialog;
    ShowWindow(dialog, SW_SHOW);
    ShowWindow(top, SW_SHOW);
    RECT client{};
    GetClientRect(top, &client);
    // The window manager frames the window a moment after it is mapped: the size is read once
    // it has been framed and has stayed the same for a while.
    std::optional<RECT> shown;
    int still = 0;
    dt::RunUntil([&] {
        const std::optional<RECT> now = dt::ScreenRect(top);
        const bool same = now && shown && now->right - now->left == shown->right - shown->left &&
                          now->bottom - now->top == shown->bottom - shown->top;
        still = same ? still + 1 : 0;
        shown = now;
        return still >= 50;
    });
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->right - shown->left, client.right);
    EXPECT_EQ(shown->bottom - shown->top, client.bottom);
    display->StopWindowManager();
}

INSTANTIATE_TEST_SUITE_P(Program, Templates,
    ::testing::Values(Named{"main-window", resources::kMainDialog}, Named{"about", MAKEINTRESOURCEA(22000)},
                      Named{"position", MAKEINTRESOURCEA(1700)}, Named{"progress", MAKEINTRESOURCEA(1800)},
                      Named{"category", MAKEINTRESOURCEA(206)}, Named{"pattern", MAKEINTRESOURCEA(4200)},
                      Named{"page-general", MAKEINTRESOURCEA(270)}, Named{"page-wave", MAKEINTRESOURCEA(271)},
                      Named{"page-mp3", MAKEINTRESOURCEA(3700)}, Named{"page-vorbis", MAKEINTRESOURCEA(3860)},
                      Named{"page-file", MAKEINTRESOURCEA(272)}, Named{"page-record", MAKEINTRESOURCEA(273)},
                      Named{"page-playback", MAKEINTRESOURCEA(210)}, Named{"page-timer", MAKEINTRESOURCEA(28071)},
                      Named{"page-driver", MAKEINTRESOURCEA(1600)}, Named{"page-switches", MAKEINTRESOURCEA(500)},
                      Named{"page-hotkey", MAKEINTRESOURCEA(900)}),
    [](const ::testing::TestParamInfo<Named>& info) {
        std::string n = info.param.label;
        for (char& c : n) {
            if (c == '-') {
                c = '_';
            }
        }
        return n;
    });
}

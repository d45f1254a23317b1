// The preferences sheet used with the keyboard alone on the desktop: Ctrl+Tab reaches every page, Tab every control
// of each and the sheet's tabs and buttons, and Space on Help opens each page's topic, through real keys.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "controls/ContextHelpWin.h"
#include "platform/core/Strings.h"
#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Timers.h"
#include "prefs/PreferencesSheet.h"
#include "tests/prefs/PageFixture.h"

namespace {
namespace dt = platform::display::testing;

// The Options sheet's pages, in the order the program adds them.
constexpr int kPages[] = {270, 271, 3700, 3860, 272, 273, 210, 28071};
constexpr UINT_PTR kGiveUpTimer = 2;

// The user at the keyboard: each tick looks whether the screen caught up with the last key, then presses the next.
class Walker {
public:
    explicit Walker(OWL::TPropertySheet& sheet) : sheet_(sheet) {}

    // Called from a timer inside the sheet's loop.
    void Tick()
    {
        if (done_) {
            return;
        }
        HWND sheet = sheet_.GetHandle();
        OWL::TPropertyPage* page = sheet_.GetCurrentPage();
        if (!sheet || !page || !page->GetHandle() || !dt::Shown(page->GetHandle())) {
            return;
        }
        if (busy_) {
            return;
        }
        if (!shot_) {
            shot_ = true;
            if (const char* dir = std::getenv("TAPVOX_SCREENSHOT_DIR")) {
                busy_ = true;
                EXPECT_TRUE(dt::SaveScreenshot(sheet, std::string(dir) + "/preferences.png"));
                busy_ = false;
            }
            return;
        }
        HWND focus = GetFocus();
        const int index = sheet_.GetCurrentIndex();
        if (index != expectedPage_ || !focus || focus == pressedOn_ || !dt::HasNativeFocus(focus)) {
            // The last key has not shown yet; one that never shows is noted and the walk goes on.
            if (std::chrono::steady_clock::now() - lastKey_ < std::chrono::seconds(3)) {
                return;
            }
            stuck_.push_back("page " + std::to_string(kPages[index]) + " after " + std::to_string(tabs_) + " Tabs, at " +
                             (focus ? Name(focus) : std::string("no focus")));
            if (index != expectedPage_) {
                expectedPage_ = index;
                tabs_ = 0;
            }
        }
        if (tabs_ == 0) {
            stops_[index] = TabStops(page->GetHandle());
            for (const auto& [hwnd, name] : TabStops(sheet)) {
                if (!IsPage(hwnd)) {
                    stops_[index][hwnd] = name;  // the tabs, OK, Cancel and Help
                }
            }
        }
        reached_[index].insert(focus);
        if (focus == GetDlgItem(sheet, IDHELP) && helpPressed_.insert(index).second) {
            // Space presses Help and leaves the focus there; the next tick goes on from it.
            pressedOn_ = nullptr;
            Press(VK_SPACE);
            return;
        }
        pressedOn_ = focus;
        if (tabs_ < static_cast<int>(stops_[index].size())) {
            ++tabs_;
            Press(VK_TAB);
            return;
        }
        tabs_ = 0;
        pressedOn_ = nullptr;
        if (++pagesWalked_ == static_cast<int>(std::size(kPages))) {
            done_ = true;
            Press(VK_ESCAPE);
            return;
        }
        expectedPage_ = (index + 1) % static_cast<int>(std::size(kPages));
        // Alternately Ctrl+Tab and Ctrl+Page Down, both of which go one page on.
        Press(pagesWalked_ % 2 ? VK_TAB : VK_NEXT, {VK_CONTROL});
    }

    // Time is up: the sheet is cancelled so the test ends.
    void GiveUp()
    {
        if (HWND sheet = sheet_.GetHandle()) {
            PostMessage(sheet, WM_COMMAND, IDCANCEL, 0);
        }
    }
    const std::vector<std::string>& Stuck() const { return stuck_; }

    bool Done() const { return done_; }
    // Per page: the names of the tab stops the walk never reached.
    std::map<int, std::vector<std::string>> Missed() const
    {
        std::map<int, std::vector<std::string>> out;
        for (std::size_t p = 0; p < std::size(kPages); ++p) {
            auto stops = stops_.find(static_cast<int>(p));
            if (stops == stops_.end()) {
                out[kPages[p]].push_back("the page itself");
                continue;
            }
            for (const auto& [hwnd, name] : stops->second) {
                if (!reached_.count(static_cast<int>(p)) || !reached_.at(static_cast<int>(p)).count(hwnd)) {
                    out[kPages[p]].push_back(name);
                }
            }
        }
        return out;
    }

private:
    void Press(UINT vk, const std::vector<UINT>& modifiers = {})
    {
        lastKey_ = std::chrono::steady_clock::now();
        dt::Key(vk, modifiers);
    }
    bool IsPage(HWND c) const
    {
        for (int i = 0; i < sheet_.GetPageCount(); ++i) {
            if (sheet_.GetPage(i)->GetHandle() == c) {
                return true;
            }
        }
        return false;
    }
    static std::string Name(HWND c)
    {
        char text[128] = {};
        GetWindowTextA(c, text, sizeof text);
        return std::to_string(GetDlgCtrlID(c)) + " \"" + text + "\"";
    }
    static std::map<HWND, std::string> TabStops(HWND page)
    {
        std::map<HWND, std::string> out;
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c)) {
                out[c] = Name(c);
            }
        }
        return out;
    }

    OWL::TPropertySheet& sheet_;
    int expectedPage_ = 0;
    int pagesWalked_ = 0;
    int tabs_ = 0;
    bool done_ = false;
    bool shot_ = false;  // the screenshot, taken once before the first key
    bool busy_ = false;  // the screenshot's own loop runs ticks too: they wait
    HWND pressedOn_ = nullptr;
    std::map<int, std::map<HWND, std::string>> stops_;
    std::map<int, std::set<HWND>> reached_;
    std::set<int> helpPressed_;
    std::vector<std::string> stuck_;
    std::chrono::steady_clock::time_point lastKey_ = std::chrono::steady_clock::now();
};

LRESULT WalkerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER) {
        if (auto* w = reinterpret_cast<Walker*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            if (wp == kGiveUpTimer) {
                w->GiveUp();
            } else {
                w->Tick();
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class KeyboardWalk : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no private X server (Xvfb) could be started";
        }
        PageTest::SetUp();
        platform::UseSystemClock();  // the walker's timer runs in real time, as the user does
        helpFolder = testsupport::SourceDir() + "/resources/help";
        platform::CopyBounded(HelpFilePath, MAX_PATH, helpFolder);
        platform::SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv.size() > 1 ? argv[1] : std::string());
            return true;
        });
    }
    void TearDown() override
    {
        platform::SetProgramStarter({});
        HelpFilePath[0] = '\0';
        PageTest::TearDown();
    }

    std::string helpFolder;
    std::vector<std::string> started;  // the topics opened
};

TEST_F(KeyboardWalk, EveryPageOfTheOptionsAndEveryControlOnItIsReachedWithTheKeyboard)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WalkerProc;
    wc.lpszClassName = "KeyboardWalker";
    RegisterClassA(&wc);

    TPreferencesSheet prefs(nullptr);
    OWL::TPropertySheet& sheet = prefs.Sheet();
    Walker walker(sheet);
    HWND ticker = CreateWindowExA(0, "KeyboardWalker", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(ticker, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&walker));
    SetTimer(ticker, 1, 15, nullptr);
    SetTimer(ticker, kGiveUpTimer, 60000, nullptr);
    EXPECT_EQ(sheet.Execute(), IDCANCEL);
    DestroyWindow(ticker);
    EXPECT_TRUE(walker.Done()) << "the walk did not get through every page";
    EXPECT_TRUE(walker.Stuck().empty()) << "keys that did not show on the screen: " << ::testing::PrintToString(walker.Stuck());
    for (const auto& [page, missed] : walker.Missed()) {
        ADD_FAILURE() << "page " << page << ": Tab never reached " << ::testing::PrintToString(missed);
    }
    std::vector<std::string> topics;
    for (const char* t : {"General", "Wave", "Mp3", "Vorbis", "File", "Record", "Playback", "Timer"}) {
        topics.push_back("file://" + helpFolder + "/" + t + ".html");
    }
    EXPECT_EQ(topics, started) << "Space on each page's Help opens that page's topic";
}
}

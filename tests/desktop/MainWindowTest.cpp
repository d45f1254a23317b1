// The program's frame with its main window on the desktop: shown idle and while
// recording from the scripted input (screenshots for the documentation), and
// every transport command, the focus keys and the tab stops reached with real keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/Settings.h"
#include "app/StartOptions.h"
#include "app/main/App.h"
#include "app/main/Frame.h"
#include "app/main/OwlMain.h"
#include "owl/Gauge.h"
#include "platform/core/Bytes.h"
#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Controls.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Resources.h"
#include "platform/wave/ScriptedWave.h"
#include "prefs/SetFile.h"
#include "prefs/SetMp3.h"
#include "prefs/SetStart.h"
#include "prefs/SetWave.h"
#include "recorder/AppDialog.h"
#include "resources/Resources.h"
#include "tests/support/TestSupport.h"

namespace {
namespace dt = platform::display::testing;
namespace script = platform::scripted;

constexpr int kRecord = 150;
constexpr int kPlay = 151;
constexpr int kRewind = 152;
constexpr int kForward = 153;
constexpr int kStop = 154;
constexpr int kMeter = 116;
constexpr int kThresholdSlider = 110;
constexpr int kPositionSlider = 158;

class MainWindowOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no private X server (Xvfb) could be started";
        }
        setenv("TAPVOX_AUDIO", "script", 1);
        testsupport::UsePrivateUserFolders(dir);
        folder = dir.file("rec");
        mkdir(folder.c_str(), 0700);
        script::ResetWaveScript();
        platform::headless::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        platform::UseSystemClock();  // the keys and the toolkit run in real time
        StartOptions = TStartOptions{};
        CurrentFileName[0] = 0;
        FirstInstance = true;

        app = std::make_unique<App>();
        // After the application has read its (empty) settings: 8 kHz 16-bit stereo PCM into a private folder.
        TrayIcon = false;
        AutoName = false;
        AutoPrompt = false;
        std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", folder.c_str());
        std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "take");
        SampleRate = 8000;
        Resolution = true;
        Stereo = true;
        DefaultAudioFormat = 0;
        std::snprintf(ACMDriver, sizeof ACMDriver, "No compression");
        ACMFormatTag = WAVE_FORMAT_PCM;
        PlayRate = 1.0f;
        app->InitInstance();
        ASSERT_NE(Main(), nullptr);
        // The transport buttons become owner-drawn once the loop runs, and are then shown anew.
        const auto settled = [this] {
            for (int id : {kRecord, kPlay, kRewind, kForward, kStop}) {
                if ((GetWindowLongA(Item(id), GWL_STYLE) & BS_TYPEMASK) != BS_OWNERDRAW || !dt::Shown(Item(id))) {
                    return false;
                }
            }
            return dt::Shown(Frame()) && dt::Shown(Item(kMeter + 1));
        };
        ASSERT_TRUE(dt::RunUntil(settled)) << "the frame with the main window did not come on the screen";
        dt::RunUntil([] { return false; }, 300);  // its first paint
    }

    void TearDown() override
    {
        app.reset();
        platform::headless::Reset();
        platform::ClearResources();
    }

    TAppDialog* Main() const { return app->GetAppDialog(); }
    HWND Frame() const { return app->GetFrame()->GetHandle(); }
    HWND Item(int id) const { return GetDlgItem(Main()->GetHandle(), id); }
    OWL::TGauge* Gauge(int offset) const { return dynamic_cast<OWL::TGauge*>(Main()->ChildWithId(kMeter + offset)); }
    std::string CurrentName() const { return Main()->GetCurrentFile() ? Main()->GetCurrentFile()->GetName() : ""; }
    DWORD Position() const { return Main()->GetCurrentFile() ? Main()->GetCurrentFile()->GetPosition() : 0; }

    // One fifth of a second of stereo input whose channels peak at these values.
    std::vector<std::uint8_t> Buffer(std::int16_t left, std::int16_t right) const
    {
        const WAVEFORMATEX& f = Main()->GetDeviceFormat();
        std::vector<std::uint8_t> block(f.nAvgBytesPerSec / 5 - (f.nAvgBytesPerSec / 5) % f.nBlockAlign);
        for (std::size_t i = 0; i + 3 < block.size(); i += 4) {
            platform::StoreLe16(&block[i], static_cast<std::uint16_t>((i / 4) % 2 ? left : std::int16_t(left / 2)));
            platform::StoreLe16(&block[i + 2], static_cast<std::uint16_t>((i / 4) % 2 ? right : std::int16_t(right / 2)));
        }
        return block;
    }
    // Feeds buffers as the sound card would, letting the program take each.
    void Feed(int buffers, std::int16_t left, std::int16_t right)
    {
        const std::vector<std::uint8_t> block = Buffer(left, right);
        for (int n = 0; n < buffers; ++n) {
            script::FeedInput(block.data(), block.size());
            fed += block.size();
            dt::RunUntil([] { return false; }, 20);
        }
    }
    // The keyboard to a control, once the screen shows it there.
    bool FocusOn(HWND control) const
    {
        SetActiveWindow(Frame());
        SetFocus(control);
        return dt::RunUntil([control] { return dt::HasNativeFocus(control); });
    }
    // A key pressed and the loop run until its effect shows.
    static bool Press(UINT vk, const std::vector<UINT>& modifiers, const std::function<bool()>& shown)
    {
        dt::Key(vk, modifiers);
        return dt::RunUntil(shown, 3000);
    }
    static void Shot(HWND top, const char* name)
    {
        if (const char* out = std::getenv("TAPVOX_SCREENSHOT_DIR")) {
            EXPECT_TRUE(dt::SaveScreenshot(top, std::string(out) + "/" + name));
        }
    }

    testsupport::TempDir dir;
    testsupport::KeepCurrentDirectory keepDirectory;
    std::string folder;
    std::unique_ptr<App> app;
    std::size_t fed = 0;
};
}

TEST_F(MainWindowOnScreen, IdleAndRecordingWithTheMeterMovingThenStoppedIntoAReadableFile)
{
    TAPVOX_REQUIRE_TOOL("soxi");
    for (int id : {kRecord, kStop, kPlay, kRewind, kForward, kThresholdSlider, kPositionSlider}) {
        EXPECT_TRUE(dt::Shown(Item(id))) << id;
    }
    EXPECT_TRUE(dt::ClippedLabels(Main()->GetHandle()).empty()) << ::testing::PrintToString(dt::ClippedLabels(Main()->GetHandle()));
    Shot(Frame(), "main-window.png");

    dt::Click(Item(kRecord));
    ASSERT_TRUE(dt::RunUntil([this] { return Main()->IsRecording(); })) << "a click on Record";
    // Loud on the left, softer on the right: the pair of bars shows both.
    Feed(8, 0x6C00, 0x3800);
    ASSERT_TRUE(dt::RunUntil([this] { return Gauge(2)->GetValue() == 0x6C * 100 / 127; }));
    EXPECT_EQ(Gauge(3)->GetValue(), 0x38 * 100 / 127);
    EXPECT_TRUE(dt::Shown(Item(kMeter + 2)));
    EXPECT_TRUE(dt::Shown(Item(kMeter + 3)));
    EXPECT_FALSE(dt::Shown(Item(kMeter + 1)));
    dt::RunUntil([] { return false; }, 300);  // the status line catches up
    Shot(Frame(), "main-window-recording.png");

    const std::string name = CurrentName();
    dt::Click(Item(kStop));
    ASSERT_TRUE(dt::RunUntil([this] { return !Main()->IsRecording(); })) << "a click on Stop";
    EXPECT_EQ(Gauge(2)->GetValue(), 0);
    int status = -1;
    const std::string info = testsupport::RunCapture("soxi -c '" + name + "' && soxi -r '" + name + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_EQ(info, "2\n8000\n");
    // All but the newest buffer, which the device still held at the stop, or all of them.
    const std::string samples = testsupport::RunCapture("soxi -s '" + name + "'");
    EXPECT_GE(std::stoul(samples), (fed / 4) - 8000 / 5) << samples;
}

TEST_F(MainWindowOnScreen, EveryTransportCommandTheFocusKeysAndEveryTabStopAreReachedWithTheKeyboardAlone)
{
    const HWND main = Main()->GetHandle();
    // Tab: every control that takes the focus.
    std::set<HWND> stops;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c)) {
            stops.insert(c);
        }
    }
    EXPECT_GE(stops.size(), 7u) << "the five buttons and the two sliders";
    std::set<HWND> reached;
    ASSERT_TRUE(FocusOn(Item(kRecord)));
    for (std::size_t i = 0; i < stops.size() + 1; ++i) {
        const HWND before = GetFocus();
        reached.insert(before);
        EXPECT_TRUE(Press(VK_TAB, {}, [&] { return GetFocus() != before && GetFocus() && dt::HasNativeFocus(GetFocus()); }))
            << "Tab from control " << GetDlgCtrlID(before);
    }
    for (HWND s : stops) {
        EXPECT_TRUE(reached.count(s)) << "Tab never reached control " << GetDlgCtrlID(s);
    }

    // Alt+R records, Alt+S stops.
    EXPECT_TRUE(Press('R', {VK_MENU}, [this] { return Main()->IsRecording(); })) << "Alt+R";
    Feed(16, 0x4000, 0x4000);
    EXPECT_TRUE(Press('S', {VK_MENU}, [this] { return !Main()->IsRecording(); })) << "Alt+S";
    const DWORD second = Main()->GetDeviceFormat().nAvgBytesPerSec;
    ASSERT_GE(Main()->GetCurrentFile()->GetDataSize(), 2 * second);

    // The cursor keys step: plain by minute (back to the start), Shift by second.
    EXPECT_TRUE(Press(VK_LEFT, {}, [this] { return Position() == 0; })) << "Left";
    EXPECT_TRUE(Press(VK_RIGHT, {VK_SHIFT}, [&] { return Position() == second; })) << "Shift+Right";
    EXPECT_TRUE(Press(VK_RIGHT, {VK_SHIFT}, [&] { return Position() == 2 * second; })) << "Shift+Right again";
    EXPECT_TRUE(Press(VK_LEFT, {VK_SHIFT}, [&] { return Position() == second; })) << "Shift+Left";

    // Alt+P plays, Space toggles, Alt+S stops; Ctrl+Alt+P plays at speed, Page Up and Down change the rate.
    EXPECT_TRUE(Press('P', {VK_MENU}, [this] { return Main()->IsOutputOpen(); })) << "Alt+P";
    EXPECT_TRUE(Press(VK_SPACE, {}, [this] { return !Main()->IsOutputOpen(); })) << "Space while playing";
    EXPECT_TRUE(Press(VK_SPACE, {}, [this] { return Main()->IsOutputOpen(); })) << "Space while stopped";
    EXPECT_TRUE(Press('S', {VK_MENU}, [this] { return !Main()->IsOutputOpen(); })) << "Alt+S while playing";
    EXPECT_TRUE(Press('P', {VK_CONTROL, VK_MENU}, [this] { return Main()->IsOutputOpen() && Main()->GetSpeedMode() != 0; }))
        << "Ctrl+Alt+P";
    const float rate = PlayRate;
    EXPECT_TRUE(Press(VK_PRIOR, {}, [&] { return PlayRate != rate; })) << "Page Up";
    EXPECT_TRUE(Press(VK_NEXT, {}, [&] { return std::abs(PlayRate - rate) < 0.001f; })) << "Page Down";
    EXPECT_TRUE(Press('S', {VK_MENU}, [this] { return !Main()->IsOutputOpen() && Main()->GetSpeedMode() == 0; }))
        << "Alt+S ends play at speed";

    // Alt+N and Alt+V give the focus to the position and the threshold slider.
    EXPECT_TRUE(Press('N', {VK_MENU}, [&] { return dt::HasNativeFocus(Item(kPositionSlider)); })) << "Alt+N";
    EXPECT_TRUE(Press('V', {VK_MENU}, [&] { return dt::HasNativeFocus(Item(kThresholdSlider)); })) << "Alt+V";
    EXPECT_TRUE(IsWindow(Frame()));
}

// The real program on the private X server, driven from outside as a user would:
// clicks and keys through the X server, its windows found by their class and
// title, the recording and the settings read from disk once it has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/core/Bytes.h"
#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/PrivateSessionBus.h"
#include "tests/support/platform/display/StandInWatcher.h"
#include "tests/support/DesktopSession.h"
#include "tests/support/TestSupport.h"

// What the leak checker of every test program passes over; an ASan build of the program gets the same list.
extern "C" const char* __lsan_default_suppressions();

namespace {
namespace dt = platform::display::testing;

constexpr int kWaitMs = 20000;
constexpr int kRecord = 150;
constexpr int kStop = 154;
constexpr int kMeter = 116;
// RunUntil looks every few milliseconds: this many looks in a row make a still picture.
constexpr int kStillPolls = 30;

// Each test runs on a bare X server and under a window manager, as users run the program.
enum class Desktop { Bare, Openbox };
void PrintTo(Desktop desktop, std::ostream* out) { *out << (desktop == Desktop::Openbox ? "openbox" : "none"); }

class ProgramOnScreen : public ::testing::TestWithParam<Desktop> {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no X server (Xvfb) could be started";
        }
        if (GetParam() == Desktop::Openbox) {
            if (!testsupport::SessionDisplay()->StartWindowManager()) {
                GTEST_SKIP() << "no window manager (openbox) could be started";
            }
            ASSERT_TRUE(dt::RunUntil([] { return dt::WindowManagerName() == "Openbox"; }, kWaitMs))
                << "openbox never took over the screen";
        } else {
            ASSERT_EQ(dt::WindowManagerName(), "") << "a bare X server has no window manager";
        }
        TAPVOX_REQUIRE_TOOL("sox");
        testsupport::UsePrivateUserFolders(dir);  // the program inherits them
        mkdir(dir.file("HOME").c_str(), 0700);
        env["HOME"] = dir.file("HOME");
        env["NO_AT_BRIDGE"] = "1";
        env["WAYLAND_DISPLAY"] = "";
        env["DBUS_SESSION_BUS_ADDRESS"] = "";  // no session bus: the private runtime folder holds none either
        // A tone whose loudness swings, so the level meter has something to follow.
        input = dir.file("input.wav");
        int status = -1;
        const std::string made = testsupport::RunCapture(
            "sox -n -r 8000 -b 8 -c 1 '" + input + "' synth 30 sine 440 tremolo 1.3 100 2>&1", &status);
        ASSERT_EQ(status, 0) << made;
        env["TAPVOX_AUDIO"] = "file:" + input + ";loop";
        const std::string suppressions = dir.file("lsan.supp");
        const std::string list = __lsan_default_suppressions();
        testsupport::WriteAll(suppressions, std::vector<std::uint8_t>(list.begin(), list.end()));
        env["LSAN_OPTIONS"] = "suppressions=" + suppressions;
        work = dir.file("work");
        mkdir(work.c_str(), 0700);
        recordings = dir.file("XDG_DATA_HOME") + "/Tapvox";

        platform::ClearResources();
        resources::RegisterAll();
        mainDialog = platform::FindDialog(resources::kMainDialog);
        ASSERT_NE(mainDialog, nullptr);
        base = platform::DialogBaseUnits(*mainDialog);
    }
    void TearDown() override
    {
        if (trayStarted) {
            testsupport::SessionDisplay()->StopTray();
        }
        if (testsupport::PrivateDisplay* display = testsupport::SessionDisplay()) {
            display->StopWindowManager();
        }
        if (program && program->Started() && !program->Wait(0)) {
            program->Kill(SIGKILL);
            program->Wait(kWaitMs);
        }
        platform::ClearResources();
    }

    void Start(const std::vector<std::string>& args = {})
    {
        program = std::make_unique<testsupport::ChildProgram>(TAPVOX_PROGRAM, args, env, work);
        ASSERT_TRUE(program->Started());
    }
    bool Running() { return !program->Wait(0); }

    // The program's top-level window that passes the test, once it is on the screen.
    std::optional<dt::ForeignWindow> WaitForWindow(const std::function<bool(const dt::ForeignWindow&)>& wanted)
    {
        std::optional<dt::ForeignWindow> found;
        dt::RunUntil(
            [&] {
                for (const dt::ForeignWindow& w : dt::ForeignWindows("tapvox")) {
                    if (wanted(w)) {
                        found = w;
                        return true;
                    }
                }
                return !Running();
            },
            kWaitMs);
        return found;
    }
    std::optional<dt::ForeignWindow> WaitForTitle(const std::string& title)
    {
        return WaitForWindow([&](const dt::ForeignWindow& w) { return w.title == title; });
    }
    // The frame: its title ends with the program's name ("[take.wav] Tapvox" while a file is open).
    std::optional<dt::ForeignWindow> WaitForFrame()
    {
        return WaitForWindow([](const dt::ForeignWindow& w) {
            return w.title.size() >= 6 && w.title.compare(w.title.size() - 6, 6, "Tapvox") == 0;
        });
    }
    bool Gone(unsigned long id)
    {
        for (const dt::ForeignWindow& w : dt::ForeignWindows("tapvox")) {
            if (w.id == id) {
                return false;
            }
        }
        return true;
    }
    // Keys go where the X server's input focus is: a key is pressed once the window has it.
    bool WaitForFocus(const dt::ForeignWindow& w)
    {
        return dt::RunUntil([&] { return dt::HasInputFocus(w.id); }, kWaitMs);
    }

    // The main window fills the frame below its menu bar; its controls sit where the template's
    // dialog units put them at the dialog font's base units.
    RECT ControlOnScreen(const dt::ForeignWindow& frame, int id) const
    {
        const int top = frame.screen.bottom - platform::DialogUnitsToPixelsY(mainDialog->cy, base);
        for (const platform::DialogItemTemplate& item : mainDialog->items) {
            if (item.id == id) {
                const int x = frame.screen.left + platform::DialogUnitsToPixelsX(item.x, base);
                const int y = top + platform::DialogUnitsToPixelsY(item.y, base);
                return RECT{x, y, x + platform::DialogUnitsToPixelsX(item.cx, base),
                            y + platform::DialogUnitsToPixelsY(item.cy, base)};
            }
        }
        ADD_FAILURE() << "no control " << id << " in the main window's template";
        return RECT{};
    }
    void ClickControl(const dt::ForeignWindow& frame, int id)
    {
        const RECT r = ControlOnScreen(frame, id);
        dt::ClickThroughXTest(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    // The meter moves: it leaves its idle picture, then shows a third one as the level swings.
    bool WaitForTheMeterToMove(const RECT& area, const std::vector<std::uint32_t>& idle)
    {
        std::vector<std::uint32_t> first;
        return dt::RunUntil(
            [&] {
                const std::vector<std::uint32_t> now = dt::ScreenPixels(area);
                if (now.empty() || now == idle) {
                    return false;
                }
                if (first.empty()) {
                    first = now;
                    return false;
                }
                return now != first;
            },
            kWaitMs);
    }

    // The toolkit's dialogs fill in their folder after they appear, and keys typed meanwhile
    // can be lost: a dialog is used once its picture has stayed the same for a moment.
    bool WaitForStillPicture(const dt::ForeignWindow& w)
    {
        std::vector<std::uint32_t> last;
        int still = 0;
        return dt::RunUntil(
            [&] {
                std::vector<std::uint32_t> now = dt::ScreenPixels(w.screen);
                still = !now.empty() && now == last ? still + 1 : 0;
                last = std::move(now);
                return still >= kStillPolls;
            },
            kWaitMs);
    }

    // Clicks a point of an open menu. Under load a click can come before the menu holds the pointer, and
    // the menu then stays open: it is clicked again while it does.
    void ClickInMenu(const dt::ForeignWindow& menu, POINT at)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            dt::ClickThroughXTest(at);
            if (dt::RunUntil([&] { return Gone(menu.id); }, 3000)) {
                return;
            }
        }
    }
    // A menu the program opened over its frame, once it has stopped moving into place.
    std::optional<dt::ForeignWindow> WaitForMenu(unsigned long frameId)
    {
        const auto menu = WaitForWindow([&](const dt::ForeignWindow& w) {
            return w.id != frameId && w.type.find("MENU") != std::string::npos;
        });
        if (!menu || !WaitForStillPicture(*menu)) {
            return std::nullopt;
        }
        for (const dt::ForeignWindow& w : dt::ForeignWindows("tapvox")) {
            if (w.id == menu->id) {
                return w;
            }
        }
        return std::nullopt;
    }

    // Types a name into the save dialog and presses Enter. Enter while the dialog still
    // completes the name is lost: it is pressed again, a bounded number of times.
    bool AnswerSaveAs(const std::string& name)
    {
        const auto saveAs = WaitForTitle("Save As");
        if (!saveAs || !WaitForFocus(*saveAs) || !WaitForStillPicture(*saveAs)) {
            return false;
        }
        dt::Type(name);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!WaitForStillPicture(*saveAs)) {
                return false;
            }
            dt::Key(VK_RETURN);
            if (dt::RunUntil([&] { return Gone(saveAs->id); }, kWaitMs / 4)) {
                return true;
            }
        }
        return false;
    }

    // A WAV file whose header has been brought up to date: its RIFF size covers the whole file.
    static bool Complete(const std::string& path)
    {
        const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
        if (bytes.size() <= 44) {
            return false;
        }
        return platform::LoadLe32(bytes.data() + 4) + std::uint64_t{8} == bytes.size();
    }
    // The recording as sox reads it: its sample count, which must be the input's first samples.
    std::uint64_t CheckRecording(const std::string& path)
    {
        int status = -1;
        const std::string samples = testsupport::RunCapture("soxi -s '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << samples;
        const std::uint64_t count = std::strtoull(samples.c_str(), nullptr, 10);
        EXPECT_GT(count, 0u) << path;
        // Both are 8-bit mono: a sample is a byte. sox writes the raw samples of each for comparison.
        const std::string raw = dir.file("recorded.u8");
        const std::string inRaw = dir.file("input.u8");
        testsupport::RunCapture("sox '" + path + "' -t u8 '" + raw + "' 2>&1", &status);
        EXPECT_EQ(status, 0);
        testsupport::RunCapture("sox '" + input + "' -t u8 '" + inRaw + "' 2>&1", &status);
        EXPECT_EQ(status, 0);
        const std::vector<std::uint8_t> got = testsupport::ReadAll(raw);
        const std::vector<std::uint8_t> source = testsupport::ReadAll(inRaw);
        EXPECT_EQ(got.size(), count);
        EXPECT_FALSE(source.empty());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < got.size() && !source.empty(); ++i) {
            differing += got[i] != source[i % source.size()];
        }
        EXPECT_EQ(differing, 0u) << "the recording holds the input's samples from its start";
        return count;
    }
    // The settings store as the program writes it, holding the given values.
    void WriteSettings(const std::string& values) const
    {
        const std::string store = dir.file("XDG_CONFIG_HOME") + "/tapvox";
        mkdir(store.c_str(), 0700);
        const std::string text =
            "; Tapvox settings store, format 1\n\n[Software\\Fennwicke\\Tapvox]\n" + values + "\n; end\n";
        testsupport::WriteAll(store + "/user.reg", std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    void SwitchTheTrayIconOn() const { WriteSettings("\"TrayIcon\"=hex:01\n"); }
    // The program started, its frame on the screen with the input focus and settled.
    std::optional<dt::ForeignWindow> StartSettled(const std::vector<std::string>& args = {})
    {
        Start(args);
        const auto frame = WaitForFrame();
        if (!frame || !WaitForFocus(*frame) || !WaitForStillPicture(*frame)) {
            return std::nullopt;
        }
        return frame;
    }
    // The centre of the program's icon in trayer's panel, once the panel has grown to hold it, its only one.
    std::optional<POINT> WaitForTrayIcon()
    {
        std::optional<dt::ForeignWindow> panel;
        if (!dt::RunUntil(
                [&] {
                    for (const dt::ForeignWindow& w : dt::ForeignWindows("trayer")) {
                        if (w.title == "panel" && w.screen.right - w.screen.left >= 16) {
                            panel = w;
                            return true;
                        }
                    }
                    return false;
                },
                kWaitMs) ||
            !WaitForStillPicture(*panel)) {
            return std::nullopt;
        }
        return POINT{(panel->screen.left + panel->screen.right) / 2, (panel->screen.top + panel->screen.bottom) / 2};
    }
    // trayer on the display and the program started with its tray icon on: where the icon shows.
    std::optional<POINT> StartWithTheTrayIcon()
    {
        testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
        if (!display->StartTray()) {
            ADD_FAILURE() << "no tray host (trayer) could be started";
            return std::nullopt;
        }
        trayStarted = true;
        if (!dt::RunUntil([] { return dt::TrayHostPresent(); }, kWaitMs)) {
            ADD_FAILURE() << "trayer took no tray selection";
            return std::nullopt;
        }
        SwitchTheTrayIconOn();
        if (!StartSettled()) {
            return std::nullopt;
        }
        return WaitForTrayIcon();
    }
    // Record clicked, the take growing, Stop clicked and the take's header written.
    void RecordATake(const dt::ForeignWindow& frame, const std::string& take)
    {
        ClickControl(frame, kRecord);
        ASSERT_TRUE(WaitForTitle("[~rec_1.wav] Tapvox")) << "Record opened no take: " << program->Err();
        ASSERT_TRUE(dt::RunUntil([&] { return testsupport::ReadAll(take).size() > 44 + 8000 / 5; }, kWaitMs))
            << "nothing recorded";
        ClickControl(frame, kStop);
        ASSERT_TRUE(dt::RunUntil([&] { return Complete(take); }, kWaitMs)) << "Stop left the take's header behind";
    }
    std::string SettingsText() const
    {
        const std::vector<std::uint8_t> bytes = testsupport::ReadAll(dir.file("XDG_CONFIG_HOME") + "/tapvox/user.reg");
        return std::string(bytes.begin(), bytes.end());
    }

    testsupport::TempDir dir;
    std::map<std::string, std::string> env;
    std::string input;
    std::string work;
    std::string recordings;
    const platform::DialogTemplate* mainDialog = nullptr;
    SIZE base{};
    std::unique_ptr<testsupport::ChildProgram> program;
    bool trayStarted = false;
};

// Record and Stop clicked, the meter followed; closing asks about the take: Cancel keeps
// the program, Yes saves it under the name typed into the save dialog, and the program ends.
TEST_P(ProgramOnScreen, RecordAndStopByClicksThenTheTakeIsSavedOnClose)
{
    Start();
    const auto frame = WaitForFrame();
    ASSERT_TRUE(frame) << "the frame never appeared: " << program->Err();
    EXPECT_EQ(frame->title, "Tapvox");
    ASSERT_TRUE(WaitForFocus(*frame));
    ASSERT_TRUE(WaitForStillPicture(*frame)) << "the main window never settled";
    const RECT level = ControlOnScreen(*frame, kMeter);
    const std::vector<std::uint32_t> idle = dt::ScreenPixels(level);
    ASSERT_FALSE(idle.empty());

    ClickControl(*frame, kRecord);
    ASSERT_TRUE(WaitForTitle("[~rec_1.wav] Tapvox")) << "Record opened no take: " << program->Err();
    EXPECT_TRUE(WaitForTheMeterToMove(level, idle)) << "the level meter stood still while recording";
    const std::string take = recordings + "/~rec_1.wav";
    ClickControl(*frame, kStop);
    EXPECT_TRUE(dt::RunUntil([&] { return Complete(take); }, kWaitMs)) << "Stop left the take's header behind";

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    auto question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "closing asked nothing about the take: " << program->Err();
    ASSERT_TRUE(WaitForFocus(*question));
    dt::Key(VK_ESCAPE);
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(question->id); }, kWaitMs));
    EXPECT_TRUE(Running()) << "Cancel keeps the program";
    EXPECT_FALSE(Gone(frame->id)) << "and its frame on the screen";

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "a cancelled close is forgotten, the next one asks again";
    ASSERT_TRUE(WaitForFocus(*question));
    dt::Key(VK_RETURN);  // Yes is the default button
    ASSERT_TRUE(AnswerSaveAs("kept.wav")) << "Yes for a take without a name asks for one";

    ASSERT_TRUE(program->Wait(kWaitMs)) << "the program did not end after its take was saved";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_TRUE(dt::ForeignWindows("tapvox").empty()) << "a window outlived the program";
    const std::string kept = recordings + "/kept.wav";
    EXPECT_GE(CheckRecording(kept), 8000u / 5) << "at least one buffer of a fifth of a second";
    const std::string settings = SettingsText();
    EXPECT_NE(settings.find("\"DefaultDirectory\"=\"" + recordings + "/\""), std::string::npos) << settings;
}
}

// The main window's accelerators record and stop; the question at closing is answered No
// by a click, and the take is discarded.
TEST_P(ProgramOnScreen, AcceleratorsRecordAndStopAndNoAtClosingDiscardsTheTake)
{
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();
    const std::string take = recordings + "/~rec_1.wav";

    dt::Key('R', {VK_MENU});
    ASSERT_TRUE(WaitForTitle("[~rec_1.wav] Tapvox")) << "Alt+R opened no take: " << program->Err();
    ASSERT_TRUE(dt::RunUntil([&] { return testsupport::ReadAll(take).size() > 44 + 8000 / 5; }, kWaitMs))
        << "nothing recorded after Alt+R";
    dt::Key('S', {VK_MENU});
    ASSERT_TRUE(dt::RunUntil([&] { return Complete(take); }, kWaitMs)) << "Alt+S did not stop and update the take";
    CheckRecording(take);

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    const auto question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "closing asked nothing about the take: " << program->Err();
    // Yes, No and Cancel share the box's bottom row: No is the middle one.
    dt::ClickThroughXTest(POINT{(question->screen.left + question->screen.right) / 2, question->screen.bottom - 10});
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the program did not end after No";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_FALSE(platform::NameExists(take)) << "No discards the take";
}

// The tray icon is switched on, but nothing on this display shows one: the close box
// ends the program instead of hiding its only window.
TEST_P(ProgramOnScreen, WithoutATrayHostTheCloseBoxEndsTheProgram)
{
    ASSERT_FALSE(dt::TrayHostPresent()) << "a bare X server has no system tray";
    SwitchTheTrayIconOn();
    Start();
    const auto frame = WaitForFrame();
    ASSERT_TRUE(frame) << "the frame never appeared: " << program->Err();
    ASSERT_TRUE(WaitForStillPicture(*frame)) << "the main window never settled";
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the frame was hidden with no tray icon to bring it back";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_NE(SettingsText().find("\"TrayIcon\"=hex:01"), std::string::npos) << "the setting itself stays: " << SettingsText();
}

// The preferences opened from the menu with the keyboard alone, a box ticked and OK pressed;
// the timer switched on by its accelerator; Exit chosen from the File menu with the mouse.
// The settings file holds both changes afterwards.
TEST_P(ProgramOnScreen, PreferencesAndAnAcceleratorChangeSettingsThatExitSaves)
{
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();

    dt::Key('O', {VK_MENU});
    ASSERT_TRUE(WaitForMenu(frame->id)) << "Alt+O opened no menu";
    dt::Key('P');
    const auto sheet = WaitForTitle("Options");
    ASSERT_TRUE(sheet) << "P in the open Options menu chose no Preferences";
    ASSERT_TRUE(WaitForFocus(*sheet));
    ASSERT_TRUE(WaitForStillPicture(*sheet));
    // The General page: Minimize on program start, Listen at start-up, Always on top.
    dt::Key(VK_TAB);
    dt::Key(VK_TAB);
    dt::Key(VK_SPACE);
    dt::Key(VK_RETURN);
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(sheet->id); }, kWaitMs)) << "Enter did not close the preferences";
    EXPECT_TRUE(Running()) << program->Err();

    ASSERT_TRUE(WaitForFocus(*frame));
    dt::Key('T', {VK_CONTROL});  // Enable Timer

    const int menuBar = (frame->screen.bottom - frame->screen.top) - platform::DialogUnitsToPixelsY(mainDialog->cy, base);
    dt::ClickThroughXTest(POINT{frame->screen.left + 16, frame->screen.top + menuBar / 2});
    const auto file = WaitForMenu(frame->id);
    ASSERT_TRUE(file) << "a click on File opened no menu";
    // Exit is the menu's last item.
    dt::ClickThroughXTest(POINT{file->screen.left + 40, file->screen.bottom - 12});
    ASSERT_TRUE(program->Wait(kWaitMs)) << "Exit did not end the program";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    const std::string settings = SettingsText();
    EXPECT_NE(settings.find("\"OnTop\"=hex:01"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\"TimerEnable\"=hex:01"), std::string::npos) << settings;
}

// The preferences opened ten times, by the keyboard and by a click in the menu in turn: each
// time the sheet is on the screen at the size it first had, and the window manager is asked
// to keep exactly that size.
TEST_P(ProgramOnScreen, ThePreferencesOpenAtTheirSizeEveryTime)
{
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();
    std::optional<SIZE> first;
    for (int open = 0; open < 10; ++open) {
        SCOPED_TRACE("open " + std::to_string(open + 1));
        ASSERT_TRUE(WaitForFocus(*frame));
        dt::Key('O', {VK_MENU});
        const auto menu = WaitForMenu(frame->id);
        ASSERT_TRUE(menu) << "Alt+O opened no menu";
        if (open % 2 == 0) {
            dt::Key('P');
        } else {
            dt::ClickThroughXTest(POINT{menu->screen.left + 40, menu->screen.top + 12});  // Preferences..., the first item
        }
        const auto sheet = WaitForTitle("Options");
        ASSERT_TRUE(sheet) << "no preferences: " << program->Err();
        ASSERT_TRUE(WaitForStillPicture(*sheet));
        const auto shown = WaitForTitle("Options");
        ASSERT_TRUE(shown);
        const SIZE size{shown->screen.right - shown->screen.left, shown->screen.bottom - shown->screen.top};
        if (!first) {
            first = size;
            EXPECT_GT(size.cx, 300) << "the sheet is " << size.cx << "x" << size.cy;
            EXPECT_GT(size.cy, 300) << "the sheet is " << size.cx << "x" << size.cy;
        }
        EXPECT_EQ(size.cx, first->cx) << "the sheet is " << size.cx << "x" << size.cy;
        EXPECT_EQ(size.cy, first->cy) << "the sheet is " << size.cx << "x" << size.cy;
        const dt::WindowSizeHints hints = dt::SizeHints(shown->id);
        for (const std::optional<SIZE>& limit : {hints.min, hints.max}) {
            if (limit) {
                EXPECT_EQ(limit->cx, size.cx) << "a size limit the window does not have";
                EXPECT_EQ(limit->cy, size.cy) << "a size limit the window does not have";
            }
        }
        ASSERT_TRUE(WaitForFocus(*shown));
        dt::Key(VK_ESCAPE);
        ASSERT_TRUE(dt::RunUntil([&] { return Gone(shown->id); }, kWaitMs)) << "Escape did not close the preferences";
    }
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(program->Wait(kWaitMs)) << program->Err();
}

// A window manager started, ended and started again under the running program: the main
// window keeps its template's width and its height through each change.
TEST_P(ProgramOnScreen, TheMainWindowKeepsItsSizeWhenTheWindowManagerChanges)
{
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();
    const auto sizeOf = [](const dt::ForeignWindow& w) {
        return SIZE{w.screen.right - w.screen.left, w.screen.bottom - w.screen.top};
    };
    const SIZE designed = sizeOf(*frame);
    EXPECT_EQ(designed.cx, platform::DialogUnitsToPixelsX(mainDialog->cx, base));
    testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
    const bool managed = GetParam() == Desktop::Openbox;
    for (const bool start : {!managed, managed, true}) {
        SCOPED_TRACE(start ? "openbox started" : "openbox ended");
        if (start) {
            if (!display->StartWindowManager()) {
                GTEST_SKIP() << "no window manager (openbox) could be started";
            }
            ASSERT_TRUE(dt::RunUntil([] { return dt::WindowManagerName() == "Openbox"; }, kWaitMs));
        } else {
            display->StopWindowManager();
            ASSERT_TRUE(dt::RunUntil([] { return dt::WindowManagerName().empty(); }, kWaitMs));
        }
        const auto now = WaitForFrame();
        ASSERT_TRUE(now) << program->Err();
        ASSERT_TRUE(WaitForStillPicture(*now));
        const auto settled = WaitForFrame();
        ASSERT_TRUE(settled);
        EXPECT_EQ(sizeOf(*settled).cx, designed.cx);
        EXPECT_EQ(sizeOf(*settled).cy, designed.cy);
    }
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(program->Wait(kWaitMs)) << program->Err();
}

// With a tray host beside the desktop the close box hides the frame behind the tray icon;
// a second start or a double click on the icon brings it back, and its menu's Exit ends the program.
TEST_P(ProgramOnScreen, WithATrayHostTheCloseBoxHidesTheFrameBehindTheTrayIcon)
{
    testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
    if (!display || !display->StartTray()) {
        GTEST_SKIP() << "no tray host (trayer) could be started";
    }
    trayStarted = true;
    ASSERT_TRUE(dt::RunUntil([] { return dt::TrayHostPresent(); }, kWaitMs)) << "trayer took no tray selection";
    SwitchTheTrayIconOn();
    Start();
    const auto frame = WaitForFrame();
    ASSERT_TRUE(frame) << "the frame never appeared: " << program->Err();
    ASSERT_TRUE(WaitForStillPicture(*frame)) << "the main window never settled";
    // The tray's panel grows to hold the icon, its only one.
    std::optional<dt::ForeignWindow> panel;
    ASSERT_TRUE(dt::RunUntil(
        [&] {
            for (const dt::ForeignWindow& w : dt::ForeignWindows("trayer")) {
                if (w.title == "panel" && w.screen.right - w.screen.left >= 16) {
                    panel = w;
                    return true;
                }
            }
            return false;
        },
        kWaitMs))
        << "the tray shows no icon of the program";
    ASSERT_TRUE(WaitForStillPicture(*panel));
    const POINT icon{(panel->screen.left + panel->screen.right) / 2, (panel->screen.top + panel->screen.bottom) / 2};

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(frame->id); }, kWaitMs)) << "the close box did not hide the frame";
    EXPECT_TRUE(Running()) << "hidden behind the icon, not ended: " << program->Err();

    // A second start shows the hidden first one and ends.
    testsupport::ChildProgram second(TAPVOX_PROGRAM, {}, env, work);
    ASSERT_TRUE(second.Wait(kWaitMs)) << "the second start did not end";
    EXPECT_EQ(second.ExitCode(), 0) << second.Err();
    const auto again = WaitForFrame();
    ASSERT_TRUE(again) << "the second start did not bring the hidden frame back";
    ASSERT_TRUE(WaitForStillPicture(*again));
    ASSERT_TRUE(dt::CloseAsWindowManager(again->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(again->id); }, kWaitMs)) << "the close box did not hide the frame again";

    dt::ClickThroughXTest(icon, false, 2);
    const auto shown = WaitForFrame();
    ASSERT_TRUE(shown) << "a double click on the tray icon did not bring the frame back";
    ASSERT_TRUE(WaitForFocus(*shown));
    ASSERT_TRUE(WaitForStillPicture(*shown));

    dt::ClickThroughXTest(icon, true);
    const auto menu = WaitForMenu(shown->id);
    ASSERT_TRUE(menu) << "a right click on the tray icon showed no menu: " << program->Err();
    dt::ClickThroughXTest(POINT{menu->screen.left + 40, menu->screen.bottom - 12});  // Exit, the last item
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the tray menu's Exit did not end the program";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_NE(SettingsText().find("\"TrayIcon\"=hex:01"), std::string::npos);
}

// Right clicks on the tray icon, each answered by its menu, closed again by Escape: the menu
// is popped up with the click that asked for it, so it opens every time.
TEST_P(ProgramOnScreen, TheTrayMenuOpensAtEveryRightClick)
{
    const auto icon = StartWithTheTrayIcon();
    ASSERT_TRUE(icon) << program->Err();
    const auto frame = WaitForFrame();
    ASSERT_TRUE(frame);
    for (int click = 0; click < 5; ++click) {
        SCOPED_TRACE("right click " + std::to_string(click + 1));
        dt::ClickThroughXTest(*icon, true);
        const auto menu = WaitForMenu(frame->id);
        ASSERT_TRUE(menu) << "a right click on the tray icon showed no menu: " << program->Err();
        dt::Key(VK_ESCAPE);
        ASSERT_TRUE(dt::RunUntil([&] { return Gone(menu->id); }, kWaitMs)) << "Escape left the menu open";
    }
    EXPECT_EQ(program->Err().find("no trigger event"), std::string::npos) << program->Err();
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(frame->id); }, kWaitMs));
    program->Kill(SIGTERM);
    ASSERT_TRUE(program->Wait(kWaitMs));
}

// The tray appears only after the program started: the icon is added then, without waiting
// for the next change of the recording state.
TEST_P(ProgramOnScreen, TheIconIsAddedWhenATrayAppearsLater)
{
    testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
    SwitchTheTrayIconOn();
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << program->Err();
    if (!display->StartTray()) {
        GTEST_SKIP() << "no tray host (trayer) could be started";
    }
    trayStarted = true;
    ASSERT_TRUE(dt::RunUntil([] { return dt::TrayHostPresent(); }, kWaitMs)) << "trayer took no tray selection";
    ASSERT_TRUE(WaitForTrayIcon()) << "the tray shows no icon of the program: " << program->Err();
    // Shown in the tray, the icon takes the close box: the frame hides.
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(frame->id); }, kWaitMs)) << "the close box did not hide the frame";
    EXPECT_TRUE(Running()) << program->Err();
    program->Kill(SIGTERM);
    ASSERT_TRUE(program->Wait(kWaitMs));
}

// A desktop whose notification area is a StatusNotifierItem host (a stand-in watcher on a
// private session bus), with an XEmbed tray beside it: the icon is an item on the bus, not in
// the tray. Its picture and tip are the frame's; the host's menu request shows the tray menu,
// whose first item opens the window; the host's activation opens it too; Exit ends the program.
TEST_P(ProgramOnScreen, TheIconIsAStatusNotifierItemWhereAHostShowsThem)
{
    testsupport::PrivateSessionBus bus;
    if (bus.address().empty()) {
        GTEST_SKIP() << "no session bus (dbus-daemon) could be started";
    }
    dt::StandInWatcher watcher(bus.address(), true);
    ASSERT_TRUE(watcher.Running());
    testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
    ASSERT_TRUE(display->StartTray());
    trayStarted = true;
    ASSERT_TRUE(dt::RunUntil([] { return dt::TrayHostPresent(); }, kWaitMs));
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    SwitchTheTrayIconOn();
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << program->Err();
    ASSERT_TRUE(dt::RunUntil([&] { return watcher.Items().size() == 1; }, kWaitMs)) << "no item registered";
    const std::string item = watcher.Items().front();
    EXPECT_EQ(watcher.Text(item, "Title"), "Tapvox");
    EXPECT_EQ(watcher.ToolTipTitle(item), "Tapvox");
    EXPECT_EQ(watcher.Text(item, "Status"), "Active");
    const auto pictures = watcher.Pictures(item);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_GE(pictures[0].width, 16);
    EXPECT_EQ(pictures[0].argb.size(), static_cast<std::size_t>(pictures[0].width * pictures[0].height * 4));
    bool opaque = false;
    for (std::size_t i = 0; i < pictures[0].argb.size(); i += 4) {
        opaque = opaque || pictures[0].argb[i] == 255;
    }
    EXPECT_TRUE(opaque) << "the picture is blank";
    for (const dt::ForeignWindow& w : dt::ForeignWindows("trayer")) {
        EXPECT_LT(w.screen.right - w.screen.left, 16) << "the icon is in the XEmbed tray as well";
    }
    // Recording changes the picture, and the host hears of it.
    const int newIcons = watcher.Signals(item, "NewIcon");
    dt::Key('R', {VK_MENU});
    ASSERT_TRUE(WaitForTitle("[~rec_1.wav] Tapvox")) << "Alt+R opened no take: " << program->Err();
    EXPECT_TRUE(dt::RunUntil([&] { return watcher.Signals(item, "NewIcon") > newIcons; }, kWaitMs));
    const auto recording = watcher.Pictures(item);
    ASSERT_EQ(recording.size(), 1u);
    EXPECT_NE(recording[0].argb, pictures[0].argb) << "the picture while recording is the one before";
    dt::Key('S', {VK_MENU});
    ASSERT_TRUE(dt::RunUntil([&] { return Complete(recordings + "/~rec_1.wav"); }, kWaitMs));

    // Shown by the host, the icon takes the close box.
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(frame->id); }, kWaitMs)) << "the close box did not hide the frame";
    const POINT at{600, 500};
    dt::MoveMouseTo(at);
    ASSERT_TRUE(watcher.Call(item, "ContextMenu", at.x, at.y));
    auto menu = WaitForMenu(0);
    ASSERT_TRUE(menu) << "the host's menu request showed no menu: " << program->Err();
    ClickInMenu(*menu, POINT{menu->screen.left + 40, menu->screen.top + 12});  // the first item
    auto shown = WaitForFrame();
    ASSERT_TRUE(shown) << "the menu's first item did not open the window";
    ASSERT_TRUE(WaitForStillPicture(*shown));

    ASSERT_TRUE(dt::CloseAsWindowManager(shown->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(shown->id); }, kWaitMs));
    ASSERT_TRUE(watcher.Call(item, "Activate", at.x, at.y));
    shown = WaitForFrame();
    ASSERT_TRUE(shown) << "the host's activation did not open the window";
    ASSERT_TRUE(WaitForStillPicture(*shown));

    ASSERT_TRUE(watcher.Call(item, "ContextMenu", at.x, at.y));
    menu = WaitForMenu(shown->id);
    ASSERT_TRUE(menu) << program->Err();
    ClickInMenu(*menu, POINT{menu->screen.left + 40, menu->screen.bottom - 12});  // Exit, the last item
    // The take asks its question; No (the middle button) discards it.
    const auto question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "Exit asked nothing about the take: " << program->Err();
    ASSERT_TRUE(WaitForStillPicture(*question));
    dt::ClickThroughXTest(POINT{(question->screen.left + question->screen.right) / 2, question->screen.bottom - 10});
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the menu's Exit did not end the program";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_TRUE(dt::RunUntil([&] { return watcher.Items().empty(); }, kWaitMs)) << "the item outlived the program";
    EXPECT_EQ(program->Err().find("WARNING"), std::string::npos) << program->Err();
}

// A watcher that says no host shows its items is no notification area: the add fails and,
// with no tray either, the close box ends the program.
TEST_P(ProgramOnScreen, AWatcherWithoutAHostIsNoNotificationArea)
{
    testsupport::PrivateSessionBus bus;
    if (bus.address().empty()) {
        GTEST_SKIP() << "no session bus (dbus-daemon) could be started";
    }
    dt::StandInWatcher watcher(bus.address(), false);
    ASSERT_TRUE(watcher.Running());
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    SwitchTheTrayIconOn();
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << program->Err();
    EXPECT_TRUE(watcher.Items().empty());
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the frame was hidden with no icon shown to bring it back";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
}

// The watcher comes onto the bus after the program started: the icon is registered with it then.
TEST_P(ProgramOnScreen, AWatcherThatComesLaterGetsTheIcon)
{
    testsupport::PrivateSessionBus bus;
    if (bus.address().empty()) {
        GTEST_SKIP() << "no session bus (dbus-daemon) could be started";
    }
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    SwitchTheTrayIconOn();
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << program->Err();
    dt::StandInWatcher watcher(bus.address(), true);
    ASSERT_TRUE(watcher.Running());
    ASSERT_TRUE(dt::RunUntil([&] { return watcher.Items().size() == 1; }, kWaitMs)) << "no item registered";
    EXPECT_EQ(watcher.ToolTipTitle(watcher.Items().front()), "Tapvox");
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(frame->id); }, kWaitMs)) << "the close box did not hide the frame";
    EXPECT_TRUE(Running());
    program->Kill(SIGTERM);
    ASSERT_TRUE(program->Wait(kWaitMs));
}

// Naming by a category: closing asks for one in the category chooser, not in a save dialog;
// the typed category names the take in the recording folder and stays there as a category file.
TEST_P(ProgramOnScreen, ThePromptForACategoryNamesTheTakeOnClose)
{
    WriteSettings("\"AutoName\"=hex:01\n\"AutoPrompt\"=hex:01\n");
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();
    RecordATake(*frame, recordings + "/~rec_1.wav");

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    const auto chooser = WaitForTitle("AutoPrompt");
    ASSERT_TRUE(chooser) << "closing asked for no category: " << program->Err();
    ASSERT_TRUE(WaitForFocus(*chooser));
    ASSERT_TRUE(WaitForStillPicture(*chooser));
    dt::Type("Interview");
    ASSERT_TRUE(WaitForStillPicture(*chooser));
    dt::Key(VK_RETURN);
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the program did not end after the category was chosen";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_GE(CheckRecording(recordings + "/Interview_1.wav"), 8000u / 5);
    EXPECT_FALSE(platform::NameExists(recordings + "/~rec_1.wav"));
    EXPECT_TRUE(platform::NameExists(recordings + "/Interview.CAT"));
}

// Yes to the question at closing, then Cancel in the save dialog: back to the program with
// the take; the next close asks again.
TEST_P(ProgramOnScreen, CancelInTheSaveDialogAfterYesReturnsToTheProgram)
{
    const auto frame = StartSettled();
    ASSERT_TRUE(frame) << "the frame never appeared or settled: " << program->Err();
    const std::string take = recordings + "/~rec_1.wav";
    RecordATake(*frame, take);

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    auto question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "closing asked nothing about the take: " << program->Err();
    ASSERT_TRUE(WaitForFocus(*question));
    dt::Key(VK_RETURN);  // Yes
    const auto saveAs = WaitForTitle("Save As");
    ASSERT_TRUE(saveAs) << "Yes asked for no name";
    ASSERT_TRUE(WaitForFocus(*saveAs));
    ASSERT_TRUE(WaitForStillPicture(*saveAs));
    dt::Key(VK_ESCAPE);
    ASSERT_TRUE(dt::RunUntil([&] { return Gone(saveAs->id); }, kWaitMs));
    ASSERT_TRUE(WaitForTitle("[~rec_1.wav] Tapvox")) << "Cancel did not return to the program with its take";
    EXPECT_TRUE(Running()) << program->Err();
    EXPECT_TRUE(platform::NameExists(take));

    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    question = WaitForTitle("Sound file has changed");
    ASSERT_TRUE(question) << "the next close asks again";
    ASSERT_TRUE(WaitForFocus(*question));
    dt::Key(VK_RETURN);
    ASSERT_TRUE(AnswerSaveAs("kept.wav"));
    ASSERT_TRUE(program->Wait(kWaitMs)) << "the program did not end after its take was saved";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    EXPECT_GE(CheckRecording(recordings + "/kept.wav"), 8000u / 5);
    EXPECT_FALSE(platform::NameExists(take)) << "no temporary take is left behind";
}

// A file named on the command line, as the desktop entry's %f names it, shows in the caption.
TEST_P(ProgramOnScreen, TheFileNamedAtStartShowsInTheCaption)
{
    int status = -1;
    const std::string talk = work + "/talk.wav";
    testsupport::RunCapture("sox -n -r 8000 -b 8 -c 1 '" + talk + "' synth 1 sine 440 2>&1", &status);
    ASSERT_EQ(status, 0);
    Start({talk});
    const auto frame = WaitForFrame();
    ASSERT_TRUE(frame) << "the frame never appeared: " << program->Err();
    EXPECT_TRUE(WaitForTitle("talk.wav Tapvox")) << "the caption is " << frame->title;
    ASSERT_TRUE(WaitForStillPicture(*frame));
    ASSERT_TRUE(dt::CloseAsWindowManager(frame->id));
    ASSERT_TRUE(program->Wait(kWaitMs)) << "a named file needs no question";
    EXPECT_EQ(program->ExitCode(), 0) << program->Err();
}

INSTANTIATE_TEST_SUITE_P(WindowManager, ProgramOnScreen, ::testing::Values(Desktop::Bare, Desktop::Openbox),
                         [](const ::testing::TestParamInfo<Desktop>& info) {
                             return info.param == Desktop::Openbox ? "openbox" : "none";
                         });

// The application's commands through the frame's menu and accelerators: the
// timer switch, the preferences, the settings files, close and exit, the
// programs and pages they start, help, About and the tray's New file.
#include "tests/app/main/ShellFixture.h"

#include <fcntl.h>

#include "app/FormatBuffers.h"
#include "app/ProjectRCVersion.h"
#include "app/WebAddress.h"
#include "controls/ContextHelpWin.h"
#include "files/Mp3TagSwitch.h"
#include "owl/PropertySheet.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Keyboard.h"
#include "settings/Mp3Settings.h"
#include "settings/Settings.h"
#include "settings/TimerSchedule.h"
#include "settings/TimerSettings.h"
#include "settings/WaveSettings.h"

namespace shelltest {
namespace {
using Argv = std::vector<std::string>;

class AppCommands : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        programs = dir.file("bin");
        mkdir(programs.c_str(), 0700);
        setenv("PATH", programs.c_str(), 1);
        platform::SetProgramStarter([this](const Argv& argv) {
            started.push_back(argv);
            return true;
        });
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        platform::SetProgramStarter({});
        setenv("PATH", savedPath.c_str(), 1);
    }

    // An executable of that name on PATH; its full path.
    std::string Install(const std::string& name)
    {
        const std::string path = programs + "/" + name;
        const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL | O_NOFOLLOW, 0755);
        EXPECT_GE(fd, 0) << path;
        close(fd);
        return path;
    }
    // A menu choice, as the frame gets it.
    void Command(UINT id)
    {
        SendMessage(FrameHandle(), WM_COMMAND, id, 0);
        hl::RunUntilIdle();
    }
    // A key with modifiers while the main window has the focus.
    void Accelerator(UINT vk, std::vector<UINT> modifiers)
    {
        SetFocus(GetDlgItem(Main()->GetHandle(), 154));
        hl::Key(vk, std::move(modifiers));
        hl::RunUntilIdle();
    }
    // Whether the Options menu shows the item checked as it opens.
    bool Checked(UINT id)
    {
        HMENU options = GetSubMenu(GetMenu(FrameHandle()), 2);
        SendMessage(FrameHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(options), 2);
        const UINT state = GetMenuState(options, id, MF_BYCOMMAND);
        EXPECT_NE(state, 0xFFFFFFFFu) << id;
        return (state & MF_CHECKED) != 0;
    }
    // A recording into a new MP3 file of 16 kHz mono.
    void RecordMp3(int buffers)
    {
        DefaultAudioFormat = 1;
        Mp3Stereo = false;
        Mp3SampleRate = 16000;
        SetDefaultMp3Format(Mp3FormatBuffer);
        Record(buffers);
    }
    // The address or file the desktop's opener was asked to show, one per start.
    std::vector<std::string> Opened() const
    {
        std::vector<std::string> shown;
        for (const Argv& argv : started) {
            if (argv.size() == 2 && argv[0] == "xdg-open") {
                shown.push_back(argv[1]);
            }
        }
        return shown;
    }
    static std::string HelpFolder() { return HelpFilePath; }
    static HWND Popup() { return FindWindowA("TapvoxHelpPopup", nullptr); }

    std::string savedPath;
    std::string programs;
    std::vector<Argv> started;
};

// A start edge of schedule 1 in the minute of now, every day.
__time64_t ScheduleNow()
{
    const __time64_t now = _time64(nullptr);
    tm local{};
    const time_t t = static_cast<time_t>(now);
    localtime_r(&t, &local);
    std::snprintf(TimerSettings.Schedule[0].TimeStart, sizeof TimerSettings.Schedule[0].TimeStart, "%02d%02d",
                  local.tm_hour, local.tm_min);
    TimerSettings.Schedule[0].TimeDay = 0x7F;
    return now;
}

TEST_F(AppCommands, EnableTimerSwitchesTheRunningScheduleAtOnceAndIsSaved)
{
    Start(false, false);
    TimerSettings.TimerEnable = 0;
    const __time64_t now = ScheduleNow();
    Frame()->ApplySettings();
    TimerSchedule* running = Main()->GetSchedule();
    ASSERT_NE(running, nullptr);
    EXPECT_FALSE(Checked(25009));

    Accelerator('T', {VK_CONTROL});
    EXPECT_EQ(TimerSettings.TimerEnable, 1);
    EXPECT_TRUE(Checked(25009));
    EXPECT_EQ(Main()->GetSchedule(), running) << "the schedule is switched, not rebuilt";
    EXPECT_TRUE(running->IsEnabled());
    EXPECT_EQ(CountToMain(UM_SETTINGS_CHANGED), 1);
    TimerSettings.TimerEnable = 0;
    LoadAllSettings(nullptr);
    EXPECT_EQ(TimerSettings.TimerEnable, 1) << "saved at once";

    // Off from the menu: the edge of this very minute no longer starts a recording.
    Command(25009);
    EXPECT_EQ(TimerSettings.TimerEnable, 0);
    EXPECT_FALSE(Checked(25009));
    EXPECT_FALSE(running->IsEnabled());
    EXPECT_EQ(running->CheckStart(now), 0);
    EXPECT_EQ(CountToMain(UM_SETTINGS_CHANGED), 2);
    TimerSettings.TimerEnable = 1;
    LoadAllSettings(nullptr);
    EXPECT_EQ(TimerSettings.TimerEnable, 0);
}

TEST_F(AppCommands, PreferencesOkAppliesSavesAndTellsTheMainWindowCancelChangesNothing)
{
    hl::SetTrayHost(true);
    Start(false, true);
    ASSERT_FALSE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));
    const bool savedTag = Mp3EnableTag;

    // Cancel: the tick on the General page is forgotten, in the settings and in the store.
    hl::AnswerDialog("Options", [](HWND sheet) {
        HWND page = reinterpret_cast<HWND>(SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        hl::Click(GetDlgItem(page, 219));
        hl::Click(GetDlgItem(sheet, IDCANCEL));
    });
    Command(25006);
    EXPECT_FALSE(TrayIcon);
    EXPECT_FALSE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));
    LoadAllSettings(nullptr);
    EXPECT_FALSE(TrayIcon);

    // OK: the frame applies the change at once, the main window hears of it, the store has it.
    app->toMain.clear();
    Mp3EnableTagSwitch = !savedTag;
    hl::AnswerDialog("Options", [](HWND sheet) {
        EXPECT_EQ(hl::Text(sheet), "Options");
        HWND page = reinterpret_cast<HWND>(SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        hl::Click(GetDlgItem(page, 219));
        hl::Click(GetDlgItem(sheet, IDOK));
    });
    Command(25006);
    EXPECT_TRUE(TrayIcon);
    EXPECT_TRUE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));
    EXPECT_EQ(CountToMain(UM_SETTINGS_CHANGED), 1);
    EXPECT_EQ(Mp3EnableTagSwitch, Mp3EnableTag) << "the MP3 layer's switch follows the setting";
    TrayIcon = false;
    LoadAllSettings(nullptr);
    EXPECT_TRUE(TrayIcon);
}

// With no stored WAV format to go by, the File page's estimate takes the rate of
// what the main window records: 16 kHz 16-bit stereo, 64000 bytes a second.
TEST_F(AppCommands, TheFilePageEstimatesWithTheMainWindowsFormatWhenNoStoredFormatHasARate)
{
    Start(false, false);
    DefaultAudioFormat = 0;
    SampleRate = 16000;
    Resolution = true;
    Stereo = true;
    FileSize = 20;
    ACMDriver[0] = '\0';
    Record(2);
    hl::Click(GetDlgItem(Main()->GetHandle(), 154));
    ASSERT_EQ(Main()->GetFileFormat()->nAvgBytesPerSec, 64000u);
    RecordFormatBuffer->nAvgBytesPerSec = 0;
    std::string estimate;
    hl::AnswerDialog("Options", [&](HWND sheet) {
        SendMessage(sheet, PSM_SETCURSEL, 4, 0);
        HWND page = reinterpret_cast<HWND>(SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        estimate = hl::Text(GetDlgItem(page, 165));
        hl::Click(GetDlgItem(sheet, IDCANCEL));
    });
    Command(25006);
    EXPECT_EQ(estimate, "5.5 minutes") << "20 MB at 64000 bytes a second, not at the 32000 of rate and resolution alone";
}

TEST_F(AppCommands, PreferencesWhileRecordingAnMp3FileStopAndRecordAgainAlsoAfterCancel)
{
    Start(false, false);
    RecordMp3(2);
    ASSERT_NE(Main()->GetFileFormat(), nullptr);
    ASSERT_EQ(Main()->GetFileFormat()->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    ASSERT_NE(Main()->GetConversionStream(), nullptr);
    const std::string file = CurrentFileName;
    bool stoppedMeanwhile = false;
    hl::AnswerDialog("Options", [&](HWND sheet) {
        stoppedMeanwhile = !Main()->IsInputOpen() && Main()->GetConversionStream() == nullptr;
        hl::Click(GetDlgItem(sheet, IDCANCEL));
    });
    Command(25006);
    EXPECT_TRUE(stoppedMeanwhile) << "no recording and no stream while the pages may change the formats";
    EXPECT_TRUE(Main()->IsRecording());
    EXPECT_NE(Main()->GetConversionStream(), nullptr);
    EXPECT_EQ(std::string(CurrentFileName), file) << "into the same file";
    Feed(2);
    EXPECT_TRUE(Main()->IsRecording());
}

TEST_F(AppCommands, PreferencesWhilePlayingAnMp3FileEndThePlaybackRatherThanPlayItThroughTheEncoder)
{
    Start(false, false);
    RecordMp3(6);
    hl::Click(GetDlgItem(Main()->GetHandle(), 154));
    ASSERT_FALSE(Main()->IsInputOpen());
    hl::Click(GetDlgItem(Main()->GetHandle(), 151));
    ASSERT_TRUE(Main()->IsPlaying());
    ASSERT_EQ(Main()->GetConversionMode(), TAppDialog::ModeDecode);
    hl::AnswerDialog("Options", [](HWND sheet) { hl::Click(GetDlgItem(sheet, IDCANCEL)); });
    Command(25006);
    EXPECT_FALSE(Main()->IsOutputOpen());
    EXPECT_FALSE(Main()->IsPlaying());
    EXPECT_EQ(Main()->GetConversionMode(), TAppDialog::ModeEncode) << "ready to record into the file again";
    hl::Advance(1000);
    EXPECT_FALSE(Main()->IsRecording());
}

TEST_F(AppCommands, SettingsSaveAsAndLoadThroughTheFileDialogsAndALoadCancelledStillApplies)
{
    Start(false, false);
    const std::string ini = dir.file("mine.ini");
    OnTop = false;
    TimerSettings.TimerEnable = 0;
    hl::AnswerFileDialog({ini, false});
    Command(25016);
    struct stat st {};
    ASSERT_EQ(stat(ini.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 0);

    hl::AnswerFileDialog({std::nullopt, false});
    Command(25016);
    EXPECT_EQ(hl::MessageBoxes().size(), 0u);

    // Loaded: the file's values are in force and the frame has applied them.
    TimerSettings.TimerEnable = 1;
    TimerSchedule* before = Main()->GetSchedule();
    app->toMain.clear();
    hl::AnswerFileDialog({ini, false});
    Command(25017);
    EXPECT_EQ(TimerSettings.TimerEnable, 0);
    EXPECT_NE(Main()->GetSchedule(), before) << "the schedule is rebuilt from the loaded settings";
    EXPECT_FALSE(Main()->GetSchedule()->IsEnabled());
    EXPECT_EQ(CountToMain(UM_SETTINGS_CHANGED), 1);

    // Cancelled: the settings in force are applied again all the same.
    TimerSettings.TimerEnable = 1;
    before = Main()->GetSchedule();
    hl::AnswerFileDialog({std::nullopt, false});
    Command(25017);
    EXPECT_EQ(TimerSettings.TimerEnable, 1);
    EXPECT_NE(Main()->GetSchedule(), before);
    EXPECT_TRUE(Main()->GetSchedule()->IsEnabled());
    EXPECT_EQ(CountToMain(UM_SETTINGS_CHANGED), 2);
}

TEST_F(AppCommands, CloseWindowHidesBehindTheTrayIconAndExitEnds)
{
    Start(true, true);
    SoundLevel = 37;
    Accelerator('W', {VK_CONTROL});
    ASSERT_TRUE(FrameAlive());
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
    SoundLevel = 0;
    LoadAllSettings(nullptr);
    EXPECT_EQ(SoundLevel, 37) << "saved on the way";
    Command(24310);
    EXPECT_FALSE(IsWindow(FrameHandle()));
}

TEST_F(AppCommands, TheSoundProgramsStartFromArgumentVectorsOrNotAtAll)
{
    Start(false, false);
    // Nothing installed that stands in for them: nothing starts, nothing is said.
    Accelerator('P', {VK_CONTROL, VK_SHIFT});
    for (UINT id : {25002u, 25003u, 25015u}) {
        Command(id);
    }
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(hl::MessageBoxes().empty());

    const std::string mixer = Install("pavucontrol");
    Accelerator('P', {VK_CONTROL, VK_SHIFT});
    Accelerator('R', {VK_CONTROL, VK_SHIFT});
    Accelerator('V', {VK_CONTROL, VK_SHIFT});
    Command(25015);
    const std::vector<Argv> expected = {
        {mixer, "--tab=1"}, {mixer, "--tab=4"}, {mixer, "--tab=3"}, {mixer, "--tab=3"}};
    EXPECT_EQ(started, expected);

    // Another instance: the program itself, which hands over to this one.
    started.clear();
    Command(25018);
    char own[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, own, sizeof own), 0u);
    EXPECT_EQ(started, std::vector<Argv>{{own}});
}

TEST_F(AppCommands, TheWebPagesAndTheUpdateCheckWithTheVersion)
{
    Start(false, false);
    for (UINT id : {25997u, 25996u, 25998u}) {
        Command(id);
    }
    ProjectRCVersion version(nullptr);
    LPSTR number = nullptr;
    ASSERT_TRUE(version.GetProductVersion(number));
    const std::vector<std::string> expected = {"http://" + MakerHomePage(), "http://" + ProductPage(),
                                               "http://" + UpdateCheckAddress(number)};
    EXPECT_EQ(Opened(), expected);
    EXPECT_NE(Opened().back().find("version=" + std::string(number)), std::string::npos);
}

TEST_F(AppCommands, HelpContentsGettingStartedAndF1FromTheHelpFolderBesideTheProgram)
{
    Start(false, false);
    ASSERT_FALSE(HelpFolder().empty()) << "the help folder is found beside the program";
    ASSERT_NE(app->HelpAvailablePath[0], '\0');
    Command(2001);
    SendMessage(FrameHandle(), UM_GETTING_STARTED, 0, 0);
    LHMode = 1;
    SendMessage(FrameHandle(), UM_GETTING_STARTED, 0, 0);
    LHMode = 0;
    const std::vector<std::string> opened = Opened();
    ASSERT_EQ(opened.size(), 2u) << "the greeting is off with the first mode bit";
    EXPECT_EQ(opened[0].rfind("file://", 0), 0u);
    EXPECT_NE(opened[0].find("tapvox.chm/index.html"), std::string::npos) << opened[0];
    EXPECT_NE(opened[1].find("tapvox.chm/Getting_Started.html"), std::string::npos) << opened[1];

    // Help asked of the frame for the Record button: its popup text.
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = 150;
    info.hItemHandle = GetDlgItem(Main()->GetHandle(), 150);
    SendMessage(FrameHandle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    hl::RunUntilIdle();
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(hl::Text(Popup()).rfind("Record.", 0), 0u) << hl::Text(Popup());
    DestroyWindow(Popup());

    // Without the help file the frame shows nothing.
    app->HelpAvailablePath[0] = '\0';
    SendMessage(FrameHandle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    hl::RunUntilIdle();
    EXPECT_EQ(Popup(), nullptr);
}

TEST_F(AppCommands, AboutFromTheMenuAndTheTrayShowsTheVersionAndItsLink)
{
    Start(true, true);
    ProjectRCVersion version(nullptr);
    LPSTR number = nullptr;
    ASSERT_TRUE(version.GetProductVersion(number));
    int shown = 0;
    const auto about = [&](HWND dialog) {
        ++shown;
        EXPECT_EQ(hl::Text(dialog), "About Tapvox");
        EXPECT_EQ(hl::Text(GetDlgItem(dialog, 22001)), "Tapvox version " + std::string(number));
        EXPECT_EQ(hl::Text(GetDlgItem(dialog, 22002)).rfind("Copyright", 0), 0u);
        hl::Click(GetDlgItem(dialog, 22006));
        hl::Click(GetDlgItem(dialog, IDOK));
    };
    hl::AnswerDialog(22000, about);
    Command(2009);
    hl::AnswerDialog(22000, about);
    hl::AnswerPopupMenu(kTrayAbout);
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(Opened(), (std::vector<std::string>{"http://" + MakerHomePage(), "http://" + MakerHomePage()}));
}

TEST_F(AppCommands, TheTraysNewFileOpensANewRecordingFile)
{
    Start(true, true);
    ASSERT_EQ(Main()->GetCurrentFile(), nullptr);
    hl::AnswerPopupMenu(kTrayNewFile);
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    ASSERT_NE(Main()->GetCurrentFile(), nullptr);
    EXPECT_NE(CurrentFileName[0], '\0');
}
}
}

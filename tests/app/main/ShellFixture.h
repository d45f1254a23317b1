#pragma once
// The application object with its frame and main window on the headless
// backend, recording from the scripted input with the manual clock, every
// folder private; a test backend notes the pop-up menus and a subclass of the
// application notes what reaches the main window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/main/App.h"
#include "app/main/Frame.h"
#include "app/main/FrameMessages.h"
#include "app/main/OwlMain.h"
#include "app/StartOptions.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/wave/ScriptedWave.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "resources/Resources.h"
#include "settings/FileSettings.h"
#include "settings/Settings.h"
#include "settings/StartSettings.h"
#include "tests/support/TestSupport.h"

namespace shelltest {
namespace hl = platform::headless;

// The items of each pop-up menu shown, as the user sees them.
class MenuNotingBackend : public hl::HeadlessBackend {
public:
    UINT TrackPopupMenu(HMENU menu, HWND owner, POINT at) override
    {
        std::vector<std::string> items;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = "";
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            items.push_back(text);
        }
        menus.push_back(items);
        defaults.push_back(GetMenuDefaultItem(menu, TRUE, 0));
        return hl::HeadlessBackend::TrackPopupMenu(menu, owner, at);
    }
    std::vector<std::vector<std::string>> menus;
    std::vector<UINT> defaults;
};

class NotingApp : public App {
public:
    using App::App;
    bool ProcessAppMsg(MSG& msg) override
    {
        if (GetAppDialog() && msg.hwnd == GetAppDialog()->GetHandle() && msg.message >= WM_USER) {
            toMain.push_back(msg);
        }
        return App::ProcessAppMsg(msg);
    }
    std::vector<MSG> toMain;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char cwd[4096] = "";
        startDirectory = getcwd(cwd, sizeof cwd) ? cwd : "/";
        setenv("TAPVOX_AUDIO", "script", 1);
        testsupport::UsePrivateUserFolders(dir);
        folder = dir.file("rec");
        mkdir(folder.c_str(), 0700);
        platform::scripted::ResetWaveScript();
        hl::Reset();
        previous = platform::InstallBackend(&backend);
        platform::ClearResources();
        resources::RegisterAll();
        platform::UseManualClock(1'700'000'000);
        StartOptions = TStartOptions{};
        CurrentFileName[0] = 0;
        FirstInstance = true;
    }

    void TearDown() override
    {
        app.reset();
        hl::Reset();
        platform::InstallBackend(previous);
        platform::ClearResources();
        platform::UseSystemClock();
        if (chdir(startDirectory.c_str()) != 0) {
            ADD_FAILURE() << "cannot return to " << startDirectory;
        }
    }

    // The application as the entry function makes it, with the settings a test needs.
    void Start(bool trayIcon, bool trayHost)
    {
        hl::SetTrayHost(trayHost);
        app = std::make_unique<NotingApp>();
        TrayIcon = trayIcon;
        AutoName = false;
        AutoPrompt = false;
        std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", folder.c_str());
        std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "take");
        app->InitInstance();
        ASSERT_NE(Frame(), nullptr);
        ASSERT_TRUE(IsWindow(Frame()->GetHandle()));
        hl::RunUntilIdle();
    }

    SDIDecFrame* Frame() const { return app->GetFrame(); }
    TAppDialog* Main() const { return app->GetAppDialog(); }
    HWND FrameHandle() const { return Frame()->GetHandle(); }
    bool FrameAlive() const { return IsWindow(Frame()->GetHandle()) != FALSE; }

    void Record(int buffers)
    {
        hl::Click(GetDlgItem(Main()->GetHandle(), 150));
        ASSERT_TRUE(Main()->IsRecording());
        Feed(buffers);
    }
    void Feed(int buffers)
    {
        const WAVEFORMATEX& f = Main()->GetDeviceFormat();
        const DWORD bytes = f.nAvgBytesPerSec / 5 - (f.nAvgBytesPerSec / 5) % f.nBlockAlign;
        for (int i = 0; i < buffers; ++i) {
            std::vector<std::uint8_t> block(bytes);
            for (std::size_t k = 0; k < block.size(); ++k) {
                block[k] = static_cast<std::uint8_t>(fedBytes + k);
            }
            fedBytes += platform::scripted::FeedInput(block.data(), block.size());
            platform::AdvanceClock(200);
            hl::RunUntilIdle();
        }
    }
    void Close()
    {
        PostMessage(FrameHandle(), WM_CLOSE, 0, 0);
        hl::RunUntilIdle();
    }
    // The settings store of the registry, which save-all writes.
    bool SettingsSaved() const
    {
        return !testsupport::RunCapture("find '" + dir.file("XDG_CONFIG_HOME") + "' -type f").empty();
    }
    int CountToMain(UINT message) const
    {
        int n = 0;
        for (const MSG& m : app->toMain) {
            n += m.message == message;
        }
        return n;
    }

    testsupport::TempDir dir;
    std::string folder;
    std::string startDirectory;
    MenuNotingBackend backend;
    platform::Backend* previous = nullptr;
    std::unique_ptr<NotingApp> app;
    std::size_t fedBytes = 0;
};
}

// App's commands: the preferences sheet, the timer switch, close and exit,
// the settings files, and starting the program once more.
#include <vector>

#include "app/main/App.h"
#include "app/main/Frame.h"
#include "files/Mp3TagSwitch.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Processes.h"
#include "prefs/PreferencesSheet.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "settings/SettingsFiles.h"
#include "settings/TimerSchedule.h"

namespace {
constexpr UINT kPreferences = 25006;
constexpr UINT kToggleTimer = 25009;
constexpr UINT kExit = 24310;
constexpr UINT kCloseWindow = 24311;
constexpr UINT kSaveSettings = 18999;
constexpr UINT kSaveSettingsAs = 25016;
constexpr UINT kLoadSettingsFrom = 25017;
constexpr UINT kRunProgram = 25018;

// What the preferences did to a recording: an MP3 file's stream is closed while
// the pages may change the formats, and a recording into it stopped.
enum class Mp3Guard { None, FileOpen, Recording };
}

DEFINE_RESPONSE_TABLE1(App, FennApp)
EV_COMMAND(kPreferences, CmPreferences),
EV_COMMAND(kToggleTimer, CmToggleTimer),
EV_COMMAND_ENABLE(kToggleTimer, CeToggleTimer),
EV_COMMAND(kExit, CmExit),
EV_COMMAND(kCloseWindow, CmCloseWindow),
EV_COMMAND(kSaveSettings, CmSaveSettings),
EV_COMMAND(kSaveSettingsAs, CmSaveSettingsAs),
EV_COMMAND(kLoadSettingsFrom, CmLoadSettingsFrom),
EV_COMMAND(kRunProgram, CmRunProgram),
END_RESPONSE_TABLE

void App::CmPreferences()
{
    TAppDialog* main = dialog_ && dialog_->GetHandle() ? dialog_ : nullptr;
    Mp3Guard guard = Mp3Guard::None;
    if (main && main->GetCurrentFile() && main->GetFileFormat() &&
        main->GetFileFormat()->wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        guard = Mp3Guard::FileOpen;
        if (main->IsInputOpen()) {
            guard = Mp3Guard::Recording;
            main->stop();
        } else if (main->IsOutputOpen()) {
            // Playback would go on without its decoder and then through the encoder
            // reopened below: it ends here instead.
            main->stop();
        }
        main->CloseAcmStream();
    }
    {
        TPreferencesSheet sheet(GetMainWindow());
        sheet.Execute();
    }
    // Also after Cancel: the recording that was stopped for the sheet goes on.
    if (main && guard != Mp3Guard::None) {
        main->acmopen(false, TAppDialog::ModeEncode);
        if (guard == Mp3Guard::Recording) {
            main->record();
        }
    }
    SettingsChanged();
    Mp3EnableTagSwitch = Mp3EnableTag;
    savesettings(nullptr);
}

void App::CmToggleTimer()
{
    // The running schedule keeps its own copy of the switch: it is switched at once, not at the next rebuild.
    ToggleTimerEnable(TimerSettings, dialog_ ? dialog_->GetSchedule() : nullptr);
    if (dialog_ && dialog_->GetHandle()) {
        dialog_->PostMessage(UM_SETTINGS_CHANGED);
    }
    savesettings(nullptr);
}

void App::CeToggleTimer(OWL::TCommandEnabler& enabler)
{
    enabler.SetCheck(TimerSettings.TimerEnable ? OWL::TCommandEnabler::Checked : OWL::TCommandEnabler::Unchecked);
}

void App::CmExit()
{
    if (SDIDecFrame* frame = GetFrame()) {
        frame->RequestExit();
        frame->CloseWindow();
    }
}

void App::CmCloseWindow()
{
    if (SDIDecFrame* frame = GetFrame()) {
        frame->CloseWindow();
    }
}

void App::CmSaveSettings() { savesettings(nullptr); }

void App::CmSaveSettingsAs()
{
    const std::string path = ChooseSettingsFile(GetMainWindow(), true);
    if (!path.empty()) {
        savesettings(path.c_str());
    }
}

void App::CmLoadSettingsFrom()
{
    const std::string path = ChooseSettingsFile(GetMainWindow(), false);
    if (!path.empty()) {
        loadsettings(path.c_str());
    }
    // Also when nothing was chosen: the settings in force are applied again.
    SettingsChanged();
}

void App::CmRunProgram()
{
    // The new process finds this one and brings it to the front.
    char path[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n > 0 && n < sizeof path) {
        platform::StartProgram({path});
    }
}

void App::SettingsChanged()
{
    if (SDIDecFrame* frame = GetFrame()) {
        frame->ApplySettings();
        frame->UpdateRecordingState();
    }
    if (dialog_ && dialog_->GetHandle()) {
        dialog_->PostMessage(UM_SETTINGS_CHANGED);
    }
}

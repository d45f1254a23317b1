// TAppDialog: the main window's timers: the one-shot play step, the quit timer of
// the command-line file mode, and the schedule poll that starts and stops timed recordings.
#include <cstring>
#include <string>

#include "platform/kernel/Clock.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/TimerSchedule.h"
#include "settings/TimerSettings.h"

namespace {
constexpr UINT kFirstPollMs = 1000;
constexpr UINT kPollMs = 2000;
}

void TAppDialog::spintimer()
{
    if (!SetTimer(TIMER_SCHEDULE, kFirstPollMs)) {
        ShowMessage(3050, MB_OK | MB_ICONEXCLAMATION);
    }
}

LRESULT TAppDialog::evtimer(WPARAM id, LPARAM)
{
    if (id == TIMER_PLAY_STEP) {
        KillTimer(TIMER_PLAY_STEP);
        PlayTimerStep();
        return 0;
    }
    // A poll that falls inside a stop or a copy runs once after it.
    if (busyDepth > 0) {
        if (!pollDeferred) {
            pollDeferred = true;
            DeferWhileBusy(WM_TIMER, id, 0);
        }
        return 0;
    }
    pollDeferred = false;
    if (id == TIMER_QUIT && Parent && Parent->GetHandle()) {
        // No window is watched, so the first tick ends the program.
        ::PostMessage(Parent->GetHandle(), WM_QUIT, 0, 0);
    }
    RunSchedule();
    if (!SetTimer(TIMER_SCHEDULE, kPollMs)) {
        ShowMessage(3041, MB_OK | MB_ICONEXCLAMATION);
    }
    return 0;
}

void TAppDialog::RunSchedule()
{
    if (!schedule) {
        return;
    }
    // Enable Timer changes the setting; the running schedule follows it at once.
    if (schedule->IsEnabled() != (TimerSettings.TimerEnable != 0)) {
        schedule->SetEnable(TimerSettings.TimerEnable != 0);
    }
    const __time64_t now = _time64(nullptr);
    unsigned stops = 0;
    if (schedule->CheckStop(now, &stops)) {
        stop();
        // Several stops come together after a clock jump: any of them with "new file" closes the file.
        bool newFile = false;
        for (int n = 0; n < 3; ++n) {
            newFile = newFile || ((stops >> n & 1u) && TimerSettings.Schedule[n].TimeNewFile);
        }
        if (newFile && currentFile) {
            // Closing the object keeps a recording on disk, generated name or not.
            ForgetCurrentFile();
            RefreshAfterClose();
        }
    }
    const int started = schedule->CheckStart(now);
    if (started) {
        if (TimerSettings.Schedule[started - 1].TimeNewFile) {
            if (currentFile) {
                stop();
                ForgetCurrentFile();
            }
            OpenScheduledFile(started);
        }
        record();
    }
}

void TAppDialog::OpenScheduledFile(int n)
{
    const TimerScheduleSettings& s = TimerSettings.Schedule[n - 1];
    const std::string prefix(s.TimeNewFilePrefix, strnlen(s.TimeNewFilePrefix, sizeof s.TimeNewFilePrefix));
    if (prefix.empty()) {
        openfile(nullptr, -1);
    } else {
        std::string base = prefix;
        if (ImprovedFilePrefix[0]) {
            base += "_";
            base += ImprovedFilePrefix;
        }
        char name[MAX_PATH] = "";
        MakeRecordFileName(base.c_str(), name, false, DefaultAudioFormat);
        openfile(name, DefaultAudioFormat);
    }
    if (!currentFile || !currentFile->IsOpen()) {
        ShowOpenError(1, CurrentFileName);
        RefreshAfterClose();
    }
}

// TAppDialog: the comment, speed, clipboard-setting, log and sync commands with their enablers.
#include <algorithm>
#include <cstdio>

#include "controls/CoolButton.h"
#include "files/RecFile.h"
#include "owl/CommandEnabler.h"
#include "owl/InputDialog.h"
#include "platform/shell/ShellExecute.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"
#include "settings/Settings.h"

namespace {
constexpr int kPlayButton = 151;
constexpr float kSlowest = 0.2f;
constexpr float kFastest = 2.0f;
constexpr float kRateStep = 0.1f;
}

void TAppDialog::CmComment()
{
    auto* file = dynamic_cast<RecFile*>(currentFile);
    if (!file) {
        return;
    }
    char text[261] = "";
    bool entered = false;
    {
        // What would close or replace the file under the box waits until it is closed.
        EngineBusy busy(*this);
        OWL::TInputDialog dialog(this, "Comment", "Enter comment:", text, sizeof text);
        entered = dialog.Execute() == IDOK && text[0];
    }
    if (entered) {
        file->AddComment(text, DWORD(-1), DWORD(-1), false);
    }
}

void TAppDialog::CmEndComment()
{
    if (auto* file = dynamic_cast<RecFile*>(currentFile)) {
        file->SplitComment(file->GetPosition());
    }
}

void TAppDialog::CmDeleteComment()
{
    if (auto* file = dynamic_cast<RecFile*>(currentFile)) {
        file->DeleteCommentAt(file->GetPosition());
    }
}

void TAppDialog::CePlayAtSpeed(OWL::TCommandEnabler& enabler)
{
    char text[40];
    std::snprintf(text, sizeof text, "Play at speed %1.1f", static_cast<double>(PlayRate));
    enabler.SetText(text);
    enabler.Enable(currentFile && currentFile->GetDataSize() > 0);
    enabler.SetCheck(speedMode != 0 ? OWL::TCommandEnabler::Checked : OWL::TCommandEnabler::Unchecked);
}

void TAppDialog::SetPlayRate(float rate)
{
    PlayRate = rate;
    if (waveOut) {
        speedMode = 1;
        ShowPlayRate(true);
    }
}

void TAppDialog::ShowPlayRate(bool on)
{
    char caption[16] = "Pla&y";
    if (on) {
        std::snprintf(caption, sizeof caption, "%1.1f", static_cast<double>(PlayRate));
    }
    // The transport buttons draw their pictures alone; the rate is drawn as text.
    if (auto* button = dynamic_cast<CoolButton*>(ChildWithId(kPlayButton))) {
        button->SetBitmapOnly(!on);
    }
    SetDlgItemTextA(Handle, kPlayButton, caption);
    RepaintButtons({kPlayButton});
}

// Steps of 0.1 in float from wherever the rate stands; the bounds hold exactly.
void TAppDialog::CmSpeedUp() { SetPlayRate(std::min(PlayRate + kRateStep, kFastest)); }
void TAppDialog::CmSlowDown() { SetPlayRate(std::max(PlayRate - kRateStep, kSlowest)); }

void TAppDialog::CmToggleWinClip() { UseWinClip = !UseWinClip; }

void TAppDialog::CeToggleWinClip(OWL::TCommandEnabler& enabler)
{
    enabler.SetCheck(UseWinClip ? OWL::TCommandEnabler::Unchecked : OWL::TCommandEnabler::Checked);
}

void TAppDialog::CmViewLog()
{
    // The desktop's default opener shows the log, as the text editor does on Windows.
    if (!LogPath().empty()) {
        ShellExecuteA(Handle, "open", LogPath().c_str(), nullptr, nullptr, SW_SHOW);
    }
}

LRESULT TAppDialog::EvSyncFiles(WPARAM, LPARAM)
{
    if (auto* file = dynamic_cast<RecFile*>(currentFile)) {
        file->Sync();
    }
    return 0;
}

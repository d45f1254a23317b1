// TAppDialog: the comment, speed, clipboard-setting and sync commands with their enablers.
#include <algorithm>
#include <cstdio>

#include "app/Settings.h"
#include "files/RecFile.h"
#include "owl/CommandEnabler.h"
#include "owl/InputDialog.h"
#include "recorder/AppDialog.h"

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
    OWL::TInputDialog dialog(this, "Comment", "Enter comment:", text, sizeof text);
    if (dialog.Execute() == IDOK && text[0]) {
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
        char caption[16];
        std::snprintf(caption, sizeof caption, "%1.1f", static_cast<double>(PlayRate));
        SetDlgItemTextA(Handle, kPlayButton, caption);
    }
}

// Steps of 0.1 in float from wherever the rate stands; the bounds hold exactly.
void TAppDialog::CmSpeedUp() { SetPlayRate(std::min(PlayRate + kRateStep, kFastest)); }
void TAppDialog::CmSlowDown() { SetPlayRate(std::max(PlayRate - kRateStep, kSlowest)); }

void TAppDialog::CmToggleWinClip() { UseWinClip = !UseWinClip; }

void TAppDialog::CeToggleWinClip(OWL::TCommandEnabler& enabler)
{
    enabler.SetCheck(UseWinClip ? OWL::TCommandEnabler::Unchecked : OWL::TCommandEnabler::Checked);
}

LRESULT TAppDialog::EvSyncFiles(WPARAM, LPARAM)
{
    if (auto* file = dynamic_cast<RecFile*>(currentFile)) {
        file->Sync();
    }
    return 0;
}

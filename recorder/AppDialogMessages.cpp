// TAppDialog: the private messages that the engine, the frame and other programs
// post to the main window, and the transport commands built on them.
#include <cstdint>

#include "controls/CoolButton.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "settings/RecordSettings.h"

namespace {
constexpr WPARAM kRemoteControl = 33;
constexpr WPARAM kRewindButton = 152;
constexpr WPARAM kForwardButton = 153;
}

bool TAppDialog::FromProgramOrRemote(WPARAM wParam, LPARAM lParam)
{
    return (wParam == 0 || wParam == kRemoteControl) && lParam == 0;
}

void TAppDialog::RepaintButtons(std::initializer_list<int> ids)
{
    for (int id : ids) {
        if (HWND b = GetDlgItem(id)) {
            ::InvalidateRect(b, nullptr, TRUE);
        }
    }
}

void TAppDialog::Latch(CoolButton* button) { button->SetState(3, true); }

void TAppDialog::RepaintTransport() { RepaintButtons({150, 151, 152, 153, 154}); }

void TAppDialog::EndPlayAtSpeed()
{
    if (speedMode != 0) {
        ShowPlayRate(false);
    }
    speedMode = 0;
}

LRESULT TAppDialog::EvSeekMessage(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_SEEK, wParam, lParam) || !FromProgramOrRemote(wParam, 0)) {
        return 0;
    }
    // Seconds as the sender wrote them: a signed 32-bit number, whatever the width of lParam.
    const std::int64_t seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam));
    SeekStep(1, seconds >= 0, seconds < 0 ? -seconds : seconds);
    return 0;
}

LRESULT TAppDialog::EvToggleRecord(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_TOGGLE_RECORD, wParam, lParam) || wParam != 0 || lParam != 0) {
        return 0;
    }
    if (!recording) {
        record();
    } else {
        stop();
    }
    RepaintButtons({150, 154});
    return 0;
}

void TAppDialog::CmTogglePlay()
{
    if (DeferWhileBusy(WM_COMMAND, 25000, 0)) {
        return;
    }
    if (waveOut) {
        stop();
    } else {
        play();
    }
    RepaintButtons({150, 154, 151});
}

LRESULT TAppDialog::CmTogglePlay(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_TOGGLE_PLAY, wParam, lParam) || wParam != 0 || lParam != 0) {
        return 0;
    }
    CmTogglePlay();
    return 0;
}

LRESULT TAppDialog::EvStopAndSave(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_STOP_AND_SAVE, wParam, lParam) || !FromProgramOrRemote(wParam, lParam)) {
        return 0;
    }
    stop();
    savefile(nullptr, true);
    return 0;
}

void TAppDialog::CmStopAndSave()
{
    if (DeferWhileBusy(WM_COMMAND, 24339, 0)) {
        return;
    }
    EvStopAndSave(0, 0);
    ShowPositionTime(0);
    CodecText("");
    ShowFormatText();
}

void TAppDialog::CeStopAndSave(OWL::TCommandEnabler& enabler) { enabler.Enable(currentFile != nullptr); }

LRESULT TAppDialog::EvStopAndPlay(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_STOP_AND_PLAY, wParam, lParam) || !FromProgramOrRemote(wParam, lParam)) {
        return 0;
    }
    stop();
    play();
    return 0;
}

LRESULT TAppDialog::EvRecordAgain(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_STOP_AND_RECORD, wParam, lParam) || !FromProgramOrRemote(wParam, lParam) || recording) {
        return 0;
    }
    stop();
    if (currentFile && RecordMode == 1) {
        if (currentFile->HasTempName()) {
            // The take the engine made for echo play has been heard.
            currentFile->Delete();
            delete currentFile;
            currentFile = nullptr;
        } else {
            // A recording the user named or opened is kept; the next take goes to a new file.
            savefile(nullptr, true);
        }
    }
    record();
    RepaintTransport();
    return 0;
}

LRESULT TAppDialog::BnRewind(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_REPEAT_REWIND, wParam, lParam) || wParam != kRewindButton || lParam != 0) {
        return 0;
    }
    BnRewind();
    return 0;
}

LRESULT TAppDialog::BnFastForward(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_REPEAT_FORWARD, wParam, lParam) || wParam != kForwardButton || lParam != 0) {
        return 0;
    }
    BnFastForward();
    return 0;
}

// TAppDialog: the seek steps of the Rewind and Forward buttons, keys and
// commands: by minute, second, segment or comment, playback going on after them.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "files/RecFile.h"
#include "platform/user/Keyboard.h"
#include "recorder/AppDialog.h"
#include "settings/FileSettings.h"

namespace {
enum SeekUnit { kMinute = 0, kSecond = 1, kSegment = 2, kComment = 3 };

// The keys held choose the unit; bit 1 of LHMode swaps minute and segment steps.
int UnitFromKeys()
{
    const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
    const bool swapped = (LHMode & 2) != 0;
    if (ctrl && shift) {
        return kComment;
    }
    if (shift) {
        return kSecond;
    }
    if (ctrl) {
        return swapped ? kMinute : kSegment;
    }
    return swapped ? kSegment : kMinute;
}

// As the marker list steps back: more than a second into a comment goes to its
// start, less goes on to the one before, so repeated steps while playing move.
DWORD PreviousCommentStart(RecFile* rf, DWORD at, std::uint64_t second)
{
    if (rf->GetCommentCount() == 0) {
        return 0;
    }
    const DWORD start = rf->GetPrevCommentStart(at);
    if (at > start && std::uint64_t(at) > start + second) {
        return start;
    }
    return start == 0 ? 0 : rf->GetPrevCommentStart(start);
}
}

void TAppDialog::BnRewind() { SeekStep(UnitFromKeys(), false, 1); }
void TAppDialog::BnFastForward() { SeekStep(UnitFromKeys(), true, 1); }

bool TAppDialog::PauseForSeek()
{
    const bool wasPlaying = waveOut != nullptr;
    if (waveIn) {
        stop();
    } else if (waveOut) {
        bnstop();
    }
    return wasPlaying;
}

void TAppDialog::SeekStep(int unit, bool forward, std::int64_t count)
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!rf) {
        return;
    }
    const bool wasPlaying = PauseForSeek();
    if (!currentFile) {
        return;
    }
    const DWORD at = currentFile->GetPosition();
    const DWORD length = currentFile->GetLength();
    switch (unit) {
    case kSegment:
        if (forward) {
            SeekNextMarker(true);
        } else {
            SeekBackMarker(true);
        }
        break;
    case kComment:
        if (!forward) {
            position(PreviousCommentStart(rf, at, rf->PositionsPerSecond()), true);
        } else {
            // No comment after the position (or none at all): the end of the recording.
            const DWORD next = rf->GetCommentCount() == 0 ? DWORD(-1) : rf->GetCommentEnd(at);
            position(std::min(next, length), true);
        }
        break;
    default: {
        // Any count of seconds stays inside the recording; the file scales them in 64 bits.
        constexpr std::int64_t kMost = std::numeric_limits<LONG>::max();
        const std::int64_t seconds = std::min(count * (unit == kMinute ? 60 : 1), kMost);
        position(rf->SecondsToPosition(static_cast<LONG>(forward ? seconds : -seconds)), true);
        break;
    }
    }
    if (wasPlaying) {
        bnplay();
    }
}

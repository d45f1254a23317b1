// The copy at the heart of every clip operation: audio in steps under the progress window, then the markers and comments of the range.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "files/ClipEdit.h"
#include "files/RecFile.h"

namespace {
constexpr DWORD kCopyUnit = 600000;
constexpr int kMaxSteps = 1000000;
}

DWORD ClipEdit::CopyData(MediaFile* destination, MediaFile* source, DWORD count, const char* text)
{
    if (!destination || !source || count == 0) {
        return 0;
    }
    ProgressShow(text);
    const DWORD s0 = source->GetPosition();
    const DWORD s1 = s0 + count;
    const DWORD d0 = destination->GetLength();
    std::vector<char> buffer(kCopyUnit);
    // Counted by what reached the destination: a short write is a failed copy,
    // never a shorter recording.
    DWORD copied = 0;
    for (int steps = 0; copied < count && steps < kMaxSteps; ++steps) {
        const DWORD remaining = count - copied;
        const int percent = 100 - static_cast<int>(std::uint64_t(remaining) * 100 / count);
        if (text && *text) {
            char shown[300];
            std::snprintf(shown, sizeof shown, " %s %d%%", text, percent);
            ProgressShow(shown);
        }
        ProgressPercent(percent);
        if (ProgressCancelled()) {
            break;
        }
        const LONG want = static_cast<LONG>(std::min(remaining, kCopyUnit));
        const LONG got = source->Read(buffer.data(), want);
        if (got <= 0) {
            // The source ends before the range does.
            copyFailed = got < 0 || copied < count;
            break;
        }
        if (destination->Write(buffer.data(), got) != got) {
            copyFailed = true;
            break;
        }
        copied = source->GetPosition() - s0;
    }
    auto* to = dynamic_cast<RecFile*>(destination);
    auto* from = dynamic_cast<RecFile*>(source);
    if (to && from) {
        CopyMarks(to, from, s0, std::min(s1, s0 + copied), d0);
    }
    return copied;
}

void ClipEdit::CopyMarks(RecFile* to, RecFile* from, DWORD s0, DWORD s1, DWORD d0)
{
    const __time64_t startTime = from->TimeAtPosition(s0);
    if (startTime != 0) {
        to->AddMarker(d0, startTime, false);
    }
    for (int i = 0; i < from->GetMarkerCount(); ++i) {
        const DWORD p = from->GetMarkerPosition(i);
        if (p >= s0 && p < s1) {
            to->AddMarker(p - s0 + d0, from->GetMarkerTime(i), false);
        }
    }
    for (int i = 0; i < from->GetCommentCount(); ++i) {
        const DWORD start = from->GetCommentStart(i);
        const DWORD end = from->GetCommentEndAt(i);
        // An open end (0) and one that runs to the next marker (-1) cover everything after the start.
        const bool open = end == 0 || end == DWORD(-1);
        DWORD at;
        if (start >= s0 && start < s1) {
            at = start - s0 + d0;
        } else if (start < s0 && (open || end > s0)) {
            at = d0;
        } else {
            continue;
        }
        DWORD newEnd;
        if (end == 0) {
            newEnd = 0;
        } else if (end == DWORD(-1)) {
            newEnd = to->GetLength();
        } else {
            newEnd = std::min(end, s1) - s0 + d0;
        }
        to->AddComment(from->GetCommentTextAt(i), at, newEnd, false);
    }
}

// TAppDialog: a recording made in loop mode put back into time order, with the
// markers and comments of its earlier passes, through a second file.
#include <algorithm>
#include <string>

#include "controls/Progress.h"
#include "files/RecFile.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"

namespace {
// An open end (0 or all bits) runs on: it stops where the copied span stops.
DWORD ClampedEnd(DWORD end, DWORD offset, DWORD limit)
{
    if (end == 0 || end == DWORD(-1) || end <= offset) {
        return limit;
    }
    return std::min(end - offset, limit);
}

bool IsOpenEnd(DWORD end) { return end == 0 || end == DWORD(-1); }
}

void TAppDialog::CopyTimeline(RecFile* old, RecFile* fresh, DWORD wp, DWORD wpc, DWORD olderCount)
{
    const DWORD bps = old->GetBytesPerSecond();
    if (auto* history = dynamic_cast<RecFile*>(historyFile)) {
        int below = -1;
        for (int i = 0; i < history->GetMarkerCount(); ++i) {
            if (history->GetMarkerPosition(i) < wp) {
                below = i;
            }
        }
        // The oldest audio left starts at the write position: its time from the marker before it.
        __time64_t first = 0;
        if (below >= 0 && history->GetMarkerTime(below) != 0) {
            first = history->GetMarkerTime(below) + (bps ? (wp - history->GetMarkerPosition(below)) / bps : 0);
        }
        if (first != 0) {
            fresh->AddMarker(0, first);
        }
        for (int i = 0; i < history->GetMarkerCount(); ++i) {
            const DWORD pos = history->GetMarkerPosition(i);
            if (pos >= wp && pos - wp < olderCount) {
                fresh->AddMarker(pos - wp, history->GetMarkerTime(i));
            }
        }
        for (int i = 0; i < history->GetCommentCount(); ++i) {
            const DWORD start = history->GetCommentStart(i);
            const DWORD end = history->GetCommentEndAt(i);
            const bool spans = start <= wpc && (IsOpenEnd(end) || end > wpc);
            if (!spans && start < wpc) {
                continue;
            }
            const DWORD from = spans ? 0 : start - wpc;
            const DWORD to = ClampedEnd(end, wpc, olderCount);
            if (from < to) {
                fresh->AddComment(history->GetCommentTextAt(i), from, to);
            }
        }
    }
    for (int i = 0; i < old->GetMarkerCount(); ++i) {
        if (old->GetMarkerPosition(i) < wp) {
            fresh->AddMarker(old->GetMarkerPosition(i) + olderCount, old->GetMarkerTime(i));
        }
    }
    for (int i = 0; i < old->GetCommentCount(); ++i) {
        const DWORD end = old->GetCommentEndAt(i);
        const DWORD start = old->GetCommentStart(i) + olderCount;
        const DWORD moved = IsOpenEnd(end) ? end : end + olderCount;
        fresh->AddComment(old->GetCommentTextAt(i), start, IsOpenEnd(moved) || moved > start ? moved : DWORD(0));
    }
}

void TAppDialog::DropHistoryFile()
{
    if (historyFile) {
        historyFile->Delete();
        delete historyFile;
        historyFile = nullptr;
    }
}

bool TAppDialog::ReorderFile()
{
    auto* old = dynamic_cast<RecFile*>(currentFile);
    if (!old || !currentFile->GetOverwrite()) {
        return true;
    }
    currentFile->SetOverwrite(false);
    const bool generated = currentFile->HasTempName();
    // The second copy goes where new temporary names go: that file system must hold it.
    char madeName[MAX_PATH] = "";
    MakeRecordFileName(nullptr, madeName, true, currentFile->GetFileType());
    if (!HasDiskSpace(currentFile->GetDataSize(), std::string(platform::FolderPart(madeName)).c_str())) {
        MessageBox("Not enough disk space to re-order file", "Tapvox", MB_OK | MB_ICONSTOP);
        DropHistoryFile();
        return false;
    }
    EngineBusy busy(*this);
    MediaFile* made = OpenMediaFile(madeName, fileFormat, MMIO_READWRITE, currentFile->GetFileType());
    auto* fresh = dynamic_cast<RecFile*>(made);
    const DWORD length = currentFile->GetLength();
    const DWORD end = std::max(loopStart, length);
    const DWORD wp = std::min(currentFile->GetPosition(), end);
    const DWORD olderCount = end - wp;
    const DWORD newerCount = wp;
    const DWORD wpc = std::min(length, wp);

    CopyOutcome outcome = CopyOutcome::NoOutput;
    if (fresh && made->IsOpen()) {
        CopyTimeline(old, fresh, wp, wpc, olderCount);
        auto copy = [&](char* buffer, LONG n) { return currentFile->Read(buffer, n) == n && made->Write(buffer, n) == n; };
        auto* progress = new TProgress(this, "Copying audio data 1/2");
        progress->Create();
        outcome = currentFile->position(wpc) ? RunCopy(progress, " Reordering file %d%%", olderCount, copy) : CopyOutcome::Failed;
        if (outcome == CopyOutcome::Done) {
            progress->SetWindowText("Copying audio data 2/2");
            outcome = currentFile->position(0) ? RunCopy(progress, " Reordering file %d%%", newerCount, copy) : CopyOutcome::Failed;
        }
        progress->Destroy();
        delete progress;
        if (outcome == CopyOutcome::Done && !made->update()) {
            outcome = CopyOutcome::Failed;
        }
    }
    if (outcome != CopyOutcome::Done) {
        // The recording stays as it was, in loop order; the partial copy goes.
        if (made) {
            made->Delete();
            delete made;
        }
        DropHistoryFile();
        if (outcome == CopyOutcome::NoOutput) {
            ShowOpenError(1, madeName);
        } else {
            MessageBox(outcome == CopyOutcome::Cancelled
                           ? "The file was not re-ordered: the copy was cancelled."
                           : "The file was not re-ordered: the copy could not be written (is the disk full?).",
                       "Tapvox", MB_OK | MB_ICONEXCLAMATION);
        }
        UpdateCaption(nullptr, false);
        return false;
    }
    const std::string oldName = currentFile->GetName();
    currentFile->SetTempName(false);
    delete currentFile;
    currentFile = made;
    if (!made->rename(oldName.c_str())) {
        if (!made->IsOpen()) {
            made->Reopen();
        }
        MessageBox("Can't open output file for rename/copy", "rename", MB_OK | MB_ICONEXCLAMATION);
    }
    made->SetTempName(generated);
    platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, made->GetName());
    DropHistoryFile();
    ShowFileSize();
    position(made->GetPosition(), true);
    UpdateCaption(nullptr, false);
    return true;
}

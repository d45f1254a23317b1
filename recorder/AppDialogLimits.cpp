// TAppDialog: the file limits and what happens at them (a loop pass inside the
// same file, a stop or a new file), the stop message, and the new file after silence.
#include <algorithm>
#include <string>

#include "files/FileType.h"
#include "files/RecFile.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "settings/FileSettings.h"

namespace {
// The file class refuses WAV data that would pass 4 GiB less 1 MiB; a recording
// continues elsewhere before that, with room for the buffers still on their way.
constexpr std::uint64_t kWaveDataCap = (std::uint64_t(1) << 32) - 2 * 1024 * 1024;
constexpr WPARAM kCapSplit = 1;
}

std::uint64_t TAppDialog::SizeLimitBytes() const { return FileSize > 0 ? std::uint64_t(FileSize) << 20 : 0; }

bool TAppDialog::LimitReached(bool* capOnly)
{
    *capOnly = false;
    if (!currentFile) {
        return false;
    }
    // In a loop pass the data no longer grows: the write position is what reaches the limit.
    const bool loop = currentFile->GetOverwrite();
    const std::uint64_t size = loop ? currentFile->GetPosition() : currentFile->GetDataSize();
    const bool wave = currentFile->GetFileType() == FileTypeWave;
    bool reached = false;
    if (FileAction != 0 && FileLimitKind == 0) {
        std::uint64_t limit = SizeLimitBytes();
        if (limit != 0 && wave) {
            limit = std::min(limit, kWaveDataCap);
        }
        reached = limit != 0 && size >= limit;
    } else if (FileAction != 0 && FileMinutes > 0) {
        const DWORD seconds = currentFile->GetSeconds(loop ? currentFile->GetPosition() : DWORD(-1));
        reached = std::uint64_t(seconds) >= std::uint64_t(FileMinutes) * 60;
    }
    if (!reached && wave && currentFile->GetDataSize() >= kWaveDataCap) {
        *capOnly = true;
        return true;
    }
    return reached;
}

void TAppDialog::TestFileLimit()
{
    // The stop's own flush ends the recording: no limit starts anything then.
    bool capOnly = false;
    if (flushing || !LimitReached(&capOnly)) {
        return;
    }
    if (!capOnly && FileAction == 1 && currentFile->CanOverwrite()) {
        EvNextFile(0, 0);
        return;
    }
    // The rest stops the device, which waits until this buffer's handler has returned.
    if (!nextFilePending) {
        nextFilePending = true;
        PostMessage(UM_NEXT_FILE, capOnly ? kCapSplit : 0, 0);
    }
}

LRESULT TAppDialog::EvNextFileMessage(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_NEXT_FILE, wParam, lParam) || (wParam != 0 && wParam != kCapSplit) || lParam != 0) {
        return 0;
    }
    nextFilePending = false;
    return EvNextFile(wParam, lParam);
}

LRESULT TAppDialog::EvNextFile(WPARAM wParam, LPARAM)
{
    if (!currentFile) {
        return 0;
    }
    if (wParam == kCapSplit) {
        bool capOnly = false;
        if (recording && LimitReached(&capOnly) && capOnly) {
            Warning("The recording reached the largest size of a WAV file and goes on in a new file.");
            ContinueInNewFile();
        }
        return 0;
    }
    bool capOnly = false;
    switch (FileAction) {
    case 1:
        if (currentFile->CanOverwrite()) {
            StartLoopPass();
        } else if (recording) {
            Warning("This file type cannot be overwritten: the recording stops at its file limit.");
            stop();
        }
        break;
    case 2:
        stop();
        break;
    case 3:
        if (recording && LimitReached(&capOnly) && !capOnly) {
            ContinueInNewFile();
        }
        break;
    default:
        break;
    }
    return 0;
}

void TAppDialog::StartLoopPass()
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!rf) {
        return;
    }
    currentFile->SetOverwrite(true);
    loopStart = currentFile->GetPosition();
    if (historyFile) {
        historyFile->Delete();
        delete historyFile;
        historyFile = nullptr;
    }
    historyFile = OpenMediaFile(nullptr, fileFormat, MMIO_CREATE | MMIO_READWRITE, currentFile->GetFileType());
    if (auto* history = dynamic_cast<RecFile*>(historyFile)) {
        for (int i = 0; i < rf->GetMarkerCount(); ++i) {
            history->AddMarker(rf->GetMarkerPosition(i), rf->GetMarkerTime(i), true);
        }
        for (int i = 0; i < rf->GetCommentCount(); ++i) {
            history->AddComment(rf->GetCommentTextAt(i), rf->GetCommentStart(i), rf->GetCommentEndAt(i), true);
        }
    }
    const char* running = rf->GetCommentText(currentFile->GetPosition());
    const std::string kept = running ? running : "";
    rf->ClearComments();
    rf->ClearMarkers();
    hangOver = 0;
    talkOff = 0;
    currentFile->position(0);
    if (!kept.empty()) {
        rf->AddComment(kept.c_str(), currentFile->GetPosition(), 0);
    }
}

void TAppDialog::ContinueInNewFile()
{
    stop();
    // The recording goes on without a question: the finished part is named as the session's end names it.
    NameTakeByPattern();
    ForgetCurrentFile();
    openfile(nullptr, -1);
    record();
}

LRESULT TAppDialog::EvStopPlayback(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_STOP, wParam, lParam) || !FromProgramOrRemote(wParam, lParam)) {
        return 0;
    }
    if (playing || waveOut || recording) {
        stop();
        RepaintTransport();
    }
    return 0;
}

LRESULT TAppDialog::EvSilenceNextFile(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_NEXT_FILE_AFTER_SILENCE, wParam, lParam) || wParam != 0 || lParam != 0) {
        return 0;
    }
    // Posted while recording: a stop that came first has ended the take already.
    if (!recording) {
        return 0;
    }
    stop();
    savefile(nullptr, true);
    openfile(nullptr, -1);
    record();
    return 0;
}

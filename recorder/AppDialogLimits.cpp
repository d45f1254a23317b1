// TAppDialog: the file limits and what happens at them (a loop pass inside the
// same file, a stop or a new file), the stop message, and the new file after silence.
#include <string>

#include "files/FileType.h"
#include "files/RecFile.h"
#include "recorder/AppDialog.h"
#include "recorder/FileLimits.h"
#include "recorder/PrivateMessages.h"
#include "settings/FileSettings.h"

namespace {
constexpr WPARAM kCapSplit = 1;
}

FileLimits TAppDialog::Limits() const { return FileLimits({FileAction, FileLimitKind, FileSize, FileMinutes}); }

FileLimits::Reached TAppDialog::LimitReached()
{
    if (!currentFile) {
        return FileLimits::Reached::No;
    }
    // In a loop pass the data no longer grows: the write position is what reaches the limit.
    const bool loop = currentFile->GetOverwrite();
    FileLimits::Measure m;
    m.dataSize = currentFile->GetDataSize();
    m.size = loop ? currentFile->GetPosition() : m.dataSize;
    m.seconds = currentFile->GetSeconds(loop ? currentFile->GetPosition() : DWORD(-1));
    m.wave = currentFile->GetFileType() == FileTypeWave;
    return Limits().Test(m);
}

void TAppDialog::TestFileLimit()
{
    // The stop's own flush ends the recording: no limit starts anything then.
    if (flushing) {
        return;
    }
    const FileLimits::AtBuffer next = Limits().AtBufferEnd(LimitReached(), currentFile && currentFile->CanOverwrite());
    if (next == FileLimits::AtBuffer::LoopNow) {
        EvNextFile(0, 0);
        return;
    }
    // The rest stops the device, which waits until this buffer's handler has returned.
    if (next != FileLimits::AtBuffer::Nothing && !nextFilePending) {
        nextFilePending = true;
        PostMessage(UM_NEXT_FILE, next == FileLimits::AtBuffer::PostCapSplit ? kCapSplit : 0, 0);
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
    const FileLimits::Reached reached = recording ? LimitReached() : FileLimits::Reached::No;
    switch (Limits().AtNextFile(wParam == kCapSplit, recording != 0, reached, currentFile->CanOverwrite())) {
    case FileLimits::Next::CapNewFile:
        Warning("The recording reached the largest size of a WAV file and goes on in a new file.");
        ContinueInNewFile();
        break;
    case FileLimits::Next::LoopPass:
        StartLoopPass();
        break;
    case FileLimits::Next::CannotLoop:
        Warning("This file type cannot be overwritten: the recording stops at its file limit.");
        stop();
        break;
    case FileLimits::Next::Stop:
        stop();
        break;
    case FileLimits::Next::NewFile:
        ContinueInNewFile();
        break;
    case FileLimits::Next::Nothing:
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

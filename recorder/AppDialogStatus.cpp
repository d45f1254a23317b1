// TAppDialog: the status line (segment, position time, size, free space and the
// distance to the file limit), the position slider and the seek every move goes through.
#include <cstdio>
#include <string>

#include "app/StartOptions.h"
#include "files/FileType.h"
#include "files/RecFile.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/MulDiv.h"
#include "platform/user/MessageBox.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "settings/FileSettings.h"

namespace {
std::string DurationText(DWORD seconds)
{
    char text[64];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "  %u:%2.2u:%2.2u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "  %u:%2.2u", seconds / 60, seconds % 60);
    }
    return text;
}

int SliderPosition(DWORD pos, DWORD length)
{
    if (length < 2) {
        return 1000;
    }
    return MulDiv(static_cast<int>(pos / 2), 1000, static_cast<int>(length / 2));
}
}

// Whether a file's positions count time: a byte rate, or samples for Ogg Vorbis.
bool TAppDialog::HasTimeScale(MediaFile* file)
{
    return file && (file->GetBytesPerSecond() != 0 || (file->GetFileType() == FileTypeOgg && file->GetFormat() &&
                                                       file->GetFormat()->nSamplesPerSec != 0));
}

void TAppDialog::position(DWORD pos, bool updateSlider)
{
    if (!currentFile) {
        return;
    }
    if (currentFile->GetDataSize() == 0) {
        ShowPositionTime(0);
        positionSlider->SetPosition(1000);
        return;
    }
    if (!StartOptions.NoBlockRounding && fileFormat->nBlockAlign > 1 && currentFile->GetFileType() != FileTypeOgg) {
        pos -= pos % fileFormat->nBlockAlign;
    }
    const DWORD length = currentFile->GetLength();
    pos = std::min(pos, length);
    if (!currentFile->position(pos)) {
        ShowMessage(3090, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (updateSlider) {
        positionSlider->SetPosition(SliderPosition(pos, length));
    }
    if (!waveIn) {
        ShowPositionTime(pos);
        ShowSegmentNumber(pos);
    }
}

void TAppDialog::ShowPositionTime(DWORD pos)
{
    if (!currentFile) {
        timeText->SetText("");
        return;
    }
    if (auto* rf = dynamic_cast<RecFile*>(currentFile)) {
        const __time64_t when = rf->TimeAtPosition(pos);
        if (when > 0) {
            timeText->SetText(platform::CtimeText(when).c_str());
            return;
        }
    }
    if (!HasTimeScale(currentFile)) {
        timeText->SetText("");
        return;
    }
    timeText->SetText(DurationText(currentFile->GetSeconds(pos)).c_str());
}

void TAppDialog::ShowSegmentNumber(DWORD pos)
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!rf || rf->GetMarkerCount() == 0) {
        lastSegmentIndex = -1;
        return;
    }
    const int index = rf->FindMarker(pos);
    const int count = rf->GetMarkerCount();
    if (index != lastSegmentIndex || count != lastSegmentCount) {
        lastSegmentIndex = index;
        lastSegmentCount = count;
        char text[48];
        std::snprintf(text, sizeof text, "%d of %d", index + 1, count);
        segmentText->SetText(text);
    }
}

void TAppDialog::ShowFileSize()
{
    if (!currentFile) {
        sizeText->SetText("");
        return;
    }
    std::uint64_t size = currentFile->GetDataSize();
    if (FileAction == 1 && currentFile->GetOverwrite()) {
        size = currentFile->GetPosition();
    }
    const double mb = static_cast<double>(size) / 1048576.0;
    char text[64];
    std::snprintf(text, sizeof text, mb < 1 ? "%.3fMB" : mb < 100 ? "%.2fMB" : "%.0fMB", mb);
    std::string shown = text;
    if (HasTimeScale(currentFile)) {
        shown += DurationText(currentFile->GetSeconds(DWORD(-1)));
    }
    sizeText->SetText(shown.c_str());
}

std::string TAppDialog::RecordingFolder() const
{
    if (currentFile && *currentFile->GetName()) {
        return std::string(platform::FolderPart(currentFile->GetName()));
    }
    return DefaultDirectory;
}

bool TAppDialog::FreeBytes(const std::string& folder, std::uint64_t* bytes)
{
    if (freeSpaceAvailable) {
        ULARGE_INTEGER available{};
        if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) {
            return false;
        }
        *bytes = available.QuadPart;
        return true;
    }
    DWORD perCluster = 0, perSector = 0, freeClusters = 0, total = 0;
    if (!GetDiskFreeSpaceA(folder.c_str(), &perCluster, &perSector, &freeClusters, &total)) {
        return false;
    }
    *bytes = std::uint64_t(perCluster) * perSector * freeClusters;
    return true;
}

void TAppDialog::ShowDiskSpace()
{
    if (!currentFile) {
        return;
    }
    const double fileMb = static_cast<double>(currentFile->GetDataSize()) / 1048576.0;
    // The file system that holds the recording is the one that fills up.
    const std::string folder = RecordingFolder();
    std::uint64_t free = 0;
    if (!FreeBytes(folder, &free)) {
        timeText->SetText("");
        return;
    }
    // The mount point of a folder stays while it records: looked up once per folder.
    if (folder != volumeFolder) {
        char volume[MAX_PATH] = "";
        volumeFolder = folder;
        volumeName = GetVolumePathNameA(folder.c_str(), volume, sizeof volume) ? volume : folder;
    }
    const double freeMb = static_cast<double>(free) / 1048576.0;
    char text[MAX_PATH + 64];
    if (freeMb < 1000) {
        std::snprintf(text, sizeof text, "%.0fMB free on %s", freeMb, volumeName.c_str());
    } else {
        std::snprintf(text, sizeof text, ">1GB free on %s", volumeName.c_str());
    }
    std::string shown = text;
    if (const auto distance = Limits().DistanceMb(fileMb, fileFormat->nAvgBytesPerSec)) {
        std::snprintf(text, sizeof text, *distance <= 100 ? "  %.1fMB to file limit" : "  %.0fMB to file limit", *distance);
        shown += text;
    }
    timeText->SetText(shown.c_str());
    if (freeMb < 0.2) {
        // Told once while the caption says it, which no one sees without a display.
        if (FrameCaption() != "Disk nearly full!") {
            ShowNotice("Disk nearly full!", "Tapvox");
        }
        SetFrameCaption("Disk nearly full!");
        PostMessage(UM_STOP);
    }
}

void TAppDialog::ShowPlayPosition(const WAVEHDR* header)
{
    if (!header || header->dwUser == 0 || !playing || !currentFile) {
        return;
    }
    const DWORD pos = static_cast<DWORD>(header->dwUser);
    ShowSegmentNumber(pos);
    positionSlider->SetPosition(SliderPosition(pos, currentFile->GetLength()));
    ShowPositionTime(pos);
}

void TAppDialog::UpdateRecordingStatus(int, bool burstStart, const ACMSTREAMHEADER*)
{
    statusCounter = (statusCounter + 1) % 5;
    if (statusCounter == 0) {
        ShowFileSize();
        ShowDiskSpace();
        CheckFileNamed();
    }
    if (burstStart) {
        ShowSegmentNumber(DWORD(-1));
    }
    if (auto* rf = dynamic_cast<RecFile*>(currentFile); rf && rf->GetMarkerCount() == 0 && currentFile->GetDataSize() == 0) {
        ShowSegmentNumber(DWORD(-1));
    }
    TestFileLimit();
}

void TAppDialog::SeekBackMarker(bool toMarker)
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!rf || currentFile->GetDataSize() == 0) {
        return;
    }
    if (!toMarker) {
        position(0, true);
        return;
    }
    const DWORD pos = rf->GetPrevMarkerPosition(DWORD(-1));
    position(pos == DWORD(-1) ? 0 : pos, true);
}

void TAppDialog::SeekNextMarker(bool toMarker)
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!rf || currentFile->GetDataSize() == 0) {
        return;
    }
    position(toMarker ? rf->GetNextMarkerPosition(DWORD(-1)) : currentFile->GetLength(), true);
}

void TAppDialog::EvHScroll(UINT code, UINT, HWND control)
{
    if (!currentFile || control != positionSlider->GetHandle()) {
        return;
    }
    if (code == SB_LINERIGHT || code == SB_LINELEFT) {
        // Line steps are the seek commands of playback, sent on as the buttons send them.
        const bool right = code == SB_LINERIGHT;
        PostMessage(right ? UM_REPEAT_FORWARD : UM_REPEAT_REWIND, right ? 153 : 152, 0);
        lineStep = true;
        return;
    }
    if (code == SB_ENDSCROLL && lineStep) {
        lineStep = false;
        return;
    }
    if (waveIn) {
        // The write position is the recording's, not the slider's: released, the thumb snaps back.
        seekPending = false;
        if (code == SB_ENDSCROLL) {
            positionSlider->SetPosition(SliderPosition(currentFile->GetPosition(), currentFile->GetLength()));
        }
        return;
    }
    if (playing) {
        pausedBySlider = true;
        EvStopPlayback(0, 0);
    }
    const DWORD length = currentFile->GetLength();
    const DWORD pos = static_cast<DWORD>(std::uint64_t(positionSlider->GetPosition()) * length / 1000);
    if (code == SB_THUMBTRACK) {
        ShowPositionTime(pos);
        ShowSegmentNumber(pos);
        seekPending = true;
    } else if (code == SB_ENDSCROLL) {
        if (seekPending) {
            seekPending = false;
            position(pos, false);
        }
        if (pausedBySlider) {
            pausedBySlider = false;
            PostMessage(UM_STOP_AND_PLAY);
        }
    }
}

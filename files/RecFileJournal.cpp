// The crash journal: the companion file that keeps the lists while a recording is open.
#include <algorithm>
#include <string>
#include <vector>

#include "files/RecFile.h"

#include "platform/kernel/FileCopy.h"
#include <unistd.h>

#include "files/FileMove.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/FileBytes.h"
#include "platform/kernel/FileCopy.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"

namespace {
constexpr LONG kMaxJournal = 64 * 1024 * 1024;
}

std::string RecFile::MarkerFileNameFor(const std::string& recording)
{
    if (recording.size() < 4 || recording.size() > 259 || recording[recording.size() - 4] != '.') {
        return {};
    }
    std::string companion = recording;
    companion[companion.size() - 3] = '~';
    return companion;
}

bool RecFile::OpenMarkerFile()
{
    if (markerFile) {
        return true;
    }
    markerFileName = MarkerFileNameFor(name);
    if (markerFileName.empty()) {
        return false;
    }
    // A read-only recording reads a journal that is there and makes none.
    if (mmioOpenA(markerFileName.data(), nullptr, MMIO_EXIST)) {
        markerFile = mmioOpenA(markerFileName.data(), nullptr, readOnly ? MMIO_READ : MMIO_READWRITE);
    } else if (!readOnly) {
        markerFile = mmioOpenA(markerFileName.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    }
    return markerFile != nullptr;
}

bool RecFile::ReadMarkerFile()
{
    if (!OpenMarkerFile()) {
        return false;
    }
    ClearMarkers();
    ClearComments();
    DWORD version = 0;
    if (mmioSeek(markerFile, 0, SEEK_SET) != 0 ||
        mmioRead(markerFile, reinterpret_cast<char*>(&version), 4) != 4 || version != 1) {
        return false;
    }
    const LONGLONG end = mmioSeek(markerFile, 0, SEEK_END);
    const LONG size = static_cast<LONG>(std::min<LONGLONG>(end > 4 ? end - 4 : 0, kMaxJournal));
    std::vector<char> text(static_cast<std::size_t>(size) + 1, 0);
    mmioSeek(markerFile, 4, SEEK_SET);
    const LONG got = mmioRead(markerFile, text.data(), size);
    text[got > 0 ? static_cast<std::size_t>(got) : 0] = 0;
    // A recording without a text of its own shows its companion's lists even
    // read-only; any other read-only recording leaves a journal for later.
    ParseText(text.data(), ListsKeptBeside(), true);
    PruneMarkers();
    // Until the recording's own text holds these lists, the journal is all there
    // is; a read-only recording leaves it be.
    journalPending = readOnly || !markers.empty() || !comments.empty();
    if (!readOnly) {
        dirty = true;
    }
    return true;
}

bool RecFile::WriteMarkerFile()
{
    const bool wasOpen = markerFile != nullptr;
    if (readOnly || !OpenMarkerFile()) {
        return false;
    }
    // An update every few seconds mostly finds the lists as they were: nothing to rewrite.
    if (wasOpen && journaled && journaled->markers == markers && journaled->comments == comments) {
        return true;
    }
    const std::string text = BuildText(true);
    const DWORD version = 1;
    const LONG length = static_cast<LONG>(text.size() + 1);
    // The old content stays whole unless the space for the new one is there.
    if (mmioReserve(markerFile, 0, 4 + LONGLONG(length)) != MMSYSERR_NOERROR || mmioSeek(markerFile, 0, SEEK_SET) != 0 ||
        mmioWrite(markerFile, reinterpret_cast<const char*>(&version), 4) != 4 ||
        mmioWrite(markerFile, text.c_str(), length) != length || mmioFlush(markerFile, 0) != MMSYSERR_NOERROR) {
        return false;
    }
    // Empty lists journal nothing: such a companion file is never worth keeping.
    journalPending = !markers.empty() || !comments.empty();
    if (!FlushMarkerFile()) {
        return false;
    }
    journaled = JournalLists{markers, comments};
    return true;
}

bool RecFile::FlushMarkerFile()
{
    if (!markerFile || readOnly) {
        return false;
    }
    // A close that reports a deferred write error leaves the handle open.
    if (mmioClose(markerFile, 0) != MMSYSERR_NOERROR) {
        return false;
    }
    markerFile = mmioOpenA(markerFileName.data(), nullptr, MMIO_READWRITE);
    return markerFile != nullptr;
}

bool RecFile::ReleaseMmio(HMMIO* handle)
{
    if (!*handle) {
        return true;
    }
    const bool ok = mmioClose(*handle, 0) == MMSYSERR_NOERROR;
    if (!ok) {
        mmioClose(*handle, 0);
    }
    *handle = nullptr;
    return ok;
}

bool RecFile::CloseMarkerFile()
{
    if (!markerFile) {
        return true;
    }
    const bool ok = ReleaseMmio(&markerFile);
    journaled.reset();
    // Deleted only once the recording's own text holds the lists, or when the
    // recording itself is gone.
    std::string recording = name;
    const bool recordingGone = recording.empty() || !mmioOpenA(recording.data(), nullptr, MMIO_EXIST);
    const bool needed = (journalPending || dirty) && !recordingGone;
    if (!needed) {
        mmioOpenA(markerFileName.data(), nullptr, MMIO_DELETE);
    }
    markerFileName.clear();
    return ok;
}

bool RecFile::MoveMarkerFile(const std::string& recording)
{
    const std::string from = markerFileName.empty() ? MarkerFileNameFor(name) : markerFileName;
    ReleaseMmio(&markerFile);
    journaled.reset();
    markerFileName.clear();
    std::string probe = from;
    if (from.empty() || !mmioOpenA(probe.data(), nullptr, MMIO_EXIST)) {
        return true;
    }
    const std::string to = MarkerFileNameFor(recording);
    if (to.empty()) {
        return false;
    }
    // A copy to another file system leaves the old one beside the old recording.
    const MoveResult moved = MoveRecordingFile(from, to);
    return moved == MoveResult::Moved || moved == MoveResult::Copied;
}

bool RecFile::CopyMarkerFile(const std::string& recording, const std::string& copy)
{
    const std::string from = MarkerFileNameFor(recording);
    if (from.empty() || !platform::NameExists(from)) {
        return true;
    }
    const std::string to = MarkerFileNameFor(copy);
    // One left under the new name belongs to a recording that is gone: the copy replaces it.
    return !to.empty() && platform::CopyRegularFile(from, to, false) == platform::CopyResult::Copied;
}

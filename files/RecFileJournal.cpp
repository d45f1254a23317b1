// The crash journal: the companion file that keeps the lists while a recording is open.
#include <algorithm>
#include <string>
#include <vector>

#include "files/RecFile.h"

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
    if (mmioOpenA(markerFileName.data(), nullptr, MMIO_EXIST)) {
        markerFile = mmioOpenA(markerFileName.data(), nullptr, MMIO_READWRITE);
    } else {
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
    ParseText(text.data(), false, true);
    PruneMarkers();
    if (!readOnly) {
        dirty = true;
    }
    return true;
}

bool RecFile::WriteMarkerFile()
{
    if (readOnly || !OpenMarkerFile()) {
        return false;
    }
    const std::string text = BuildText(true);
    const DWORD version = 1;
    mmioSeek(markerFile, 0, SEEK_SET);
    mmioWrite(markerFile, reinterpret_cast<const char*>(&version), 4);
    mmioWrite(markerFile, text.c_str(), static_cast<LONG>(text.size() + 1));
    mmioFlush(markerFile, 0);
    FlushMarkerFile();
    return true;
}

bool RecFile::FlushMarkerFile()
{
    if (!markerFile || readOnly) {
        return false;
    }
    mmioClose(markerFile, 0);
    markerFile = mmioOpenA(markerFileName.data(), nullptr, MMIO_READWRITE);
    return true;
}

bool RecFile::CloseMarkerFile()
{
    if (!markerFile) {
        return true;
    }
    const bool ok = mmioClose(markerFile, 0) == MMSYSERR_NOERROR;
    markerFile = nullptr;
    mmioOpenA(markerFileName.data(), nullptr, MMIO_DELETE);
    markerFileName.clear();
    return ok;
}

// The life cycle every recording file shares: a temporary name at open, rename, Delete; the containers supply the hooks.
#include <string>
#include <sys/stat.h>

#include "files/FileMove.h"
#include "files/FileNames.h"
#include "files/RecFile.h"
#include "platform/kernel/Files.h"
#include "platform/mmio/Mmio.h"

bool RecFileStorage::MakeTemporaryName(char* out) { return MakeTempFileName(out); }

bool RecFile::NameForOpen()
{
    if (!name.empty()) {
        tempName = false;
        return true;
    }
    char temp[MAX_PATH] = "";
    if ((openFlags & 3) == 0 || !MakeTemporaryName(temp)) {
        openError = 1;
        return false;
    }
    SetName(temp);
    tempName = true;
    return true;
}

HMMIO RecFile::OpenExisting(DWORD flags)
{
    HMMIO handle = mmioOpenA(name.data(), nullptr, flags);
    if (!handle) {
        handle = mmioOpenA(name.data(), nullptr, openFlags & ~DWORD(3));
        if (handle) {
            readOnly = true;
        }
    }
    if (!handle) {
        openError = 1;
        return nullptr;
    }
    if ((openFlags & 3) == 0) {
        readOnly = true;
    }
    return handle;
}

bool RecFile::FinishClose(bool wasDirty, bool result)
{
    if (!tempName) {
        return result;
    }
    if (wasDirty) {
        return false;
    }
    RemoveNamedFile();
    return true;
}

void RecFile::RemoveNamedFile()
{
    struct stat st {};
    if (!name.empty() && stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        DeleteFileA(name.c_str());
    }
}

bool RecFile::Delete()
{
    if (readOnly) {
        return false;
    }
    if (!close()) {
        ReleaseFile();
    }
    RemoveNamedFile();
    SetName("");
    ForgetAudio();
    dirty = false;
    return true;
}

bool RecFile::rename(const char* newName)
{
    if (!newName) {
        return false;
    }
    const std::string context = std::string(errorContext) + " rename";
    const DWORD saved = GetPosition();
    if (!update()) {
        Error("cannot update during rename", "");
        return false;
    }
    // The file moves rather than goes: its close must not delete it.
    const bool wasTemp = tempName;
    tempName = false;
    if (!close()) {
        tempName = wasTemp;
        return false;
    }
    const std::string target(newName);
    switch (MoveRecordingFile(name, target)) {
    case MoveResult::Moved:
    case MoveResult::Copied: break;
    case MoveResult::TargetNotDeleted: Error("Can't delete file for rename", context.c_str()); return false;
    case MoveResult::SourceFailed: Error("Can't open input file for rename/copy", context.c_str()); return false;
    case MoveResult::TargetFailed: Error("Can't open output file for rename/copy", context.c_str()); return false;
    }
    // Lists kept only in the companion file go along with the recording.
    const bool listsMoved = !ListsKeptBeside() || MoveMarkerFile(target);
    SetName(target.c_str());
    openFlags &= ~MMIO_CREATE;
    if (!open()) {
        return false;
    }
    position(saved);
    return listsMoved;
}

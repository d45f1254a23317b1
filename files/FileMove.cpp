// The one move-or-copy of the recording file classes.
#include "files/FileMove.h"

#include "platform/core/Strings.h"
#include "platform/kernel/FileCopy.h"
#include "platform/kernel/Files.h"
#include "platform/mmio/Mmio.h"

MoveResult MoveRecordingFile(const std::string& from, const std::string& to)
{
    // Deleting "the other file" first would delete the recording itself.
    char fullFrom[MAX_PATH];
    char fullTo[MAX_PATH];
    const DWORD a = GetFullPathNameA(from.c_str(), MAX_PATH, fullFrom, nullptr);
    const DWORD b = GetFullPathNameA(to.c_str(), MAX_PATH, fullTo, nullptr);
    if (a > 0 && a < MAX_PATH && b > 0 && b < MAX_PATH && std::string(fullFrom) == fullTo) {
        return MoveResult::Moved;
    }
    std::string target = to;
    if (mmioOpenA(target.data(), nullptr, MMIO_EXIST) && !mmioOpenA(target.data(), nullptr, MMIO_DELETE)) {
        return MoveResult::TargetNotDeleted;
    }
    if (mmioRenameA(from.c_str(), to.c_str(), nullptr, 0) == MMSYSERR_NOERROR || lstrcmpiA(from.c_str(), to.c_str()) == 0) {
        return MoveResult::Moved;
    }
    switch (platform::CopyRegularFile(from, to, false)) {
    case platform::CopyResult::Copied: return MoveResult::Copied;
    case platform::CopyResult::SourceFailed: return MoveResult::SourceFailed;
    case platform::CopyResult::TargetFailed: break;
    }
    return MoveResult::TargetFailed;
}

// The clip on the clipboard: whole clip files to and from it, and saving the clip as a file.
#include <string>

#include "files/ClipEdit.h"
#include "files/ClipboardFiles.h"
#include "files/FileType.h"
#include "platform/kernel/Files.h"
#include "platform/user/Clipboard.h"
#include "platform/user/CommonDialogs.h"

namespace {
constexpr std::size_t kCopyUnit = 600000;

// The dialog takes pairs of texts each ended by a NUL; ours are written with "|".
std::string DialogFilter(const char* text)
{
    std::string filter = text;
    for (char& c : filter) {
        if (c == '|') {
            c = '\0';
        }
    }
    return filter + '\0';
}
}

bool ClipboardHasAudio(int type, bool useClipboard)
{
    if (type < 0) {
        return ClipboardHasAudio(FileTypeWave, useClipboard) || ClipboardHasAudio(FileTypeMp3, useClipboard) ||
               ClipboardHasAudio(FileTypeOgg, useClipboard);
    }
    if (type != FileTypeWave && type != FileTypeMp3 && type != FileTypeOgg) {
        return false;
    }
    if (useClipboard) {
        return IsClipboardFormatAvailable(ClipboardFormatOf(type)) != FALSE;
    }
    return ClipStore() && ClipStore()->GetFileType() == type;
}

bool ClipEdit::CopyFileToClipboard(const char* name)
{
    const int type = GetFileTypeFromName(name);
    const bool ok = FileToClipboard(OwnerHandle(), name, ClipboardFormatOf(type), kCopyUnit,
                                    [this](std::uint64_t remaining, std::uint64_t total) {
                                        ProgressShow("Copying audio to clipboard...");
                                        ProgressPercent(TransferPercent(remaining, total));
                                        return !ProgressCancelled();
                                    });
    ProgressClose();
    return ok;
}

bool ClipEdit::PasteClipboardToFile(const char* name)
{
    const int type = GetFileTypeFromName(name);
    const ClipboardToFileResult result =
        ClipboardToFile(OwnerHandle(), ClipboardFormatOf(type), name, kCopyUnit, [this](std::uint64_t remaining, std::uint64_t total) {
            ProgressShow("Copying clipboard audio to disk...");
            ProgressPercent(TransferPercent(remaining, total));
            return !ProgressCancelled();
        });
    ProgressClose();
    return result == ClipboardToFileResult::Written;
}

bool ClipEdit::MoveClipToClipboard()
{
    MediaFile* clip = ClipStore();
    if (!clip) {
        return false;
    }
    // Whole on disk once updated; it stays open, so that on failure it is
    // still where a paste finds it.
    const std::string name = clip->GetName();
    if (!clip->update() || !CopyFileToClipboard(name.c_str())) {
        return false;
    }
    // Its temporary file goes with it.
    ReplaceClipStore(nullptr);
    return true;
}

int ClipEdit::SaveClip(const char* name)
{
    if (useClipboard) {
        const int type = *currentFile ? (*currentFile)->GetFileType() : FileTypeWave;
        if (!ClipboardHasAudio(type, true)) {
            return NoClipboardAudio;
        }
        return PasteClipboardToFile(name) ? Done : SaveNotWritten;
    }
    MediaFile* clip = ClipStore();
    if (!clip) {
        return ClipStoreEmpty;
    }
    char chosen[MAX_PATH] = "";
    if (!name || !*name) {
        const int type = clip->GetFileType();
        const char* filter = type == FileTypeMp3   ? "Mp3 file (*.mp3)|*.mp3|"
                             : type == FileTypeWmv ? "WinMedia file (*.wmv)|*.wmv|"
                             : type == FileTypeOgg ? "Vorbis file (*.ogg)|*.ogg|"
                                                   : "Wave file (*.wav)|*.wav|";
        const std::string filters = DialogFilter(filter);
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = OwnerHandle();
        ofn.lpstrFilter = filters.c_str();
        ofn.lpstrFile = chosen;
        ofn.nMaxFile = sizeof chosen;
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER;
        ofn.lpstrDefExt = FileTypeName(type);
        if (!GetSaveFileNameA(&ofn)) {
            return SaveCancelled;
        }
        name = chosen;
    }
    // Every byte of the clip is on disk before the copy; the update keeps it
    // open (a close would drop a clip under a temporary name).
    if (!clip->update() || !CopyFileA(clip->GetName(), name, FALSE)) {
        return SaveNotWritten;
    }
    return Done;
}

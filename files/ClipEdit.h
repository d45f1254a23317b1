#pragma once
// Clip operations on the current recording: copy, cut, paste and insert byte
// ranges with the markers and comments they hold, and saving the clip as a
// file; the clip lives in the clip store or, with the UseWinClip setting the
// caller passes in, on the clipboard.
#include <memory>

#include "files/MediaFile.h"

namespace OWL {
class TWindow;
}
namespace platform {
class MessageHold;
}
class ClipProgress;
class RecFile;

// The clip of the last Copy or Cut while the clipboard is not used, or the
// clip a paste reads from; null when empty.
MediaFile* ClipStore();
// Replaces the clip: the old object is deleted, and its file first when it
// holds a temporary name.
void ReplaceClipStore(MediaFile* clip);

// A recording file object of the name's type (of `type` without a name: then
// under a new temporary name, which it deletes when dropped), opened; null for
// a type without a file class.
MediaFile* CreateClipFile(const char* name, const WAVEFORMATEX* format, DWORD openFlags, int type);
// With useClipboard (the UseWinClip setting), whether the clipboard holds audio
// of the type (negative: of any); without, whether the clip store holds a file of that type.
bool ClipboardHasAudio(int type, bool useClipboard);

class ClipEdit {
public:
    // useClipboard: the UseWinClip setting; progress (may be null) shows long copies and offers their Cancel.
    ClipEdit(MediaFile** currentFile, OWL::TWindow* owner, bool useClipboard, ClipProgress* progress);
    ~ClipEdit();
    ClipEdit(const ClipEdit&) = delete;
    ClipEdit& operator=(const ClipEdit&) = delete;

    // Results: 1 cut done, 0 done, negative codes as below.
    enum Result {
        CutDone = 1,
        Done = 0,
        NoFileToCut = -1,
        NoWorkingFile = -3,  // copy: no current file; cut: the working file
        NoClipFile = -4,
        CopyCancelled = -6,
        ClipboardNotWritten = -7,
        NoClipObject = -8,
        ClipWithoutFormat = -9,
        ClipNotOpen = -10,
        NoNewFile = -11,
        OtherFormat = -12,
        NoPasteWorkingFile = -14,
        NoClipboardAudio = -15,
        SaveNotWritten = -16,
        ClipStoreEmpty = -17,
        SaveCancelled = -18,
        NotOnClipboard = -19,
    };

    // Byte positions in either order; the range is [min, max).
    int Copy(DWORD a, DWORD b);
    int Cut(DWORD a, DWORD b);
    // DWORD(-1): at the current position.
    int Paste(DWORD position);
    int InsertFile(DWORD position, const char* name);
    // Empty or null: asks for the name.
    int SaveClip(const char* name);

    // Copies count units of the source from its position to the end of the
    // destination, with the markers and comments of that range; returns what
    // reached the destination, less than count after a failed write or a cancel.
    DWORD CopyData(MediaFile* destination, MediaFile* source, DWORD count, const char* text);
    bool CopyFileToClipboard(const char* name);
    bool PasteClipboardToFile(const char* name);

private:
    void ProgressShow(const char* text);
    void ProgressPercent(int percent);
    bool ProgressCancelled() const;
    void ProgressClose();

    // An empty clip of the file's format and type in the store, or null (the store then empty).
    MediaFile* NewClip(MediaFile* file);
    // CopyData of [start, start + count) of from; false once a copy failed or was cancelled.
    bool CopyRange(MediaFile* to, MediaFile* from, DWORD start, DWORD count, const char* text);
    void CopyMarks(RecFile* destination, RecFile* source, DWORD s0, DWORD s1, DWORD d0);
    // Whether the current file may be rebuilt from a working file (type, write access).
    bool CanRebuild() const;
    // A new file for the rebuilt recording, in the recording's own folder.
    MediaFile* MakeWorkingFile();
    // Puts the finished working file in place of the current file by one
    // rename and makes it the current file; on failure the current file stays
    // open and as it was, and the working file is gone.
    bool ReplaceCurrent(MediaFile* working);
    static void DropWorkingFile(MediaFile* working);
    // The position where the file's reads and writes really stand for pos.
    DWORD Aligned(MediaFile* file, DWORD pos);
    // Hands the clip in the store to the clipboard and empties the store; on
    // failure the clip stays in the store.
    bool MoveClipToClipboard();
    // Paste and InsertFile once the clip is in the store; dropClip empties the
    // store at the end (the clip came from the clipboard or a given file).
    int InsertClip(DWORD position, bool dropClip);
    bool UsesClipboard() const { return useClipboard; }
    HWND OwnerHandle() const;

    MediaFile** currentFile;
    OWL::TWindow* owner;
    bool useClipboard;
    ClipProgress* progress;
    bool copyFailed = false;
    std::unique_ptr<platform::MessageHold> hold;
};

// Copy, Cut, Paste and InsertFile on the current recording.
#include "files/ClipEdit.h"

#include <algorithm>
#include <cstring>

#include "files/FileNames.h"
#include "files/FileType.h"
#include "owl/Window.h"
#include "platform/kernel/Files.h"
#include "platform/mmio/Mmio.h"
#include "platform/user/MessageHold.h"

namespace {
constexpr DWORD kCreateReadWrite = MMIO_CREATE | MMIO_READWRITE;

bool SameFormat(const WAVEFORMATEX* a, const WAVEFORMATEX* b)
{
    if (!a || !b) {
        return false;
    }
    const std::size_t sizeA = a->wFormatTag == WAVE_FORMAT_PCM ? 18 : 18 + std::size_t(a->cbSize);
    const std::size_t sizeB = b->wFormatTag == WAVE_FORMAT_PCM ? 18 : 18 + std::size_t(b->cbSize);
    return sizeA == sizeB && std::memcmp(a, b, sizeA) == 0;
}
}

ClipEdit::ClipEdit(MediaFile** slot, OWL::TWindow* ownerWindow, bool clipboard, ClipProgress* progressShown)
    : currentFile(slot), owner(ownerWindow), useClipboard(clipboard), progress(progressShown)
{
}

ClipEdit::~ClipEdit() { ProgressClose(); }

HWND ClipEdit::OwnerHandle() const { return owner ? owner->GetHandle() : nullptr; }

bool ClipEdit::CopyRange(MediaFile* to, MediaFile* from, DWORD start, DWORD count, const char* text)
{
    if (ProgressCancelled() || copyFailed) {
        return false;
    }
    // Each range is read from its own start.
    from->position(start);
    return CopyData(to, from, count, text) == count && !copyFailed && !ProgressCancelled();
}

MediaFile* ClipEdit::NewClip(MediaFile* file)
{
    MediaFile* clip = CreateClipFile(nullptr, file->GetFormat(), kCreateReadWrite, file->GetFileType());
    ReplaceClipStore(clip);
    if (!clip || !clip->IsOpen()) {
        ReplaceClipStore(nullptr);
        return nullptr;
    }
    clip->position(clip->GetLength());
    return clip;
}

int ClipEdit::Copy(DWORD a, DWORD b)
{
    MediaFile* file = *currentFile;
    if (!file) {
        return NoWorkingFile;
    }
    const DWORD saved = file->GetPosition();
    // An Ogg clip would carry a new encoder's headers before the source's
    // packets: nothing could decode it.
    if (file->GetFileType() == FileTypeOgg) {
        return NoClipFile;
    }
    const DWORD lo = Aligned(file, std::min(a, b));
    const DWORD hi = Aligned(file, std::max(a, b));
    MediaFile* clip = NewClip(file);
    if (!clip) {
        file->position(saved);
        return NoClipFile;
    }
    copyFailed = false;
    file->position(lo);
    const DWORD copied = CopyData(clip, file, hi - lo, " Copying to temp file");
    const bool updated = clip->update();
    if (ProgressCancelled() || copied != hi - lo || copyFailed || !updated) {
        const bool cancelled = ProgressCancelled();
        ProgressClose();
        ReplaceClipStore(nullptr);
        file->position(saved);
        return cancelled ? CopyCancelled : NoClipFile;
    }
    ProgressClose();
    int result = Done;
    if (UsesClipboard() && !MoveClipToClipboard()) {
        result = NotOnClipboard;
    }
    file->position(saved);
    return result;
}

int ClipEdit::Cut(DWORD a, DWORD b)
{
    MediaFile* file = *currentFile;
    if (!file) {
        return NoFileToCut;
    }
    if (!CanRebuild()) {
        return NoWorkingFile;
    }
    const DWORD saved = file->GetPosition();
    const DWORD end = file->GetLength();
    const DWORD lo = Aligned(file, std::min(a, b));
    const DWORD hi = Aligned(file, std::max(a, b));
    MediaFile* clip = NewClip(file);
    if (!clip) {
        file->position(saved);
        return NoClipFile;
    }
    MediaFile* working = MakeWorkingFile();
    if (!working) {
        ReplaceClipStore(nullptr);
        file->position(saved);
        return NoWorkingFile;
    }
    copyFailed = false;
    const bool copied = CopyRange(working, file, 0, lo, "Copying audio data 1/3") &&
                        CopyRange(clip, file, lo, hi - lo, "Copying audio to clipboard 2/3") &&
                        CopyRange(working, file, hi, end - hi, "Copying audio data 3/3") && clip->update();
    const bool cancelled = ProgressCancelled();
    if (!copied) {
        DropWorkingFile(working);
    }
    if (!copied || !ReplaceCurrent(working)) {
        ProgressClose();
        ReplaceClipStore(nullptr);
        (*currentFile)->position(saved);
        return cancelled ? CopyCancelled : NoWorkingFile;
    }
    ProgressClose();
    (*currentFile)->update();
    (*currentFile)->position(lo);
    if (UsesClipboard() && !MoveClipToClipboard()) {
        return NotOnClipboard;
    }
    return CutDone;
}

int ClipEdit::Paste(DWORD position)
{
    MediaFile* file = *currentFile;
    if (position == DWORD(-1)) {
        position = file ? file->GetPosition() : 0;
    }
    if (file && !CanRebuild()) {
        return NoPasteWorkingFile;
    }
    if (UsesClipboard()) {
        int type = file ? file->GetFileType() : FileTypeWave;
        if (!file) {
            for (int t : {FileTypeWave, FileTypeMp3, FileTypeOgg}) {
                if (ClipboardHasAudio(t, true)) {
                    type = t;
                    break;
                }
            }
        }
        char folder[MAX_PATH];
        char temp[MAX_PATH] = "";
        if (!GetTempFolder(sizeof folder, folder)) {
            return ClipboardNotWritten;
        }
        MakeUniqueFileName("temp", FileTypeName(type), temp, true, folder);
        if (!PasteClipboardToFile(temp)) {
            return ClipboardNotWritten;
        }
        MediaFile* clip = CreateClipFile(temp, nullptr, 0, type);
        if (!clip) {
            DeleteFileA(temp);
        } else {
            clip->SetTempName(true);
        }
        ReplaceClipStore(clip);
    }
    return InsertClip(position, UsesClipboard());
}

int ClipEdit::InsertFile(DWORD position, const char* name)
{
    if (*currentFile && !CanRebuild()) {
        return NoPasteWorkingFile;
    }
    ReplaceClipStore(name && *name ? CreateClipFile(name, nullptr, 0, FileTypeDefault) : nullptr);
    return InsertClip(position, true);
}

int ClipEdit::InsertClip(DWORD position, bool dropClip)
{
    MediaFile* clip = ClipStore();
    const auto fail = [&](int code) {
        ProgressClose();
        if (dropClip) {
            ReplaceClipStore(nullptr);
        }
        return code;
    };
    if (!clip) {
        return fail(NoClipObject);
    }
    if (!clip->GetFormat()) {
        return fail(ClipWithoutFormat);
    }
    if (!clip->IsOpen()) {
        return fail(ClipNotOpen);
    }
    if (clip->GetFileType() == FileTypeOgg) {
        return fail(NoPasteWorkingFile);
    }
    bool made = false;
    if (!*currentFile) {
        MediaFile* fresh = CreateClipFile(nullptr, clip->GetFormat(), kCreateReadWrite, clip->GetFileType());
        if (!fresh || !fresh->IsOpen() || !fresh->update()) {
            if (fresh) {
                fresh->Delete();
            }
            delete fresh;
            return fail(NoNewFile);
        }
        *currentFile = fresh;
        made = true;
    }
    MediaFile* file = *currentFile;
    const auto failFresh = [&](int code) {
        if (made) {
            file->Delete();
            delete file;
            *currentFile = nullptr;
        }
        return fail(code);
    };
    // Bytes of another format would turn into noise inside the recording.
    if (!SameFormat(clip->GetFormat(), file->GetFormat())) {
        return failFresh(OtherFormat);
    }
    const DWORD saved = file->GetPosition();
    const DWORD end = file->GetLength();
    const DWORD at = Aligned(file, std::min(position, end));
    MediaFile* working = MakeWorkingFile();
    if (!working) {
        file->position(saved);
        return failFresh(NoPasteWorkingFile);
    }
    copyFailed = false;
    const bool copied = CopyRange(working, file, 0, at, " Copying before insert ") &&
                        CopyRange(working, clip, 0, clip->GetLength(), " Inserting paste buffer") &&
                        CopyRange(working, file, at, end - at, " Appending end buffer");
    const bool cancelled = ProgressCancelled();
    if (!copied) {
        DropWorkingFile(working);
    }
    if (!copied || !ReplaceCurrent(working)) {
        (*currentFile)->position(saved);
        return failFresh(cancelled ? CopyCancelled : NoPasteWorkingFile);
    }
    ProgressClose();
    (*currentFile)->update();
    (*currentFile)->position(at);
    if (dropClip) {
        ReplaceClipStore(nullptr);
    }
    return Done;
}

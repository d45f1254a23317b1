// Rebuilding the current recording from a working file: where the working file is made and how it takes the recording's place.
#include <algorithm>
#include <string>

#include "files/ClipEdit.h"
#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/RecFile.h"
#include "platform/core/Path.h"
#include "platform/kernel/FileCopy.h"
#include "platform/mmio/Mmio.h"

bool ClipEdit::CanRebuild() const
{
    MediaFile* file = *currentFile;
    // An Ogg recording rebuilt by a new encoder would carry headers that do
    // not fit the copied packets.
    return file && !file->IsReadOnly() && file->GetFileType() != FileTypeOgg;
}

DWORD ClipEdit::Aligned(MediaFile* file, DWORD pos)
{
    const WAVEFORMATEX* f = file->GetFormat();
    if (f && f->nBlockAlign > 1) {
        pos -= pos % f->nBlockAlign;
    }
    pos = std::min(pos, file->GetLength());
    // The file's own seek lands where its reads start (a block, a frame).
    return file->position(pos) ? file->GetPosition() : pos;
}

MediaFile* ClipEdit::MakeWorkingFile()
{
    MediaFile* file = *currentFile;
    // Beside the recording, so that one rename on the same file system replaces it.
    const std::string folder(platform::FolderPart(file->GetName()));
    if (folder.empty()) {
        return nullptr;
    }
    const int type = file->GetFileType();
    char name[MAX_PATH] = "";
    MakeUniqueFileName("~rec", FileTypeName(type), name, true, folder.c_str());
    // Without MMIO_CREATE: the free name makes a new file, and a reopen after the swap keeps it.
    MediaFile* working = CreateClipFile(name, file->GetFormat(), MMIO_READWRITE, type);
    if (working && !working->IsOpen()) {
        DropWorkingFile(working);
        working = nullptr;
    }
    return working;
}

void ClipEdit::DropWorkingFile(MediaFile* working)
{
    working->Delete();
    delete working;
}

bool ClipEdit::ReplaceCurrent(MediaFile* working)
{
    MediaFile* file = *currentFile;
    // The recording's own pending text goes to the recording while it is still
    // there; afterwards the old object has nothing left to write anywhere.
    if (!working->update() || !working->close() || !file->update()) {
        DropWorkingFile(working);
        return false;
    }
    // The journal goes with the working name, which the next working file may take again.
    if (auto* lists = dynamic_cast<RecFile*>(working)) {
        lists->CloseMarkerFile();
    }
    const std::string target = file->GetName();
    const bool temporary = file->HasTempName();
    if (!platform::ReplaceDurably(platform::ToSlashes(working->GetName()), platform::ToSlashes(target))) {
        DropWorkingFile(working);
        return false;
    }
    // Gone before the new object opens under the name: its close must not
    // delete the name (a temporary recording) or the new file's journal.
    file->SetTempName(false);
    delete file;
    *currentFile = working;
    working->SetName(target.c_str());
    // Done once the name holds the new recording: it is whole on disk even
    // should this open fail.
    working->Reopen();
    working->SetTempName(temporary);
    return true;
}

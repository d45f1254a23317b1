// TAppDialog: saving the open recording (headers, its final name, a move or a
// copy to another name), the question before a recording is dropped, and the close check.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/Progress.h"
#include "controls/SubjectDialog.h"
#include "files/ClipboardFiles.h"
#include "files/FileType.h"
#include "files/RecFile.h"
#include "owl/Application.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/mmio/Mmio.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"
#include "settings/FileSettings.h"

namespace {
constexpr LONG kCopyBlock = 45000;

std::string FullPath(const char* name)
{
    char full[MAX_PATH] = "";
    if (!name || GetFullPathNameA(name, sizeof full, full, nullptr) == 0) {
        return name ? platform::ToSlashes(name) : std::string();
    }
    return full;
}

std::string VolumeOf(const std::string& path)
{
    char volume[MAX_PATH] = "";
    return GetVolumePathNameA(path.c_str(), volume, sizeof volume) ? std::string(volume) : std::string();
}
}

void TAppDialog::PumpMessages()
{
    if (OWL::TApplication* app = GetApplication()) {
        app->PumpWaitingMessages();
        return;
    }
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        platform::ProcessMessage(&msg);
    }
}

std::string TAppDialog::WithTypeEnding(const char* name) const
{
    std::string result = name ? name : "";
    if (!currentFile || result.empty()) {
        return result;
    }
    const int type = currentFile->GetFileType();
    if (GetFileTypeFromName(result.c_str()) == (type == FileTypeWmv ? FileTypeWave : type)) {
        return result;
    }
    // A name chosen with another type's ending keeps the recording's own type.
    const std::size_t slash = platform::LastSeparator(result);
    const std::size_t dot = result.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) && dot + 1 < result.size()) {
        result.resize(dot);
    }
    return result + "." + FileTypeName(type);
}

TAppDialog::CopyOutcome TAppDialog::RunCopy(TProgress* progress, const char* captionFormat, std::uint64_t total,
                                            const std::function<bool(char*, LONG)>& step)
{
    std::vector<char> buffer(kCopyBlock);
    std::uint64_t remaining = total;
    while (remaining > 0) {
        const int percent = TransferPercent(remaining, total);
        char caption[64];
        std::snprintf(caption, sizeof caption, captionFormat, percent);
        SetFrameCaption(caption);
        progress->SetPercent(percent);
        PumpMessages();
        if (progress->IsCancelled()) {
            return CopyOutcome::Cancelled;
        }
        const LONG n = static_cast<LONG>(std::min<std::uint64_t>(remaining, kCopyBlock));
        if (!step(buffer.data(), n)) {
            return CopyOutcome::Failed;
        }
        remaining -= static_cast<std::uint64_t>(n);
    }
    return CopyOutcome::Done;
}

TAppDialog::CopyOutcome TAppDialog::CopyRecording(const std::string& from, const std::string& to)
{
    HMMIO in = mmioOpenA(const_cast<char*>(from.c_str()), nullptr, 0);
    if (!in) {
        return CopyOutcome::NoInput;
    }
    HMMIO out = mmioOpenA(const_cast<char*>(to.c_str()), nullptr, MMIO_CREATE | MMIO_WRITE);
    if (!out) {
        mmioClose(in, 0);
        return CopyOutcome::NoOutput;
    }
    const LONGLONG end = mmioSeek(in, 0, SEEK_END);
    CopyOutcome outcome = CopyOutcome::Failed;
    if (end >= 0 && mmioSeek(in, 0, SEEK_SET) == 0) {
        auto* progress = new TProgress(this, "Copying audio data");
        progress->Create();
        outcome = RunCopy(progress, " Copying audio file %d%%", static_cast<std::uint64_t>(end), [&](char* buffer, LONG n) {
            return mmioRead(in, buffer, n) == n && mmioWrite(out, buffer, n) == n;
        });
        progress->Destroy();
        delete progress;
    }
    mmioClose(in, 0);
    if (mmioClose(out, 0) != MMSYSERR_NOERROR && outcome == CopyOutcome::Done) {
        outcome = CopyOutcome::Failed;
    }
    // Lists kept beside the recording (an MP3 without its tag) are part of the copy.
    if (outcome == CopyOutcome::Done && !RecFile::CopyMarkerFile(from, to)) {
        outcome = CopyOutcome::Failed;
    }
    return outcome;
}

bool TAppDialog::RenameRecording(const std::string& to)
{
    const std::string old = currentFile->GetName();
    const bool generated = currentFile->HasTempName();
    if (!currentFile->rename(to.c_str())) {
        if (!currentFile->IsOpen()) {
            currentFile->Reopen();
        }
        MessageBox("Can't open output file for rename/copy", "rename", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // A move to another file system copies: the generated original has served its turn.
    if (generated && old != currentFile->GetName() && platform::NameExists(old)) {
        DeleteFileA(old.c_str());
    }
    platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, currentFile->GetName());
    return true;
}

bool TAppDialog::savefile(const char* newName, bool closeAfter)
{
    if (!currentFile) {
        return true;
    }
    const DWORD remembered = currentFile->GetPosition();
    if (!currentFile->update()) {
        Warning("Can't update the recording file.");
    }
    const bool named = newName && *newName;
    if (currentFile->GetDataSize() == 0 && !named && closeAfter) {
        if (currentFile->HasTempName()) {
            currentFile->Delete();
        }
        delete currentFile;
        currentFile = nullptr;
        RefreshAfterClose();
        return true;
    }
    if (named) {
        const std::string target = WithTypeEnding(FullPath(newName).c_str());
        const std::string present = FullPath(currentFile->GetName());
        if (target != present) {
            if (platform::NameExists(target) && !mmioOpenA(const_cast<char*>(target.c_str()), nullptr, MMIO_DELETE)) {
                ShowMessage(3195, MB_OK | MB_ICONEXCLAMATION);
            }
            if (currentFile->HasTempName() || VolumeOf(present) != VolumeOf(target)) {
                if (!RenameRecording(target)) {
                    return false;
                }
            } else {
                EngineBusy busy(*this);
                const std::string old = present;
                const int type = currentFile->GetFileType();
                delete currentFile;
                currentFile = nullptr;
                const CopyOutcome outcome = CopyRecording(old, target);
                if (outcome == CopyOutcome::NoInput || outcome == CopyOutcome::NoOutput) {
                    MessageBox(outcome == CopyOutcome::NoInput ? "Can't open input file for rename/copy"
                                                               : "Can't open output file for rename/copy",
                               "rename", MB_OK | MB_ICONEXCLAMATION);
                    platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, old);
                    UpdateCaption(nullptr, false);
                    return false;
                }
                const bool done = outcome == CopyOutcome::Done;
                if (!done) {
                    // A short or cancelled copy is no recording: drop it and go on with the original.
                    DeleteFileA(target.c_str());
                }
                platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, done ? target : old);
                openfile(CurrentFileName, type);
                if (currentFile) {
                    position(remembered, true);
                }
                if (outcome == CopyOutcome::Failed) {
                    MessageBox("The copy could not be written completely; the recording was kept under its old "
                               "name.\n(savefile)",
                               "rename", MB_OK | MB_ICONEXCLAMATION);
                }
                if (!currentFile) {
                    return false;
                }
                if (done) {
                    return true;
                }
            }
        }
    }
    if (currentFile->HasTempName() && !named) {
        if (AutoName && !AutoPrompt) {
            currentFile->SetTempName(false);
        } else {
            char chosen[MAX_PATH] = "";
            const NameChoice choice = AutoName ? AskForCategory(chosen, closeAfter) : AskForName(chosen, sizeof chosen);
            if (choice == NameChoice::Discard && closeAfter) {
                currentFile->Delete();
                delete currentFile;
                currentFile = nullptr;
                RefreshAfterClose();
                return false;
            }
            if (choice == NameChoice::Chosen) {
                RenameRecording(chosen);
            }
        }
    }
    if (closeAfter) {
        // A recording whose naming was cancelled stays on disk under its generated name.
        ForgetCurrentFile();
        RefreshAfterClose();
    } else {
        position(remembered, true);
        UpdateCaption(nullptr, false);
    }
    return true;
}

TAppDialog::NameChoice TAppDialog::AskForName(char* out, std::size_t size)
{
    const int type = currentFile->GetFileType();
    OWL::TOpenSaveDialog::TData data(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER,
                                     type == FileTypeMp3   ? "MP3 files (*.mp3)|*.mp3|"
                                     : type == FileTypeOgg ? "Vorbis files (*.ogg)|*.ogg|"
                                                           : "Wave files (*.wav)|*.wav|",
                                     nullptr, nullptr, "wav");
    OWL::TFileSaveDialog dialog(Parent ? Parent : this, data);
    if (dialog.Execute() != IDOK || data.FileName.empty()) {
        return NameChoice::Keep;
    }
    platform::CopyBounded(out, size, WithTypeEnding(FullPath(data.FileName.c_str()).c_str()));
    return NameChoice::Chosen;
}

TAppDialog::NameChoice TAppDialog::AskForCategory(char (&out)[MAX_PATH], bool closing)
{
    char category[TSubjectDialog::kNameSize] = "none";
    TSubjectDialog dialog(Parent ? Parent : this, "AutoPrompt", "Please enter category for recording:", category,
                          DefaultDirectory);
    if (dialog.Execute() != IDOK && closing) {
        return NameChoice::Discard;
    }
    if (!category[0]) {
        platform::CopyBounded(category, sizeof category, "none");
    }
    return MakeRecordFileName(category, out, false, currentFile->GetFileType()) ? NameChoice::Chosen : NameChoice::Keep;
}

void TAppDialog::RefreshAfterClose()
{
    UpdateCaption(nullptr, false);
    ShowFileSize();
    ShowDiskSpace();
    ShowFormatText();
}

bool TAppDialog::filecanclose()
{
    if (!currentFile) {
        return true;
    }
    if (!currentFile->HasTempName()) {
        savefile(nullptr, true);
        return true;
    }
    if (currentFile->GetDataSize() == 0) {
        currentFile->Delete();
        delete currentFile;
        currentFile = nullptr;
        return true;
    }
    if (AutoName) {
        savefile(nullptr, true);
        return true;
    }
    const int answer = MessageBox(MessageText(3222).c_str(), MessageText(3223).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) {
        return false;
    }
    if (answer == IDYES) {
        // Cancel in the save dialog takes back the Yes: the take stays open and nothing closes.
        char chosen[MAX_PATH] = "";
        if (AskForName(chosen, sizeof chosen) != NameChoice::Chosen) {
            return false;
        }
        return savefile(chosen, true) || !currentFile;
    }
    if (!currentFile->Delete()) {
        ShowMessage(3220, MB_OK | MB_ICONEXCLAMATION);
    }
    delete currentFile;
    currentFile = nullptr;
    return true;
}

void TAppDialog::EndSession()
{
    if (waveIn || waveOut) {
        stop();
    }
    if (currentFile) {
        if (!currentFile->update()) {
            Warning("Can't update the recording file.");
        }
        NameTakeByPattern();
        ForgetCurrentFile();
    }
    FreeBuffers();
}

void TAppDialog::NameTakeByPattern()
{
    // Nobody is asked: the take goes where the pattern puts it, and when that fails
    // it stays under its temporary name, since every recording is kept.
    if (currentFile && currentFile->HasTempName() && currentFile->GetDataSize() > 0) {
        char name[MAX_PATH] = "";
        if (MakeRecordFileName(ImprovedFilePrefix, name, false, currentFile->GetFileType()) &&
            !platform::NameExists(name)) {
            currentFile->rename(name);
        }
    }
}

bool TAppDialog::CanClose()
{
    if (waveIn || waveOut) {
        stop();
    }
    const bool allowed = filecanclose();
    if (allowed) {
        FreeBuffers();
    }
    return allowed;
}

bool TAppDialog::HasDiskSpace(std::uint64_t bytes, const char* folder)
{
    std::uint64_t free = 0;
    if (!FreeBytes(folder && *folder ? std::string(folder) : RecordingFolder(), &free)) {
        return true;
    }
    return bytes < free;
}

// TAppDialog: a whole recording file copied to the clipboard and clipboard audio written back to a file.
#include <cstdio>
#include <memory>
#include <string>

#include "controls/Progress.h"
#include "files/ClipboardFiles.h"
#include "files/FileType.h"
#include "platform/core/Path.h"
#include "platform/user/MessageHold.h"
#include "recorder/AppDialog.h"

namespace {
constexpr std::size_t kClipboardStep = 45000;

// The progress window of one transfer; every other window's messages wait
// until it is over, so nothing runs inside the copy.
class Transfer {
public:
    Transfer(OWL::TWindow* owner, const char* title, const char* textFormat) : owner_(owner), title_(title), format_(textFormat) {}
    ~Transfer()
    {
        if (progress_ && IsWindow(progress_->GetHandle())) {
            progress_->Destroy();
        }
        progress_.reset();
        // Held messages run now, in order.
        hold_.reset();
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // False once the user cancelled.
    bool Step(std::uint64_t remaining, std::uint64_t total)
    {
        if (!hold_) {
            hold_ = std::make_unique<platform::MessageHold>();
            progress_ = std::make_unique<TProgress>(owner_, title_);
            if (!progress_->Create()) {
                progress_.reset();
            } else {
                hold_->Keep(progress_->GetHandle());
            }
        }
        const int percent = TransferPercent(remaining, total);
        if (progress_) {
            char text[64];
            std::snprintf(text, sizeof text, format_, percent);
            progress_->SetText(text);
            progress_->SetPercent(percent);
        }
        hold_->Pump();
        return !progress_ || !progress_->IsCancelled();
    }

private:
    OWL::TWindow* owner_;
    const char* title_;
    const char* format_;
    std::unique_ptr<TProgress> progress_;
    std::unique_ptr<platform::MessageHold> hold_;
};
}

bool TAppDialog::CopyFileToClipboard(const char* path)
{
    const int type = currentFile ? currentFile->GetFileType() : FileTypeWave;
    Transfer transfer(this, "Copying audio to clipboard...", " Copying to clipboard %d%%");
    return FileToClipboard(Handle, path, ClipboardFormatOf(type), kClipboardStep,
                           [&](std::uint64_t remaining, std::uint64_t total) { return transfer.Step(remaining, total); });
}

bool TAppDialog::PasteClipboardToFile(const char* path)
{
    const int type = currentFile ? currentFile->GetFileType() : FileTypeWave;
    const std::string folder = path ? std::string(platform::FolderPart(platform::ToSlashes(path))) : std::string();
    bool noRoom = false;
    ClipboardToFileResult result;
    {
        Transfer transfer(this, "Copying clipboard audio to disk...", " Copying to temp file %d%%");
        result = ClipboardToFile(
            Handle, ClipboardFormatOf(type), path, kClipboardStep,
            [&](std::uint64_t remaining, std::uint64_t total) { return transfer.Step(remaining, total); },
            [&](std::uint64_t size) {
                noRoom = !HasDiskSpace(size, folder.empty() ? nullptr : folder.c_str());
                return !noRoom;
            });
    }
    if (noRoom) {
        MessageBox("Not enough disk space for this operation", "Tapvox", MB_OK | MB_ICONSTOP);
    }
    return result == ClipboardToFileResult::Written;
}

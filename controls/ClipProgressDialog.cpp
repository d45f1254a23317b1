// The clip operations' progress dialog: its caption, its making, percent and Cancel.
#include "controls/ClipProgressDialog.h"

#include "controls/Progress.h"

ClipProgressDialog::~ClipProgressDialog() { Close(); }

void ClipProgressDialog::Show(const char* text)
{
    if (!progress_ && !failed_) {
        progress_ = new TProgress(owner_, "Copying clipboard audio to disk...");
        if (!progress_->Create()) {
            // Copies go on without a window; there is then no Cancel to wait for.
            delete progress_;
            progress_ = nullptr;
            failed_ = true;
        }
    }
    if (progress_) {
        progress_->SetText(text);
    }
}

void ClipProgressDialog::Percent(int percent)
{
    if (progress_ && IsWindow(progress_->GetHandle())) {
        progress_->SetPercent(percent);
    }
}

bool ClipProgressDialog::Cancelled() const { return progress_ && progress_->IsCancelled(); }

void ClipProgressDialog::Close()
{
    if (progress_) {
        if (IsWindow(progress_->GetHandle())) {
            progress_->Destroy();
        }
        delete progress_;
        progress_ = nullptr;
    }
    failed_ = false;
}

HWND ClipProgressDialog::Window() const { return progress_ ? progress_->GetHandle() : nullptr; }

// The progress window of the clip operations, and the hold on other windows' messages while it is up.
#include "controls/Progress.h"
#include "files/ClipEdit.h"
#include "platform/user/MessageHold.h"

void ClipEdit::ProgressShow(const char* text)
{
    if (!progress && !progressFailed) {
        progress = new TProgress(owner, "Copying clipboard audio to disk...");
        if (!progress->Create()) {
            // Copies go on without a window; there is then no Cancel to wait for.
            delete progress;
            progress = nullptr;
            progressFailed = true;
        }
    }
    if (!hold) {
        hold = std::make_unique<platform::MessageHold>();
    }
    if (progress) {
        hold->Keep(progress->GetHandle());
        progress->SetText(text);
    }
}

void ClipEdit::ProgressPercent(int percent)
{
    if (progress && IsWindow(progress->GetHandle())) {
        progress->SetPercent(percent);
    }
    if (hold) {
        hold->Pump();
    }
}

bool ClipEdit::ProgressCancelled() const { return progress && progress->IsCancelled(); }

void ClipEdit::ProgressClose()
{
    if (progress) {
        if (IsWindow(progress->GetHandle())) {
            progress->Destroy();
        }
        delete progress;
        progress = nullptr;
    }
    progressFailed = false;
    // Everything held during the copy runs now, in the order it came.
    hold.reset();
}

// The clip operations' progress, shown by the window that asked for them, and the hold on other windows' messages while it is up.
#include "files/ClipEdit.h"
#include "files/ClipProgress.h"
#include "platform/user/MessageHold.h"

void ClipEdit::ProgressShow(const char* text)
{
    if (progress) {
        progress->Show(text);
    }
    if (!hold) {
        hold = std::make_unique<platform::MessageHold>();
    }
    if (HWND window = progress ? progress->Window() : nullptr) {
        hold->Keep(window);
    }
}

void ClipEdit::ProgressPercent(int percent)
{
    if (progress) {
        progress->Percent(percent);
    }
    if (hold) {
        hold->Pump();
    }
}

bool ClipEdit::ProgressCancelled() const { return progress && progress->Cancelled(); }

void ClipEdit::ProgressClose()
{
    if (progress) {
        progress->Close();
    }
    // Everything held during the copy runs now, in the order it came.
    hold.reset();
}

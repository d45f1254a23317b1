// TAppDialog: the position dialog, opened by command 23002 and by a double click
// on the time text, with the enabler of the command.
#include "controls/PositionDialog.h"
#include "files/RecFile.h"
#include "owl/CommandEnabler.h"
#include "owl/Geometry.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"

namespace {
constexpr int kTimeText = 155;

// The recording the dialog can work on: one with data whose start has a wall-clock time.
RecFile* TimedRecording(MediaFile* file)
{
    auto* rf = dynamic_cast<RecFile*>(file);
    return rf && rf->GetDataSize() > 0 && rf->TimeAtPosition(0) != 0 ? rf : nullptr;
}
}

void TAppDialog::CeGoToPosition(OWL::TCommandEnabler& enabler) { enabler.Enable(TimedRecording(currentFile) != nullptr); }

void TAppDialog::CmPositionDialog()
{
    if (!TimedRecording(currentFile)) {
        return;
    }
    // As every seek: the dialog moves the file position, which while recording is where
    // the next buffer goes and while playing where the next block is read from.
    const bool wasPlaying = PauseForSeek();
    RecFile* rf = TimedRecording(currentFile);
    if (!rf) {
        return;
    }
    bool chosen = false;
    {
        // Schedule edges and other programs' messages that would close or replace the
        // file under the dialog wait until it is closed.
        EngineBusy busy(*this);
        TPositionDialog dialog(this, rf);
        chosen = dialog.Execute() == IDOK;
    }
    if (chosen) {
        position(rf->GetPosition(), true);
    }
    if (wasPlaying) {
        bnplay();
    }
}

void TAppDialog::EvLButtonDblClk(UINT, const OWL::TPoint& point)
{
    HWND text = GetDlgItem(kTimeText);
    if (!text || !TimedRecording(currentFile)) {
        return;
    }
    RECT r{};
    ::GetWindowRect(text, &r);
    POINT corner{r.left, r.top};
    ::ScreenToClient(Handle, &corner);
    const LONG width = r.right - r.left;
    const LONG height = r.bottom - r.top;
    if (point.x >= corner.x && point.x < corner.x + width && point.y >= corner.y && point.y < corner.y + height) {
        CmPositionDialog();
    }
}

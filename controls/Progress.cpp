// TProgress: the percentage window of long copies and its Cancel button.
#include "controls/Progress.h"

DEFINE_RESPONSE_TABLE1(TProgress, OWL::TDialog)
EV_COMMAND(IDCANCEL, CmCancel),
END_RESPONSE_TABLE

TProgress::TProgress(OWL::TWindow* parent, const char* title, int resId, OWL::TModule* module)
    : OWL::TDialog(parent, resId, module), title_(title)
{
    gauge_ = new OWL::TGauge(this, "%d%%", kGauge, 0, 0, 0, 0);
    gauge_->SetLed(0, 0);
    gauge_->SetRange(0, 100);
    text_ = new OWL::TStatic(this, kText);
    cancel_ = new OWL::TButton(this, IDCANCEL);
}

void TProgress::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    gauge_->SetLed(0, 0);
    gauge_->SetRange(0, 100);
    gauge_->Title = "%d%%";
    gauge_->SetValue(0);
    if (title_) {
        SetCaption(title_);
    }
    // Clicks go to Cancel while the copy keeps the thread busy.
    cancel_->SetCapture();
}

void TProgress::SetPercent(int percent)
{
    gauge_->SetValue(percent);
    gauge_->UpdateWindow();
    Invalidate(false);
}

void TProgress::SetText(const char* text) { text_->SetText(text); }

void TProgress::CmCancel()
{
    cancelled_ = true;
    ReleaseCapture();
    OWL::TDialog::CmCancel();
}

#pragma once
// The clip operations' progress in the progress dialog, made when first shown and destroyed at the close.
#include "files/ClipProgress.h"

namespace OWL {
class TWindow;
}
class TProgress;

class ClipProgressDialog : public ClipProgress {
public:
    explicit ClipProgressDialog(OWL::TWindow* owner) : owner_(owner) {}
    ~ClipProgressDialog() override;
    ClipProgressDialog(const ClipProgressDialog&) = delete;
    ClipProgressDialog& operator=(const ClipProgressDialog&) = delete;

    void Show(const char* text) override;
    void Percent(int percent) override;
    bool Cancelled() const override;
    void Close() override;
    HWND Window() const override;

private:
    OWL::TWindow* owner_;
    TProgress* progress_ = nullptr;
    bool failed_ = false;  // it could not be made: not tried again until the close
};

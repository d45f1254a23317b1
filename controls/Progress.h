#pragma once
// TProgress: the modeless percentage window of long copies. The copying loop
// sets the percentage, lets pending messages run and stops once IsCancelled.
#include "owl/Dialog.h"
#include "owl/Gauge.h"
#include "owl/StandardControls.h"

class TProgress : public OWL::TDialog {
public:
    static constexpr int kTemplate = 1800;
    static constexpr int kGauge = 1801;
    static constexpr int kText = 1802;

    // title may be null (the template's caption stays); it is not copied.
    TProgress(OWL::TWindow* parent, const char* title, int resId = kTemplate, OWL::TModule* module = nullptr);

    void SetupWindow() override;
    void SetPercent(int percent);
    bool IsCancelled() const { return cancelled_; }
    void SetText(const char* text);
    OWL::TGauge* GetGauge() const { return gauge_; }

protected:
    void CmCancel() override;

private:
    const char* title_;
    bool cancelled_ = false;
    OWL::TGauge* gauge_;
    OWL::TStatic* text_;
    OWL::TButton* cancel_;

    DECLARE_RESPONSE_TABLE(TProgress)
};

#pragma once
// TDialog: a window made from a dialog template, modal (Execute) or modeless
// (Create), also usable as a frame's client window.
#include "owl/Window.h"

namespace OWL {
class TDialog : public TWindow {
public:
    TDialog(TWindow* parent, int resId, TModule* module = nullptr);
    TDialog(TWindow* parent, LPCSTR resName, TModule* module = nullptr);

    // Runs the dialog modally; returns the value it was closed with (IDOK, IDCANCEL ...), -1 on failure.
    virtual int Execute();
    bool Create() override;
    void SetupWindow() override;
    bool PreProcessMsg(MSG& msg) override;
    void CloseWindow(int retVal = IDCANCEL) override;
    void Destroy(int retVal = IDCANCEL) override;
    LPCSTR GetClassName() override { return WC_DIALOG; }
    bool IsModal() const { return IsFlagSet(wfModalWindow); }
    LPCSTR GetTemplateName() const { return templateName_.empty() ? MAKEINTRESOURCEA(resId_) : templateName_.c_str(); }
    int GetResId() const { return resId_; }

    virtual void CmOk();
    virtual void CmCancel();

protected:
    LPCSTR TemplateForCreate() const { return GetTemplateName(); }

private:
    int resId_ = 0;
    std::string templateName_;

    DECLARE_RESPONSE_TABLE(TDialog)
};
}

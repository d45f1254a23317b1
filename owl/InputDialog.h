#pragma once
// TInputDialog: a prompt and one line of text, copied into the caller's buffer on OK.
#include "owl/Dialog.h"
#include "owl/Validators.h"

namespace OWL {
class TInputDialog : public TDialog {
public:
    // The framework's own template: prompt static and edit control.
    static constexpr int IDD_INPUTDIALOG = 32514;
    static constexpr int ID_PROMPT = 4091;
    static constexpr int ID_INPUT = 4092;

    TInputDialog(TWindow* parent, LPCSTR title, LPCSTR prompt, LPSTR buffer, int bufferSize, TModule* module = nullptr,
                 TValidator* validator = nullptr);
    ~TInputDialog() override;
    void SetupWindow() override;
    void TransferData(TTransferDirection direction) override;
    const std::string& GetPrompt() const { return prompt_; }

private:
    std::string prompt_;
    LPSTR buffer_;
    int bufferSize_;
    TValidator* validator_;
};

// The framework's dialog templates (the input dialog); registered on first use.
void RegisterFrameworkTemplates();
}

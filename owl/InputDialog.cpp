// The input dialog's own template, registered on first use; its edit is bound at set-up so the validator reaches it.
#include "owl/InputDialog.h"

#include <cstring>

#include "owl/StandardControls.h"

namespace OWL {
void RegisterFrameworkTemplates()
{
    static bool done = false;
    if (done && platform::FindDialog(MAKEINTRESOURCEA(TInputDialog::IDD_INPUTDIALOG))) {
        return;
    }
    done = true;
    platform::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.cx = 190;
    t.cy = 64;
    t.fontName = "MS Sans Serif";
    t.pointSize = 8;
    t.items = {
        {WC_STATIC, "", TInputDialog::ID_PROMPT, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 7, 6, 176, 10},
        {WC_EDIT, "", TInputDialog::ID_INPUT, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 7, 18, 176, 12},
        {WC_BUTTON, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 79, 40, 50, 14},
        {WC_BUTTON, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 133, 40, 50, 14},
    };
    platform::AddDialog(MAKEINTRESOURCEA(TInputDialog::IDD_INPUTDIALOG), t);
}

TInputDialog::TInputDialog(TWindow* parent, LPCSTR title, LPCSTR prompt, LPSTR buffer, int bufferSize, TModule* module,
                           TValidator* validator)
    : TDialog(parent, IDD_INPUTDIALOG, module), prompt_(prompt ? prompt : ""), buffer_(buffer), bufferSize_(bufferSize),
      validator_(validator)
{
    RegisterFrameworkTemplates();
    if (title) {
        Title = title;
    }
}

TInputDialog::~TInputDialog() { delete validator_; }

void TInputDialog::SetupWindow()
{
    // The edit is bound here so the validator (owned by the edit) reaches it.
    auto* edit = new TEdit(this, ID_INPUT, static_cast<UINT>(bufferSize_ > 0 ? bufferSize_ - 1 : 0));
    if (validator_) {
        edit->SetValidator(validator_);
        validator_ = nullptr;
    }
    TDialog::SetupWindow();
    SetDlgItemText(ID_PROMPT, prompt_.c_str());
    TransferData(tdSetData);
}

void TInputDialog::TransferData(TTransferDirection direction)
{
    if (!buffer_ || bufferSize_ <= 0) {
        return;
    }
    if (direction == tdSetData) {
        SetDlgItemText(ID_INPUT, buffer_);
    } else if (direction == tdGetData) {
        GetDlgItemText(ID_INPUT, buffer_, bufferSize_);
    }
}
}

// Dialogs from templates: one made as a child loses its popup frame through the API; OK saves the data first.
#include "owl/Dialog.h"

#include "owl/Application.h"

namespace OWL {
DEFINE_RESPONSE_TABLE1(TDialog, TWindow)
EV_COMMAND(IDOK, CmOk),
EV_COMMAND(IDCANCEL, CmCancel),
END_RESPONSE_TABLE

TDialog::TDialog(TWindow* parent, int resId, TModule* module) : TWindow(parent, nullptr, module), resId_(resId)
{
    Attr.Style = WS_POPUP;
}

TDialog::TDialog(TWindow* parent, LPCSTR resName, TModule* module) : TWindow(parent, nullptr, module)
{
    Attr.Style = WS_POPUP;
    if (IS_INTRESOURCE(resName)) {
        resId_ = static_cast<int>(reinterpret_cast<std::uintptr_t>(resName));
    } else {
        templateName_ = resName;
    }
}

int TDialog::Execute()
{
    RegisterFrameworkClasses();
    SetFlag(wfModalWindow);
    SetCreatingDialog(this);
    HWND owner = Parent ? Parent->GetHandle() : nullptr;
    const INT_PTR result = DialogBoxParamA(GetModule() ? GetModule()->GetHandle() : nullptr, GetTemplateName(), owner,
                                           OwlDialogProc, 0);
    SetCreatingDialog(nullptr);
    ClearFlag(wfModalWindow);
    Handle = nullptr;
    return static_cast<int>(result);
}

bool TDialog::Create()
{
    if (Handle) {
        return true;
    }
    RegisterFrameworkClasses();
    SetCreatingDialog(this);
    HWND owner = Parent ? Parent->GetHandle() : nullptr;
    HWND h = CreateDialogParamA(GetModule() ? GetModule()->GetHandle() : nullptr, GetTemplateName(), owner, OwlDialogProc, 0);
    SetCreatingDialog(nullptr);
    if (!h) {
        return false;
    }
    // A dialog that is some window's child (a frame's client, a sheet's page) loses its popup frame.
    if ((Attr.Style & WS_CHILD) && owner) {
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE));
        if (!(style & WS_CHILD)) {
            ::SetWindowLongPtrA(h, GWL_STYLE, (style & ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) | WS_CHILD);
            ::SetParent(h, owner);
            ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (Attr.Style & WS_VISIBLE) {
        ::ShowWindow(h, SW_SHOWNA);
    }
    return true;
}

void TDialog::SetupWindow()
{
    TWindow::SetupWindow();
    if (!Title.empty()) {
        ::SetWindowTextA(Handle, Title.c_str());
    }
}

bool TDialog::PreProcessMsg(MSG& msg)
{
    if (TWindow::PreProcessMsg(msg)) {
        return true;
    }
    return IsDialogMessageA(Handle, &msg) != FALSE;
}

void TDialog::CloseWindow(int retVal)
{
    if (CanClose()) {
        TransferData(tdGetData);
        Destroy(retVal);
    }
}

void TDialog::Destroy(int retVal)
{
    if (!Handle) {
        return;
    }
    if (IsModal()) {
        EndDialog(Handle, retVal);
    } else {
        ::DestroyWindow(Handle);
    }
}

void TDialog::CmOk() { CloseWindow(IDOK); }

void TDialog::CmCancel() { Destroy(IDCANCEL); }
}

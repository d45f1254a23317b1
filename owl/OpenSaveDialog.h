#pragma once
// File open and save dialogs over GetOpenFileNameA / GetSaveFileNameA. With a
// template of the program's own, the dialog is also a window of this object:
// its SetupWindow runs on the template's window and its CmOk sees the chosen
// name before the dialog ends.
#include <string>

#include "owl/Dialog.h"
#include "platform/user/CommonDialogs.h"

namespace OWL {
class TOpenSaveDialog : public TDialog {
public:
    struct TData {
        // filter: "Text (*.txt)|*.txt|All (*.*)|*.*|" as the program writes it.
        TData(DWORD flags = 0, LPCSTR filter = nullptr, LPSTR customFilter = nullptr, LPCSTR initialDir = nullptr,
              LPCSTR defExt = nullptr, int maxPath = 0, int filterIndex = 0);
        void SetFilter(LPCSTR filter);
        std::string FilterPairs() const;  // NUL-separated, as the dialog takes it

        DWORD Flags;
        DWORD Error = 0;
        std::string FileName;  // in: proposed name; out: the full path chosen
        std::string Filter;
        LPSTR CustomFilter;
        int FilterIndex;
        std::string InitialDir;
        std::string DefExt;
        int MaxPath;
        int TemplateId = 0;
    };

    // templateId 0: the platform's own dialog, with no window of this object.
    TOpenSaveDialog(TWindow* parent, TData& data, int templateId, LPCSTR title, TModule* module);
    // IDOK with data.FileName set, else IDCANCEL (data.Error says why, 0 for the user).
    int Execute() override;

protected:
    virtual BOOL Run(OPENFILENAMEA& ofn) = 0;
    // While the dialog runs: the name its OK put into the file-name buffer.
    const char* GetFileNameBuffer() const { return ofn_ ? ofn_->lpstrFile : nullptr; }

    TData& Data;

private:
    OPENFILENAMEA* ofn_ = nullptr;
};

class TFileOpenDialog : public TOpenSaveDialog {
public:
    TFileOpenDialog(TWindow* parent, TOpenSaveDialog::TData& data, int templateId = 0, LPCSTR title = nullptr,
                    TModule* module = nullptr)
        : TOpenSaveDialog(parent, data, templateId, title, module) {}

protected:
    BOOL Run(OPENFILENAMEA& ofn) override { return GetOpenFileNameA(&ofn); }
};

class TFileSaveDialog : public TOpenSaveDialog {
public:
    TFileSaveDialog(TWindow* parent, TOpenSaveDialog::TData& data, int templateId = 0, LPCSTR title = nullptr,
                    TModule* module = nullptr)
        : TOpenSaveDialog(parent, data, templateId, title, module) {}

protected:
    BOOL Run(OPENFILENAMEA& ofn) override { return GetSaveFileNameA(&ofn); }
};
}

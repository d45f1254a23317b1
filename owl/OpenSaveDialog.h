#pragma once
// File open and save dialogs over GetOpenFileNameA / GetSaveFileNameA.
#include <string>

#include "owl/Window.h"
#include "platform/user/CommonDialogs.h"

namespace OWL {
class TOpenSaveDialog {
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
};

class TFileOpenDialog {
public:
    TFileOpenDialog(TWindow* parent, TOpenSaveDialog::TData& data, int templateId = 0, LPCSTR title = nullptr,
                    TModule* module = nullptr);
    virtual ~TFileOpenDialog() = default;
    // IDOK with data.FileName set, else IDCANCEL.
    virtual int Execute();

protected:
    virtual BOOL Run(OPENFILENAMEA& ofn) { return GetOpenFileNameA(&ofn); }
    TWindow* parent_;
    TOpenSaveDialog::TData& data_;
    std::string title_;
};

class TFileSaveDialog : public TFileOpenDialog {
public:
    using TFileOpenDialog::TFileOpenDialog;

protected:
    BOOL Run(OPENFILENAMEA& ofn) override { return GetSaveFileNameA(&ofn); }
};
}

// Filters written with '|' become the pairs the file dialogs take; a cancelled dialog keeps the caller's name.
#include "owl/OpenSaveDialog.h"

#include <vector>

namespace OWL {
TOpenSaveDialog::TData::TData(DWORD flags, LPCSTR filter, LPSTR customFilter, LPCSTR initialDir, LPCSTR defExt, int maxPath,
                              int filterIndex)
    : Flags(flags), CustomFilter(customFilter), FilterIndex(filterIndex), InitialDir(initialDir ? initialDir : ""),
      DefExt(defExt ? defExt : ""), MaxPath(maxPath > 0 ? maxPath : MAX_PATH)
{
    SetFilter(filter);
}

void TOpenSaveDialog::TData::SetFilter(LPCSTR filter) { Filter = filter ? filter : ""; }

std::string TOpenSaveDialog::TData::FilterPairs() const
{
    std::string out = Filter;
    for (char& c : out) {
        if (c == '|') {
            c = '\0';
        }
    }
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

TOpenSaveDialog::TOpenSaveDialog(TWindow* parent, TData& data, int templateId, LPCSTR title, TModule* module)
    : TDialog(parent, templateId, module), Data(data)
{
    Data.TemplateId = templateId;
    Title = title ? title : "";
}

int TOpenSaveDialog::Execute()
{
    std::vector<char> file(static_cast<std::size_t>(Data.MaxPath), '\0');
    Data.FileName.copy(file.data(), file.size() - 1);
    const std::string filter = Data.FilterPairs();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Parent ? Parent->GetHandle() : nullptr;
    ofn.lpstrFilter = Data.Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrCustomFilter = Data.CustomFilter;
    ofn.nFilterIndex = static_cast<DWORD>(Data.FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = Data.InitialDir.empty() ? nullptr : Data.InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = Data.Flags;
    ofn.lpstrDefExt = Data.DefExt.empty() ? nullptr : Data.DefExt.c_str();
    ofn.lpTemplateName = Data.TemplateId ? MAKEINTRESOURCEA(Data.TemplateId) : nullptr;
    if (Data.TemplateId) {
        // The template's window is this object's: the hook binds it as a dialog's first message does.
        RegisterFrameworkClasses();
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = OwlDialogProc;
        SetCreatingDialog(this);
    }
    ofn_ = &ofn;
    const BOOL chosen = Run(ofn);
    ofn_ = nullptr;
    SetCreatingDialog(nullptr);
    Handle = nullptr;
    if (!chosen) {
        Data.Error = CommDlgExtendedError();
        return IDCANCEL;
    }
    Data.Error = 0;
    Data.FileName = file.data();
    Data.Flags = (ofn.Flags & ~OFN_ENABLEHOOK) | (Data.Flags & OFN_ENABLEHOOK);
    Data.FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return IDOK;
}
}

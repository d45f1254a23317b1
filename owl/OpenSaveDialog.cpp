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

TFileOpenDialog::TFileOpenDialog(TWindow* parent, TOpenSaveDialog::TData& data, int templateId, LPCSTR title, TModule*)
    : parent_(parent), data_(data), title_(title ? title : "")
{
    data_.TemplateId = templateId;
}

int TFileOpenDialog::Execute()
{
    std::vector<char> file(static_cast<std::size_t>(data_.MaxPath), '\0');
    data_.FileName.copy(file.data(), file.size() - 1);
    const std::string filter = data_.FilterPairs();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = parent_ ? parent_->GetHandle() : nullptr;
    ofn.lpstrFilter = data_.Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrCustomFilter = data_.CustomFilter;
    ofn.nFilterIndex = static_cast<DWORD>(data_.FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = data_.InitialDir.empty() ? nullptr : data_.InitialDir.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.Flags = data_.Flags;
    ofn.lpstrDefExt = data_.DefExt.empty() ? nullptr : data_.DefExt.c_str();
    ofn.lpTemplateName = data_.TemplateId ? MAKEINTRESOURCEA(data_.TemplateId) : nullptr;
    if (!Run(ofn)) {
        data_.Error = CommDlgExtendedError();
        return IDCANCEL;
    }
    data_.Error = 0;
    data_.FileName = file.data();
    data_.Flags = ofn.Flags;
    data_.FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return IDOK;
}
}

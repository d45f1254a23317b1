// The settings-file dialogs.
#include "settings/SettingsFiles.h"

#include "owl/OpenSaveDialog.h"

std::string ChooseSettingsFile(OWL::TWindow* parent, bool save)
{
    const DWORD flags = save ? OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER : 0;
    OWL::TOpenSaveDialog::TData data(flags, "Tapvox setting files (*.ini)|*.ini|", nullptr, nullptr, "ini");
    data.FileName.clear();
    const int result = save ? OWL::TFileSaveDialog(parent, data).Execute() : OWL::TFileOpenDialog(parent, data).Execute();
    return result == IDOK ? data.FileName : std::string();
}

#pragma once
// TDirPick: choosing a folder with the classic open dialog. Its template keeps
// only the folder parts in view; a dummy name in the hidden name box lets OK
// through, and cutting it from the chosen path leaves the folder with its
// trailing separator.
#include "owl/OpenSaveDialog.h"

class TDirPick : public OWL::TFileOpenDialog {
public:
    static constexpr int kTemplate = 30600;
    static constexpr const char* kDummyName = "foo.bar";

    // outPath holds outSize characters; it receives the folder on OK and is
    // left as it was otherwise. data's flags are set for the classic dialog.
    TDirPick(OWL::TWindow* parent, char* outPath, int outSize, OWL::TOpenSaveDialog::TData& data,
             int templateId = kTemplate, LPCSTR title = nullptr, OWL::TModule* module = nullptr);

    int Execute() override;
    void SetupWindow() override;
    void CmOk() override;

private:
    void TooLong(const char* path);

    char* outPath;
    int outSize;
};

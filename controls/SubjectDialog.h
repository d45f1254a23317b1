#pragma once
// TSubjectDialog: the category chooser asked after a recording. Categories are
// empty files named category + ".CAT" in the recording folder; the dialog
// lists them, creates the file of a new one and deletes one on request.
#include "owl/Dialog.h"
#include "owl/StandardControls.h"

class TSubjectDialog : public OWL::TDialog {
public:
    static constexpr int kTemplate = 206;
    static constexpr int kPrompt = 207;
    static constexpr int kName = 208;
    static constexpr int kDelete = 209;
    static constexpr int kNameSize = 260;

    // nameBuf holds kNameSize characters and receives the category (empty on
    // Cancel); none of the texts is copied. The folder becomes the current one.
    TSubjectDialog(OWL::TWindow* parent, const char* caption, const char* prompt, char* nameBuf, const char* folder,
                   int resId = kTemplate, OWL::TModule* module = nullptr);

    void SetupWindow() override;
    void CmOk() override;
    void CmCancel() override;

protected:
    void CmDeleteCategory();

private:
    // folder + separator + name + ".CAT"; empty for a name that is no file name
    // of this folder (a separator in it, a leading ".", nothing at all).
    std::string CategoryPath(const std::string& name) const;
    std::string Typed() const;

    const char* caption;
    const char* prompt;
    char* nameBuf;
    const char* folder;
    OWL::TStatic* promptText;
    OWL::TComboBox* names;

    DECLARE_RESPONSE_TABLE(TSubjectDialog)
};

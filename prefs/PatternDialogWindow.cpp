// The file name pattern dialog: code list, filtered pattern edit, instance radios and the live example.
#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"
#include "prefs/PageText.h"
#include "prefs/PatternDialog.h"

DEFINE_RESPONSE_TABLE2(TPatternDialog, ContextHelpWin, OWL::TDialog)
EV_EN_UPDATE(4201, ShowExampleName),
EV_BN_CLICKED(4204, CmInsertCode),
EV_BN_CLICKED(4209, ShowExampleName),
EV_BN_CLICKED(4207, ShowExampleName),
END_RESPONSE_TABLE

TPatternDialog::TPatternDialog(OWL::TWindow* parent, char* pattern_, int fileType_, int* flags_, int resId)
    : OWL::TDialog(parent, resId), ContextHelpWin(parent, SetFileHelpMap, SetFileHelpContext), excluded(kPatternExcluded),
      pattern(pattern_), fileType(fileType_), flags(flags_)
{
    codes = new OWL::TComboBox(this, 4205);
    edit = new OWL::TEdit(this, 4201);
    edit->SetValidator(new OWL::TFilterValidator(excluded));
    example = new OWL::TStatic(this, 4203);
    always = new OWL::TRadioButton(this, 4207);
    onlyWhenRequired = new OWL::TRadioButton(this, 4209);
}

void TPatternDialog::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    for (const PatternCode* c = PatternCodes; *c->text; ++c) {
        codes->AddString(c->text);
    }
    codes->SetSelIndex(0);
    edit->SetText(pattern ? pattern : "");
    (flags && (*flags & 1) ? onlyWhenRequired : always)->Check();
    ShowExampleName();
}

void TPatternDialog::ShowExampleName()
{
    if (!edit->GetHandle()) {
        return;
    }
    const std::string text = ControlText(*edit, 258);
    example->SetText(PatternExampleName(text.c_str(), always->IsChecked(), fileType,
                                        static_cast<std::time_t>(platform::NowSeconds())).c_str());
}

void TPatternDialog::CmInsertCode()
{
    const int entry = codes->GetSelIndex();
    if (entry < 1) {
        return;
    }
    edit->SetSelection(-1, -1);
    edit->Insert(PatternCodes[entry].code);
    ShowExampleName();
}

void TPatternDialog::CmOk()
{
    if (pattern) {
        platform::CopyBounded(pattern, 260, ControlText(*edit, 259));
    }
    if (flags) {
        *flags = always->IsChecked() ? (*flags & ~1) : (*flags | 1);
    }
    CloseWindow(IDOK);
}

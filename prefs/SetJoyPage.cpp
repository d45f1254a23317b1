// The Switches page: joystick button control and the action of each of four buttons.
#include "controls/HelpMaps.h"
#include "prefs/SetJoy.h"

namespace {
int* const kButtons[] = {&JoyButton1, &JoyButton2, &JoyButton3, &JoyButton4};
}

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetJoy, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetJoy::TSetJoy(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 500), ContextHelpWin(sheet, nullptr, SetJoyHelpContext)
{
    Flags |= PSP_HASHELP;
    enable = new OWL::TCheckBox(this, 501);
    const int ids[] = {502, 504, 506, 508};
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new OWL::TComboBox(this, ids[i]);
    }
}

void TSetJoy::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (OWL::TComboBox* combo : buttons) {
        for (const char* const* action = JoyActions; **action; ++action) {
            combo->AddString(*action);
        }
    }
    TransferData(OWL::tdSetData);
}

void TSetJoy::TransferData(OWL::TTransferDirection direction)
{
    if (direction == OWL::tdSetData) {
        enable->SetCheck(JoyEnable ? BST_CHECKED : BST_UNCHECKED);
        for (int i = 0; i < 4; ++i) {
            buttons[i]->SetSelIndex(*kButtons[i]);
        }
    }
    OWL::TPropertyPage::TransferData(direction);
    if (direction == OWL::tdGetData) {
        JoyEnable = enable->IsChecked();
        for (int i = 0; i < 4; ++i) {
            *kButtons[i] = buttons[i]->GetSelIndex();
        }
    }
}

int TSetJoy::Apply(OWL::TPshNotify& notify)
{
    TransferData(OWL::tdGetData);
    return OWL::TPropertyPage::Apply(notify);
}

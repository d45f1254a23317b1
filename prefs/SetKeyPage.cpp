// The HotKey page and the registration of its three hot keys.
#include "controls/HelpMaps.h"
#include "prefs/SetKey.h"

namespace {
WORD* const kWords[] = {&KeyPlay, &KeyRecord, &KeyActivate};
}

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetKey, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetKey::TSetKey(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 900), ContextHelpWin(sheet, SetKeyHelpMap, SetKeyHelpContext)
{
    Flags |= PSP_HASHELP;
    const int ids[] = {901, 903, 905};
    for (int i = 0; i < 3; ++i) {
        keys[i] = new OWL::THotKey(this, ids[i]);
    }
}

void TSetKey::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    TransferData(OWL::tdSetData);
}

void TSetKey::TransferData(OWL::TTransferDirection direction)
{
    if (direction == OWL::tdSetData) {
        for (int i = 0; i < 3; ++i) {
            keys[i]->SetHotKey(*kWords[i]);
        }
    }
    OWL::TPropertyPage::TransferData(direction);
    if (direction == OWL::tdGetData) {
        for (int i = 0; i < 3; ++i) {
            *kWords[i] = keys[i]->GetHotKey();
        }
    }
}

int TSetKey::Apply(OWL::TPshNotify& notify)
{
    TransferData(OWL::tdGetData);
    return OWL::TPropertyPage::Apply(notify);
}

bool TSetKey::RegisterHotKeys(HWND window)
{
    bool result = false;
    for (int id = 0; id < 3; ++id) {
        UnregisterHotKey(window, id);
    }
    for (int id = 0; id < 3; ++id) {
        // Without a virtual key the registration would take every key.
        if (HotKeyVirtualKey(*kWords[id]) == 0) {
            continue;
        }
        result = RegisterHotKey(window, id, HotKeyModifiers(*kWords[id]), HotKeyVirtualKey(*kWords[id])) != FALSE;
    }
    return result;
}

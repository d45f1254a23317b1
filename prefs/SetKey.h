#pragma once
// The HotKey page, which edits section "Key" of the settings (settings/KeySettings.h).
// Neither is part of the sheet nor of load-all and save-all.
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"
#include "platform/user/Controls.h"
#include "platform/user/HotKeys.h"
#include "settings/KeySettings.h"

class TSetKey : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetKey(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadKeySettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveKeySettings(key, iniPath); }
    // Registers KeyPlay, KeyRecord and KeyActivate as hot keys 0, 1 and 2 of the
    // window; a word without a virtual key (0) sets none and is not registered. The result of
    // the last registration made, false when none was.
    static bool RegisterHotKeys(HWND window);

    void SetupWindow() override;
    void TransferData(OWL::TTransferDirection direction) override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::THotKey* keys[3];

    DECLARE_RESPONSE_TABLE(TSetKey)
};

#pragma once
// The Switches page, which edits section "Joy" of the settings (settings/JoySettings.h).
// Neither is part of the sheet nor of load-all and save-all.
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/JoySettings.h"

class TSetJoy : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetJoy(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadJoySettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveJoySettings(key, iniPath); }

    void SetupWindow() override;
    void TransferData(OWL::TTransferDirection direction) override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TCheckBox* enable;
    OWL::TComboBox* buttons[4];

    DECLARE_RESPONSE_TABLE(TSetJoy)
};

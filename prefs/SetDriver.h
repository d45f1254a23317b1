#pragma once
// The Driver page, which edits section "Driver" of the settings (settings/DriverSettings.h).
// Neither is part of the preferences sheet nor of load-all and save-all.
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/DriverSettings.h"

class TSetDriver : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetDriver(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadDriverSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveDriverSettings(key, iniPath); }

    void SetupWindow() override;
    void TransferData(OWL::TTransferDirection direction) override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TComboBox* output;
    OWL::TComboBox* input;

    DECLARE_RESPONSE_TABLE(TSetDriver)
};

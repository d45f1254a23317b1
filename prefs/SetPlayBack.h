#pragma once
// The PlayBack page, which edits section "Play" of the settings (settings/PlayBackSettings.h).
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/PlayBackSettings.h"

class TSetPlayBack : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetPlayBack(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadPlayBackSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SavePlayBackSettings(key, iniPath); }

    void SetupWindow() override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TEdit* seconds;

    DECLARE_RESPONSE_TABLE(TSetPlayBack)
};

#pragma once
// The Record page, which edits section "Record" of the settings (settings/RecordSettings.h).
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/RecordSettings.h"

class TSetRecord : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetRecord(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadRecordSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveRecordSettings(key, iniPath); }

    void SetupWindow() override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TRadioButton* manual;
    OWL::TRadioButton* echo;
    OWL::TRadioButton* newAfterQuiet;
    OWL::TEdit* seconds;
    OWL::TRadioButton* newAtStart;
    OWL::TRadioButton* newAtStop;

    DECLARE_RESPONSE_TABLE(TSetRecord)
};

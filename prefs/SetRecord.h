#pragma once
// Settings of section "Record" (the record mode and the silence time that ends
// a take) and the Record page that edits them.
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

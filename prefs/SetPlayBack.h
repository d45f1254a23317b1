#pragma once
// Settings of section "Play" (the length played per segment in SoundByte mode)
// and the PlayBack page that edits it.
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"

extern int SoundByte;  // seconds, at least 1

class TSetPlayBack : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetPlayBack(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);

    void SetupWindow() override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TEdit* seconds;

    DECLARE_RESPONSE_TABLE(TSetPlayBack)
};

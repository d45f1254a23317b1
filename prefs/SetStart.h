#pragma once
// Settings of section "Setup" edited on the General page, the page, and the
// routines that register the program to start with the desktop session.
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"

extern bool OnTop;
extern bool TrayIcon;
extern bool ListenOnStart;
extern bool MinimizeOnStart;

class TSetStart : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetStart(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);

    void SetupWindow() override;
    // A changed always-on-top state reaches the main window at once.
    int Apply(OWL::TPshNotify& notify) override;

private:
    OWL::TCheckBox* listen;
    OWL::TCheckBox* minimize;
    OWL::TCheckBox* onTop;
    OWL::TCheckBox* tray;
    OWL::TCheckBox* launch;
    OWL::TCheckBox* desktopIcon;
    OWL::TCheckBox* quickLaunchIcon;

    DECLARE_RESPONSE_TABLE(TSetStart)
};

// The start command: the program file (quoted when it holds blanks, since no
// short form exists here), plus " -m" with MinimizeOnStart.
void AddAutoStart();
void RemoveAutoStart();

#pragma once
// The General page, which edits the "Setup" flags of settings/StartSettings.h, with its
// desktop and launcher-menu shortcuts.
#include "app/CShortcut.h"
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/StartSettings.h"

class TSetStart : public OWL::TPropertyPage, public ContextHelpWin {
public:
    explicit TSetStart(OWL::TPropertySheet* sheet);

    static void Load(HKEY key, const char* iniPath) { LoadStartSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveStartSettings(key, iniPath); }

    void SetupWindow() override;
    // A changed always-on-top state reaches the main window at once.
    int Apply(OWL::TPshNotify& notify) override;

    // The shortcut "Tapvox" to the program itself on the desktop. Has: it can be
    // read; Create: it was written; Remove: it was there and is gone.
    bool HasDesktopShortcut();
    bool CreateDesktopShortcut();
    bool RemoveDesktopShortcut();
    // The same in the launcher menu, the Quick Launch of the design.
    bool HasQuickLaunchShortcut();
    bool CreateQuickLaunchShortcut();
    bool RemoveQuickLaunchShortcut();

    // Posted to itself at the end of set-up; its answer does nothing.
    static constexpr UINT UM_START_PAGE_READY = WM_USER + 232;

private:
    bool HasShortcut(int folderId);
    bool CreateShortcut(int folderId);
    bool RemoveShortcut(int folderId);
    LRESULT EvStartPageReady(WPARAM, LPARAM);

    OWL::TCheckBox* listen;
    OWL::TCheckBox* minimize;
    OWL::TCheckBox* onTop;
    OWL::TCheckBox* tray;
    OWL::TCheckBox* launch;
    OWL::TCheckBox* desktopIcon;
    OWL::TCheckBox* quickLaunchIcon;
    CShortcut shortcut;

    DECLARE_RESPONSE_TABLE(TSetStart)
};

// The General page: listening and minimising at start, always on top, the tray
// icon, and the shortcuts to the program whose boxes the page keeps hidden.
#include "controls/HelpMaps.h"
#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "prefs/SetStart.h"

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetStart, ContextHelpWin, OWL::TPropertyPage)
EV_MESSAGE(UM_START_PAGE_READY, EvStartPageReady),
END_RESPONSE_TABLE

namespace {
constexpr const char* kShortcutName = "Tapvox";
}

TSetStart::TSetStart(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 270), ContextHelpWin(sheet, SetStartHelpMap, SetStartHelpContext)
{
    Flags |= PSP_HASHELP;
    listen = new OWL::TCheckBox(this, 302);
    minimize = new OWL::TCheckBox(this, 300);
    onTop = new OWL::TCheckBox(this, 217);
    tray = new OWL::TCheckBox(this, 219);
    launch = new OWL::TCheckBox(this, 305);
    desktopIcon = new OWL::TCheckBox(this, 2321);
    quickLaunchIcon = new OWL::TCheckBox(this, 2322);
}

void TSetStart::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (OWL::TCheckBox* unused : {launch, desktopIcon, quickLaunchIcon}) {
        unused->ShowWindow(SW_HIDE);
        unused->EnableWindow(false);
    }
    minimize->SetWindowText("Minimize on program start");
    minimize->SetCheck(MinimizeOnStart ? BST_CHECKED : BST_UNCHECKED);
    listen->SetCheck(ListenOnStart ? BST_CHECKED : BST_UNCHECKED);
    onTop->SetCheck(OnTop ? BST_CHECKED : BST_UNCHECKED);
    tray->SetCheck(TrayIcon ? BST_CHECKED : BST_UNCHECKED);
    PostMessage(UM_START_PAGE_READY);
}

LRESULT TSetStart::EvStartPageReady(WPARAM, LPARAM) { return 0; }

int TSetStart::Apply(OWL::TPshNotify& notify)
{
    const bool wasOnTop = OnTop;
    MinimizeOnStart = minimize->IsChecked();
    ListenOnStart = listen->IsChecked();
    OnTop = onTop->IsChecked();
    TrayIcon = tray->IsChecked();
    OWL::TApplication* app = GetApplication();
    OWL::TFrameWindow* frame = app ? app->GetMainWindow() : nullptr;
    if (OnTop != wasOnTop && frame && frame->GetHandle()) {
        frame->SetWindowPos(OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    return OWL::TPropertyPage::Apply(notify);
}

bool TSetStart::HasShortcut(int folderId)
{
    char target[MAX_PATH] = "";
    char description[MAX_PATH] = "";
    return shortcut.ReadTarget(kShortcutName, folderId, GetHandle(), target, description) == S_OK;
}

bool TSetStart::CreateShortcut(int folderId) { return shortcut.Create("_this", kShortcutName, folderId, "", nullptr, 1); }

bool TSetStart::RemoveShortcut(int folderId) { return HasShortcut(folderId) && shortcut.Delete(kShortcutName, folderId); }

bool TSetStart::HasDesktopShortcut() { return HasShortcut(CSIDL_DESKTOP); }
bool TSetStart::CreateDesktopShortcut() { return CreateShortcut(CSIDL_DESKTOP); }
bool TSetStart::RemoveDesktopShortcut() { return RemoveShortcut(CSIDL_DESKTOP); }
bool TSetStart::HasQuickLaunchShortcut() { return HasShortcut(kQuickLaunchFolder); }
bool TSetStart::CreateQuickLaunchShortcut() { return CreateShortcut(kQuickLaunchFolder); }
bool TSetStart::RemoveQuickLaunchShortcut() { return RemoveShortcut(kQuickLaunchFolder); }

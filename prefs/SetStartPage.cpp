// The General page: listening and minimising at start, always on top and the tray icon.
#include "controls/HelpMaps.h"
#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "prefs/SetStart.h"

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetStart, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

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
}

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

// SDIDecFrame: its response table, set-up, settings, recording state, tray
// clicks, close and the session's end, and the messages it takes from outside.
#include "app/main/Frame.h"

#include "app/StartOptions.h"
#include "app/main/App.h"
#include "app/main/FrameMessages.h"
#include "app/main/OwlMain.h"
#include "controls/ContextHelpWin.h"
#include "platform/help/Help.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/RegisteredMessages.h"
#include "prefs/SetFile.h"
#include "prefs/SetStart.h"
#include "prefs/SetTimer.h"
#include "prefs/TimerSchedule.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"

namespace {
constexpr const char* kGettingStartedTopic = "Getting_Started.html";
constexpr UINT kStringStartRecording = 3505;
constexpr UINT kStringStopRecording = 3506;

// The commands without a menu item that other programs may send: save the
// settings, save them as and load them from a file, run the program, stop and save.
constexpr UINT kOutsideCommands[] = {18999, 25016, 25017, 25018, 24339};

std::string RecordingStateText(OWL::TModule* module, bool inputOpen)
{
    char text[128] = "";
    if (module) {
        module->LoadString(inputOpen ? kStringStopRecording : kStringStartRecording, text, sizeof text);
    }
    return text;
}
}

#define EV_REMOTE_CONTROL(msg) \
    OWL_ENTRY_(Message, msg, 0, 0, return self.EvRemoteControl(info.Msg, info.WParam, info.LParam);)

DEFINE_RESPONSE_TABLE1(SDIDecFrame, OWL::TFrameWindow)
EV_MESSAGE(WM_SYSCOMMAND, EvSysCommandMessage),
EV_MESSAGE(WM_CLOSE, EvCloseMessage),
EV_MESSAGE(WM_QUERYENDSESSION, EvQueryEndSessionMessage),
EV_MESSAGE(WM_ENDSESSION, EvEndSession),
EV_MESSAGE(WM_TIMER, EvTimerMessage),
EV_MESSAGE(WM_CONTEXTMENU, EvIgnored),
EV_MESSAGE(WM_HOTKEY, EvIgnored),
EV_MESSAGE(WM_DEVICECHANGE, EvDeviceChangeMessage),
EV_MESSAGE(UM_STATE_CHANGED, EvStateChanged),
EV_MESSAGE(UM_TRAY_NOTIFY, EvTrayNotify),
EV_MESSAGE(UM_TRAY_CLICK, EvTrayClick),
EV_MESSAGE(RegisterWindowMessageA("TaskbarCreated"), EvTaskbarCreated),
EV_MESSAGE(UM_SYNC_FILES, EvSyncFiles),
EV_MESSAGE(WM_HELP, EvHelp),
EV_MESSAGE(UM_GETTING_STARTED, EvGettingStarted),
EV_COMMAND(kTrayOpenWindow, CmOpenWindow),
EV_COMMAND(kTrayNewFile, CmNewFile),
EV_COMMAND(kTrayToggleRecording, CmToggleRecording),
EV_COMMAND_ENABLE(kTrayToggleRecording, CeToggleRecording),
EV_COMMAND(kTrayAbout, CmAbout),
EV_COMMAND(kTrayExit, CmExit),
EV_REMOTE_CONTROL(UM_STOP),
EV_REMOTE_CONTROL(UM_SEEK),
EV_REMOTE_CONTROL(UM_STOP_AND_SAVE),
EV_REMOTE_CONTROL(UM_STOP_AND_PLAY),
EV_REMOTE_CONTROL(UM_STOP_AND_RECORD),
END_RESPONSE_TABLE

SDIDecFrame::SDIDecFrame(OWL::TWindow* parent, LPCSTR title, TAppDialog* client, bool shrinkToClient,
                         OWL::TModule* module, const platform::ipc::InstanceLock* lock)
    : OWL::TFrameWindow(parent, title, client, shrinkToClient, module), main_(client), lock_(lock)
{
}

SDIDecFrame::~SDIDecFrame()
{
    tray_.reset();
    systemMenu_.reset();
}

LPCSTR SDIDecFrame::GetClassName() { return WindowClassOverride[0] ? WindowClassOverride : "Tapvox"; }

void SDIDecFrame::SetupWindow()
{
    // Before the client's set-up, which builds the caption of the file it opens.
    SetCaption("Tapvox");
    OWL::TFrameWindow::SetupWindow();
    systemMenu_ = std::make_unique<OWL::TSystemMenu>(Handle);
    systemMenu_->AppendMenu(MF_SEPARATOR);
    systemMenu_->AppendMenu(MF_STRING, kSysMenuToggleRecord, "Toggle Listen");
    ApplySettings();
    UpdateRecordingState();

    // The General page's "Minimize on program start" counts as switch M.
    if (StartOptions.MinimiseAtStart || MinimizeOnStart) {
        PostMessage(WM_SYSCOMMAND, TrayShown() ? SC_CLOSE : SC_MINIMIZE);
    }
    if (StartOptions.ListenAtStart || ListenOnStart) {
        PostToMain(UM_TOGGLE_RECORD);
    } else if (StartOptions.PlayAtStart) {
        PostToMain(UM_STOP_AND_PLAY);
    }
    if (lock_) {
        published_ = platform::ipc::PublishWindow(*lock_, Handle, &SDIDecFrame::AcceptFromOutside);
    }
}

void SDIDecFrame::CleanupWindow()
{
    if (published_) {
        platform::ipc::WithdrawWindow(Handle);
        published_ = false;
    }
    KillTimer(TIMER_TRAY_CLICK);
    OWL::TFrameWindow::CleanupWindow();
}

void SDIDecFrame::ApplySettings()
{
    if (main_ && main_->GetHandle()) {
        // The new schedule remembers what the old one fired, so a rebuild never fires a minute twice.
        main_->ReplaceSchedule(new TimerSchedule(TimerSettings, main_->GetSchedule()));
        main_->spintimer();
    }
    if (TrayIcon && !tray_) {
        tray_ = std::make_unique<TTrayIcon>(this, kTrayIconId);
        tray_->SetOwner(this, UM_TRAY_NOTIFY);
        tray_->SetIcon(kIconStart);
    } else if (!TrayIcon && tray_) {
        tray_.reset();
        // Hidden behind an icon that is gone, the window would be out of reach.
        if (!IsWindowVisible()) {
            ShowWindow(SW_SHOWNORMAL);
        }
    }
    SetWindowPos(OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void SDIDecFrame::UpdateRecordingState()
{
    const bool open = main_ && main_->IsInputOpen();
    const std::string text = RecordingStateText(GetModule(), open);
    const int icon = open ? kIconInputOpen : kIconInputClosed;
    if (systemMenu_) {
        systemMenu_->ModifyMenu(kSysMenuToggleRecord, MF_BYCOMMAND | MF_STRING | MF_ENABLED, kSysMenuToggleRecord,
                                text.c_str());
    }
    SetIconSm(GetModule(), icon);
    if (tray_) {
        tray_->SetIcon(static_cast<UINT>(icon));
    }
}

bool SDIDecFrame::AcceptFromOutside(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_STOP:
    case UM_SEEK:
    case UM_STOP_AND_SAVE:
    case UM_STOP_AND_PLAY:
    case UM_STOP_AND_RECORD:
        return true;
    case WM_COMMAND:
        if (lParam != 0 || HIWORD(wParam) != 0) {
            return false;
        }
        for (UINT id : kOutsideCommands) {
            if (LOWORD(wParam) == id) {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

void SDIDecFrame::CloseWindow(int)
{
    // Every close request goes through the application, which decides between hiding and closing.
    OWL::TApplication* app = GetApplication();
    if (!app || app->CanClose()) {
        Destroy();
    }
}

LRESULT SDIDecFrame::EvSysCommandMessage(WPARAM wParam, LPARAM)
{
    if (wParam == kSysMenuToggleRecord) {
        PostToMain(UM_TOGGLE_RECORD);
        return 0;
    }
    const LRESULT result = DefaultProcessing();
    if (wParam == SC_MINIMIZE && TrayIcon && TrayShown()) {
        ShowWindow(SW_HIDE);
    }
    return result;
}

LRESULT SDIDecFrame::EvCloseMessage(WPARAM, LPARAM)
{
    CloseWindow();
    return 0;
}

LRESULT SDIDecFrame::EvQueryEndSessionMessage(WPARAM, LPARAM)
{
    RequestExit();
    return TRUE;
}

LRESULT SDIDecFrame::EvEndSession(WPARAM wParam, LPARAM)
{
    if (!wParam || !Handle) {
        return 0;
    }
    // Nobody is left to answer a question: the recording is closed and kept, the settings saved.
    RequestExit();
    if (main_) {
        main_->EndSession();
    }
    if (App* app = dynamic_cast<App*>(GetApplication())) {
        app->savesettings(nullptr);
    }
    Destroy();
    return 0;
}

LRESULT SDIDecFrame::EvTimerMessage(WPARAM wParam, LPARAM lParam)
{
    if (wParam != TIMER_TRAY_CLICK) {
        return main_ && main_->GetHandle() ? main_->SendMessage(WM_TIMER, wParam, lParam) : 0;
    }
    KillTimer(TIMER_TRAY_CLICK);
    if (!doubleClickSeen_) {
        PostToMain(UM_TRAY_SINGLE_CLICK);
    }
    return 0;
}

LRESULT SDIDecFrame::EvIgnored(WPARAM, LPARAM) { return 0; }

LRESULT SDIDecFrame::EvDeviceChangeMessage(WPARAM wParam, LPARAM lParam)
{
    return main_ && main_->GetHandle() ? main_->SendMessage(WM_DEVICECHANGE, wParam, lParam) : 0;
}

LRESULT SDIDecFrame::EvStateChanged(WPARAM, LPARAM)
{
    UpdateRecordingState();
    return 0;
}

LRESULT SDIDecFrame::EvTrayNotify(WPARAM wParam, LPARAM lParam)
{
    return tray_ ? tray_->EvTrayMouse(static_cast<UINT>(wParam), static_cast<UINT>(lParam)) : 0;
}

// A notification area appeared (or came back): the icon is added to it as at the start.
LRESULT SDIDecFrame::EvTaskbarCreated(WPARAM, LPARAM)
{
    if (tray_) {
        tray_->SetIcon(0);
        tray_->SetIcon(kIconStart);
        UpdateRecordingState();
    }
    return 0;
}

LRESULT SDIDecFrame::EvTrayClick(WPARAM, LPARAM)
{
    doubleClickSeen_ = false;
    SetTimer(TIMER_TRAY_CLICK, GetDoubleClickTime() + 100);
    return 0;
}

LRESULT SDIDecFrame::EvSyncFiles(WPARAM wParam, LPARAM lParam)
{
    PostToMain(UM_SYNC_FILES, wParam, lParam);
    return 0;
}

LRESULT SDIDecFrame::EvHelp(WPARAM, LPARAM lParam)
{
    const FennApp* app = dynamic_cast<FennApp*>(GetApplication());
    const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
    if (!app || !app->HelpAvailablePath[0] || !info) {
        return 0;
    }
    int id = info->iCtrlId;
    if (info->iContextType == HELPINFO_WINDOW && info->hItemHandle) {
        id = GetDlgCtrlID(static_cast<HWND>(info->hItemHandle));
    }
    ShowHelpPopup(id, Handle);
    return 0;
}

LRESULT SDIDecFrame::EvGettingStarted(WPARAM, LPARAM)
{
    // The File page's first mode bit turns the greeting off.
    if (!(LHMode & 1)) {
        HtmlHelpA(Handle, HelpFilePath, HH_DISPLAY_TOPIC, reinterpret_cast<DWORD_PTR>(kGettingStartedTopic));
    }
    return 0;
}

LRESULT SDIDecFrame::EvRemoteControl(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam != kRemoteControlWParam) {
        return 1;
    }
    PostToMain(message, wParam, lParam);
    return 0;
}

void SDIDecFrame::CmOpenWindow()
{
    doubleClickSeen_ = true;
    ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(Handle);
}

void SDIDecFrame::CmNewFile()
{
    if (main_ && main_->GetHandle()) {
        main_->CmFileNew();
    }
}

void SDIDecFrame::CmToggleRecording() { PostToMain(UM_TOGGLE_RECORD); }

void SDIDecFrame::CeToggleRecording(OWL::TCommandEnabler& enabler)
{
    const bool open = main_ && main_->IsInputOpen();
    enabler.SetText(RecordingStateText(GetModule(), open).c_str());
}

void SDIDecFrame::CmAbout()
{
    if (FennApp* app = dynamic_cast<FennApp*>(GetApplication())) {
        app->CmAbout();
    }
}

void SDIDecFrame::CmExit()
{
    RequestExit();
    PostMessage(WM_CLOSE);
}

void SDIDecFrame::PostToMain(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (main_ && main_->GetHandle()) {
        main_->PostMessage(message, wParam, lParam);
    }
}

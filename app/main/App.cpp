// App and FennApp: construction (help paths, log, format buffers, settings),
// the main window in its frame, the close rules, and the settings load and save.
#include "app/main/App.h"

#include <string>

#include "app/FormatBuffers.h"
#include "app/main/Frame.h"
#include "app/main/OwlMain.h"
#include "app/StartOptions.h"
#include "controls/ContextHelpWin.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/mmio/Mmio.h"
#include "platform/user/Session.h"
#include "prefs/SetFile.h"
#include "recorder/AppDialog.h"
#include "resources/Resources.h"
#include "settings/FileSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsMessages.h"

namespace {
constexpr int kBigIcon = 1002;
constexpr int kSmallIcon = 1004;
constexpr int kMenuAndAccelerators = 100;

// The program's folder with its last separator.
std::string ProgramFolder()
{
    char path[260] = "";
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, n < sizeof path ? n : 0);
    const std::size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
}
}

FennApp::FennApp()
{
    // Every dialog's context help reads the paths set here.
    const std::string help = ProgramFolder() + "tapvox.chm";
    platform::CopyBounded(HelpFilePath, sizeof HelpFilePath, help);
    platform::CopyBounded(HelpPopupPath, sizeof HelpPopupPath, help + "::/CSTapvox.txt");
    platform::CopyBounded(HelpAvailablePath, sizeof HelpAvailablePath, help);
    if (!mmioOpenA(HelpFilePath, nullptr, MMIO_EXIST)) {
        HelpFilePath[0] = HelpPopupPath[0] = HelpAvailablePath[0] = '\0';
    }
}

App::App(const platform::ipc::InstanceLock* lock, bool hearSessionEnd)
    : OWL::TApplication("Tapvox"),
      SMsg(nullptr),
      SoundFileData(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_LONGNAMES,
                    "Sound files (*.WAV)|*.WAV|", nullptr, nullptr, "wav"),
      lock_(lock),
      hearSessionEnd_(hearSessionEnd)
{
    SMsg::SetLogPath(SMsg::DefaultLogPath());
    MaxFormatSize = 2000;
    AllocateFormatBuffers();
    // The two save-all failures are numbered messages of the application, owned by the main window.
    SetSettingsMessageHandler([this](int id) { ShowMessage(id, MB_OK); });
    SetSettingsProblemHandler([this](const std::string& text) {
        MessageBox(Owner ? Owner->GetHandle() : nullptr, text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
    });
    SetMainWindowPositionSource([this](LONG* x, LONG* y) {
        SDIDecFrame* frame = GetFrame();
        if (!frame || !frame->GetHandle()) {
            return false;
        }
        const OWL::TRect r = frame->GetWindowRect();
        *x = r.left;
        *y = r.top;
        return true;
    });
    // The File page's estimate falls back on what the main window records.
    SetRecordingFormatSource([this]() -> const WAVEFORMATEX* { return dialog_ ? dialog_->GetFileFormat() : nullptr; });
    loadsettings(SettingsFilePath);
    SoundFileData.InitialDir = DefaultDirectory;
}

App::~App()
{
    // The windows go first: their close paths still use the settings and the buffers.
    delete MainWindow;
    MainWindow = nullptr;
    dialog_ = nullptr;
    SetMainWindowPositionSource(nullptr);
    SetRecordingFormatSource(nullptr);
    SetSettingsMessageHandler(nullptr);
    SetSettingsProblemHandler(nullptr);
    FreeFormatBuffers();
}

SDIDecFrame* App::GetFrame() const { return dynamic_cast<SDIDecFrame*>(MainWindow); }

void App::loadsettings(const char* iniPath) { LoadAllSettings(iniPath); }

void App::savesettings(const char* iniPath) { SaveAllSettings(iniPath); }

void App::InitMainWindow()
{
    dialog_ = new TAppDialog(nullptr, resources::kMainDialog, this);
    Owner = dialog_;
    auto* frame = new SDIDecFrame(nullptr, GetName(), dialog_, true, this, lock_);
    SetMainWindow(frame);

    nCmdShow = nCmdShow == SW_SHOWMINIMIZED ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    if (StartOptions.RunHidden) {
        nCmdShow = SW_HIDE;
    }
    if (FirstInstance) {
        if (SavedWindowX != 0) {
            frame->Attr.X = SavedWindowX;
        }
        if (SavedWindowY != 0) {
            frame->Attr.Y = SavedWindowY;
        }
    }
    // A fixed-size window without maximise box.
    frame->Attr.Style &= ~(WS_MAXIMIZEBOX | WS_THICKFRAME);
    frame->Attr.Style |= 0x10CA0000;
    frame->Attr.Style &= ~0x42050000u;
    frame->SetIcon(this, kBigIcon);
    frame->SetIconSm(this, kSmallIcon);
    frame->AssignMenu(kMenuAndAccelerators);
    frame->Attr.AccelTable = kMenuAndAccelerators;
    tooltip_ = new OWL::TTooltip(frame);
}

void App::InitInstance()
{
    OWL::TApplication::InitInstance();
    if (hearSessionEnd_ && MainWindow && MainWindow->GetHandle()) {
        platform::DeliverSessionEnd(MainWindow->GetHandle());
    }
}

bool App::CanClose()
{
    savesettings(nullptr);
    SDIDecFrame* frame = GetFrame();
    // Hidden only where the tray icon really is: without a notification area the window would be lost.
    if (frame && frame->TrayShown() && !frame->ExitRequested()) {
        frame->ShowWindow(SW_HIDE);
        return false;
    }
    if (dialog_ && (dialog_->IsInputOpen() || dialog_->IsOutputOpen())) {
        dialog_->stop();
    }
    const bool allowed = OWL::TApplication::CanClose();
    // A refused exit is over: the next close click hides again.
    if (!allowed && frame) {
        frame->ClearExitRequest();
    }
    return allowed;
}

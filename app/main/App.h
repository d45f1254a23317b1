#pragma once
// FennApp and App: the application object with the help paths, the sound-file
// dialog data, the format buffers, the log path, the settings load and save,
// and the main window in its frame with the close rules.
#include "app/SMsg.h"
#include "owl/Application.h"
#include "owl/OpenSaveDialog.h"
#include "owl/Tooltip.h"

class SDIDecFrame;
class TAppDialog;
namespace platform::ipc {
class InstanceLock;
}

class FennApp : virtual public OWL::TApplication {
public:
    FennApp();

    // The help file beside the program, the popup texts in it, and the path the
    // frame's help acts on; all three empty when there is no help file.
    char HelpFilePath[260] = "";
    char PopupTextPath[260] = "";
    char HelpAvailablePath[260] = "";
};

class App : public FennApp, public SMsg {
public:
    // lock: the single-instance lock this process holds, under which the frame
    // publishes itself (null: a frame that other processes cannot reach).
    // hearSessionEnd: SIGTERM and SIGHUP, held since main() began, reach the frame
    // as the end of the session (only the program itself asks for it).
    explicit App(const platform::ipc::InstanceLock* lock = nullptr, bool hearSessionEnd = false);
    ~App() override;

    void InitMainWindow() override;
    void InitInstance() override;
    // Every close request: saves the settings, hides to the tray icon when it is
    // shown and no exit was asked for, else stops and asks the windows.
    bool CanClose() override;

    // iniPath null or empty: the default store.
    void loadsettings(const char* iniPath);
    void savesettings(const char* iniPath);

    SDIDecFrame* GetFrame() const;
    TAppDialog* GetAppDialog() const { return dialog_; }
    OWL::TTooltip* GetTooltip() const override { return tooltip_; }

    OWL::TOpenSaveDialog::TData SoundFileData;

private:
    const platform::ipc::InstanceLock* lock_;
    bool hearSessionEnd_;
    TAppDialog* dialog_ = nullptr;
    OWL::TTooltip* tooltip_ = nullptr;
};

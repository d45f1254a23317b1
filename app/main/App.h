#pragma once
// FennApp and App: the application object with the help paths, the sound-file
// dialog data, the format buffers, the log path, the settings load and save,
// the main window in its frame with the close rules, and the application's
// commands (preferences, timer switch, settings files, help, web pages, About).
#include <string>

#include "app/SMsg.h"
#include "owl/Application.h"
#include "owl/CommandEnabler.h"
#include "owl/OpenSaveDialog.h"
#include "owl/Tooltip.h"

class SDIDecFrame;
class TAppDialog;
namespace platform::ipc {
class InstanceLock;
}

class FennApp : virtual public OWL::TApplication {
public:
    // Finds the help file beside the program and sets the process-wide help
    // paths (HelpFilePath and HelpPopupPath of the context help) from it.
    FennApp();

    // The path the frame's help acts on; empty when there is no help file.
    char HelpAvailablePath[260] = "";

    // "http://" in front unless the text begins with it; shown by the desktop's opener.
    void OpenUrl(const std::string& text);

    // The Help menu, the sound programs and About.
    void CmMixerPlay();
    void CmMixerRecord();
    void CmVolume();
    void CmMultimediaProperties();
    void CmHelpContents();
    void CmCheckUpdates();
    void CmWebSite();
    void CmProductPage();
    void CmAbout();

protected:
    // The frame: what owns the About box, help topics and opened pages.
    HWND MainHandle() const;

    DECLARE_RESPONSE_TABLE(FennApp)
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

    // The commands of the Options menu, the File menu's close and exit, and those
    // without a menu item that other programs send.
    void CmPreferences();
    void CmToggleTimer();
    void CeToggleTimer(OWL::TCommandEnabler& enabler);
    void CmExit();
    void CmCloseWindow();
    void CmSaveSettings();
    void CmSaveSettingsAs();
    void CmLoadSettingsFrom();
    void CmRunProgram();

    SDIDecFrame* GetFrame() const;
    TAppDialog* GetAppDialog() const { return dialog_; }
    OWL::TTooltip* GetTooltip() const override { return tooltip_; }

    OWL::TOpenSaveDialog::TData SoundFileData;

private:
    // After the preferences and a settings file: the frame applies the settings, the main window hears of them.
    void SettingsChanged();

    const platform::ipc::InstanceLock* lock_;
    bool hearSessionEnd_;
    TAppDialog* dialog_ = nullptr;
    OWL::TTooltip* tooltip_ = nullptr;

    DECLARE_RESPONSE_TABLE(App)
};

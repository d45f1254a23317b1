#pragma once
// SDIDecFrame: the frame around the main window: caption and window class, the
// system-menu item, the tray icon, always on top, the start-up actions, close and
// hide, the session's end, and the remote-control messages of other programs.
#include <memory>

#include "app/main/TrayIcon.h"
#include "owl/FrameWindow.h"
#include "owl/Menu.h"

class TAppDialog;
namespace platform::ipc {
class InstanceLock;
}

// The remote-control messages are acted on only with this wParam.
constexpr WPARAM kRemoteControlWParam = 33;
constexpr UINT kSysMenuToggleRecord = 25000;

class SDIDecFrame : public OWL::TFrameWindow {
public:
    // lock: the single-instance lock under which the frame publishes itself to
    // other processes (null: it stays private).
    SDIDecFrame(OWL::TWindow* parent, LPCSTR title, TAppDialog* client, bool shrinkToClient, OWL::TModule* module,
                const platform::ipc::InstanceLock* lock);
    ~SDIDecFrame() override;

    LPCSTR GetClassName() override;
    void SetupWindow() override;
    void CleanupWindow() override;
    // Every close request asks the application (App::CanClose), as the close box does.
    void CloseWindow(int retVal = 0) override;

    // After set-up, the preferences and a settings file: schedule, tray icon, always on top.
    void ApplySettings();
    // The system-menu text and the icons follow whether the input is open.
    void UpdateRecordingState();

    void RequestExit() { exitRequest_ = true; }
    void ClearExitRequest() { exitRequest_ = false; }
    bool ExitRequested() const { return exitRequest_; }
    // Whether the frame can be hidden and still be reached: its icon is in a notification area.
    bool TrayShown() const { return tray_ && tray_->IsShown(); }
    TTrayIcon* GetTrayIcon() const { return tray_.get(); }
    TAppDialog* GetAppDialog() const { return main_; }

    // What the frame takes from other processes: the remote-control messages, and the
    // commands that no menu offers; nothing that names a control or a window.
    static bool AcceptFromOutside(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    LRESULT EvSysCommandMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvCloseMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvQueryEndSessionMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT EvTimerMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvIgnored(WPARAM wParam, LPARAM lParam);
    LRESULT EvDeviceChangeMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvStateChanged(WPARAM wParam, LPARAM lParam);
    LRESULT EvTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT EvTrayClick(WPARAM wParam, LPARAM lParam);
    LRESULT EvTaskbarCreated(WPARAM wParam, LPARAM lParam);
    LRESULT EvSyncFiles(WPARAM wParam, LPARAM lParam);
    // F1 over the frame or a control of the main window: the control's popup text.
    LRESULT EvHelp(WPARAM wParam, LPARAM lParam);
    LRESULT EvGettingStarted(WPARAM wParam, LPARAM lParam);
    // Re-posted to the main window with wParam 33; refused (1) with any other.
    LRESULT EvRemoteControl(UINT message, WPARAM wParam, LPARAM lParam);
    void CmOpenWindow();
    void CmNewFile();
    void CmToggleRecording();
    void CeToggleRecording(OWL::TCommandEnabler& enabler);
    void CmAbout();
    void CmExit();

private:
    void PostToMain(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    TAppDialog* main_;
    const platform::ipc::InstanceLock* lock_;
    std::unique_ptr<OWL::TSystemMenu> systemMenu_;
    std::unique_ptr<TTrayIcon> tray_;
    bool exitRequest_ = false;
    bool doubleClickSeen_ = false;
    bool published_ = false;

    DECLARE_RESPONSE_TABLE(SDIDecFrame)
};

#pragma once
// A private X server for one test process: Xvfb on a display number it picks
// itself (so test processes run in parallel), with a small tray host and a window
// manager beside it on request. DISPLAY names it while it lives.
#include <string>
#include <sys/types.h>

namespace testsupport {
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    // Empty when the server could not start (Xvfb missing).
    const std::string& name() const { return name_; }
    // Starts an XEmbed tray host (trayer) on the display; false when it cannot.
    bool StartTray();
    void StopTray();
    // Starts a window manager (openbox) on the display; false when it cannot. It has
    // taken over the screen once the display shows a window manager's check window.
    bool StartWindowManager();
    void StopWindowManager();

private:
    pid_t server_ = -1;
    pid_t tray_ = -1;
    pid_t windowManager_ = -1;
    std::string name_;
    std::string oldDisplay_;
    bool hadDisplay_ = false;
};
}

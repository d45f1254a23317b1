#pragma once
// Internal to platform/display: the notification-area icon served as a StatusNotifierItem
// on the session bus, for desktops whose notification area is a StatusNotifierItem host.
#include <wx/icon.h>
#include <wx/string.h>

#include <functional>
#include <memory>

#include "platform/core/Types.h"

namespace platform::display {
// Watches the session bus for a StatusNotifierItem watcher; its coming and going is
// announced as a notification area's (AnnounceTray). Nothing when there is no session bus.
void StartStatusNotifierWatch();
void StopStatusNotifierWatch();
// Whether a watcher is on the bus and says a host shows the items it holds.
bool StatusNotifierHostPresent();

// One icon: its own connection to the bus, so that the host drops the item when it goes.
// The host's requests come back as the mouse messages the owner expects of a tray icon.
class StatusNotifierIcon {
public:
    explicit StatusNotifierIcon(std::function<void(UINT)> tell);
    ~StatusNotifierIcon();
    StatusNotifierIcon(const StatusNotifierIcon&) = delete;
    StatusNotifierIcon& operator=(const StatusNotifierIcon&) = delete;
    // Registers the item with the watcher the first time, tells the host of a change after;
    // false when the bus or the watcher refused it.
    bool Show(const wxIcon& icon, const wxString& tip);

    struct Item;

private:
    std::unique_ptr<Item> item_;
};
}

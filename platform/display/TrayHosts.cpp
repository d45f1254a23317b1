// News of a notification area that appears after the program started: a tray host taking the
// XEmbed system tray's selection, or a StatusNotifierItem watcher coming onto the bus. Every top-level window hears of it as from the shell, by the
// registered message "TaskbarCreated", and owners add their icons again.
#include <gdk/gdk.h>
#include <gdk/gdkx.h>

#include <string>
#include <vector>

#include "platform/display/Desktop.h"
#include "platform/display/StatusNotifier.h"
#include "platform/user/RegisteredMessages.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
struct TrayWatch {
    GdkWindow* root = nullptr;
    Atom manager = 0;
    Atom selection = 0;
};
TrayWatch g_watch;

// A tray host that takes the selection tells every client on the root window with a MANAGER message.
GdkFilterReturn ManagerMessage(GdkXEvent* native, GdkEvent*, gpointer)
{
    const auto* e = static_cast<const XEvent*>(native);
    if (e->type == ClientMessage && e->xclient.message_type == g_watch.manager &&
        static_cast<Atom>(e->xclient.data.l[1]) == g_watch.selection) {
        AnnounceTray();
    }
    return GDK_FILTER_CONTINUE;
}
}

void AnnounceTray()
{
    const UINT message = RegisterWindowMessageA("TaskbarCreated");
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND h, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    for (HWND h : windows) {
        PostMessage(h, message, 0, 0);
    }
    if (DesktopBackend* b = TheBackend(); b && !windows.empty()) {
        b->CountPosted();
    }
}

void StartWatchingTrays()
{
    StartStatusNotifierWatch();
    GdkDisplay* display = gdk_display_get_default();
    if (g_watch.root || !display || !GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    GdkScreen* screen = gdk_display_get_default_screen(display);
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(gdk_x11_screen_get_screen_number(screen));
    g_watch.manager = gdk_x11_get_xatom_by_name_for_display(display, "MANAGER");
    g_watch.selection = gdk_x11_get_xatom_by_name_for_display(display, selection.c_str());
    g_watch.root = gdk_screen_get_root_window(screen);
    gdk_window_set_events(g_watch.root, static_cast<GdkEventMask>(gdk_window_get_events(g_watch.root) | GDK_STRUCTURE_MASK));
    gdk_window_add_filter(g_watch.root, ManagerMessage, nullptr);
}

void StopWatchingTrays()
{
    StopStatusNotifierWatch();
    if (g_watch.root) {
        gdk_window_remove_filter(g_watch.root, ManagerMessage, nullptr);
    }
    g_watch = TrayWatch{};
}
}

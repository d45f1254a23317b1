// What the desktop tests see of the notification area (whether a tray host is there, where an icon shows) and of the screen's pixels.
#include <gtk/gtk.h>
#include <wx/taskbar.h>

#include "platform/display/Desktop.h"
#include "tests/support/platform/display/DisplayTesting.h"

namespace platform::display::testing {
namespace {
GtkWidget* ShownTrayWindow(HWND owner, UINT id)
{
    const DesktopBackend* b = TheBackend();
    const TrayIcon* icon = b ? b->FindTrayIcon(owner, id) : nullptr;
    GtkWidget* w = icon ? TrayIconWindow(*icon) : nullptr;
    if (!w || !gtk_widget_get_mapped(w) || gtk_widget_get_allocated_width(w) < 2 ||
        gtk_widget_get_allocated_height(w) < 2) {
        return nullptr;
    }
    return w;
}
}

bool TrayHostPresent() { return wxTaskBarIcon::IsAvailable(); }

std::optional<POINT> TrayIconOnScreen(HWND owner, UINT id)
{
    GtkWidget* w = ShownTrayWindow(owner, id);
    if (!w) {
        return std::nullopt;
    }
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(gtk_widget_get_window(w), &x, &y);
    return POINT{x + gtk_widget_get_allocated_width(w) / 2, y + gtk_widget_get_allocated_height(w) / 2};
}

std::string TrayIconTooltip(HWND owner, UINT id)
{
    GtkWidget* w = ShownTrayWindow(owner, id);
    gchar* tip = w ? gtk_widget_get_tooltip_text(w) : nullptr;
    const std::string out = tip ? tip : "";
    g_free(tip);
    return out;
}

std::optional<COLORREF> ScreenPixel(POINT at)
{
    const std::vector<std::uint32_t> pixel = ScreenPixels(RECT{at.x, at.y, at.x + 1, at.y + 1});
    if (pixel.empty()) {
        return std::nullopt;
    }
    return RGB((pixel.front() >> 16) & 0xFF, (pixel.front() >> 8) & 0xFF, pixel.front() & 0xFF);
}
}

// What the desktop tests compare the themed faces with: a real toolkit button in its window drawn in a state, and the desktop's theme switched as its settings would.
#include <gtk/gtk.h>

#include <cstdint>

#include "platform/display/Desktop.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/theme/Theme.h"

namespace platform::display::testing {
std::vector<COLORREF> ToolkitButtonFace(int stateId, int width, int height)
{
    // The state's own look at once, not the start of the theme's transition to it.
    GtkSettings* settings = gtk_settings_get_default();
    gboolean animations = TRUE;
    g_object_get(settings, "gtk-enable-animations", &animations, nullptr);
    g_object_set(settings, "gtk-enable-animations", FALSE, nullptr);
    GtkWidget* window = gtk_offscreen_window_new();
    GtkWidget* button = gtk_button_new();
    gtk_style_context_add_class(gtk_widget_get_style_context(button), "text-button");
    gtk_widget_set_size_request(button, width, height);
    gtk_container_add(GTK_CONTAINER(window), button);
    gtk_widget_show_all(window);
    GtkAllocation place{0, 0, width, height};
    gtk_widget_size_allocate(button, &place);
    // A window of the program's own in front, not one in the background.
    gtk_widget_unset_state_flags(window, GTK_STATE_FLAG_BACKDROP);
    const GtkStateFlags flags = stateId == PBS_HOT       ? GTK_STATE_FLAG_PRELIGHT
                                : stateId == PBS_PRESSED  ? static_cast<GtkStateFlags>(GTK_STATE_FLAG_ACTIVE | GTK_STATE_FLAG_PRELIGHT)
                                : stateId == PBS_DISABLED ? GTK_STATE_FLAG_INSENSITIVE
                                                          : GTK_STATE_FLAG_NORMAL;
    gtk_widget_set_state_flags(button, flags, TRUE);

    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(image);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(window, cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    std::vector<COLORREF> out;
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            out.push_back(RGB((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF));
        }
    }
    cairo_surface_destroy(image);
    gtk_widget_destroy(window);
    g_object_set(settings, "gtk-enable-animations", animations, nullptr);
    return out;
}

std::string SwitchTheme(const std::string& name, bool dark)
{
    gchar* old = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-theme-name", &old, nullptr);
    const std::string previous = old ? old : "";
    g_free(old);
    g_object_set(gtk_settings_get_default(), "gtk-theme-name", name.c_str(), "gtk-application-prefer-dark-theme",
                 dark ? TRUE : FALSE, nullptr);
    return previous;
}
}

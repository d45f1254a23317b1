// The themed drawing of push buttons in the desktop's GTK theme: their faces in each
// state and their text colour, drawn into the layer's device contexts; a change of
// the desktop's theme tells every window.
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/display/Desktop.h"
#include "platform/theme/Theme.h"

namespace platform::display {
namespace {
GtkStateFlags FlagsOf(int stateId)
{
    switch (stateId) {
    case PBS_HOT:
        return GTK_STATE_FLAG_PRELIGHT;
    case PBS_PRESSED:
        // Held down under the mouse, as the theme draws a button being pressed.
        return static_cast<GtkStateFlags>(GTK_STATE_FLAG_ACTIVE | GTK_STATE_FLAG_PRELIGHT);
    case PBS_DISABLED:
        return GTK_STATE_FLAG_INSENSITIVE;
    default:
        return GTK_STATE_FLAG_NORMAL;
    }
}

class ButtonTheme : public ThemeRenderer {
public:
    ~ButtonTheme() override { Forget(); }

    bool HasClass(const std::wstring& className) const override
    {
        return EqualsNoCase(wxString(className).utf8_string(), "Button");
    }

    bool DrawBackground(HDC dc, const std::wstring&, int partId, int stateId, const RECT& rect, const RECT* clip) override
    {
        if (partId != BP_PUSHBUTTON) {
            return false;
        }
        const int w = rect.right - rect.left;
        const int h = rect.bottom - rect.top;
        if (w <= 0 || h <= 0) {
            return true;
        }
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(image);
            return false;
        }
        cairo_t* cr = cairo_create(image);
        const COLORREF face = GetSysColor(COLOR_3DFACE);
        cairo_set_source_rgb(cr, GetRValue(face) / 255.0, GetGValue(face) / 255.0, GetBValue(face) / 255.0);
        cairo_paint(cr);
        // On the theme's window background, which the toolkit shows around the button: its rounded
        // corners then come out the same however often the face is drawn over itself.
        gtk_render_background(Context(window_, false), cr, 0, 0, w, h);
        GtkStyleContext* style = Context(button_, true);
        gtk_style_context_save(style);
        gtk_style_context_set_state(style, FlagsOf(stateId));
        gtk_render_background(style, cr, 0, 0, w, h);
        gtk_render_frame(style, cr, 0, 0, w, h);
        gtk_style_context_restore(style);
        cairo_destroy(cr);
        cairo_surface_flush(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        std::vector<DWORD> bits(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            std::copy(row, row + w, bits.begin() + static_cast<std::ptrdiff_t>(y) * w);  // opaque: no premultiplying to undo
        }
        cairo_surface_destroy(image);
        return CopyOut(dc, bits, rect, clip);
    }

    bool DrawText(HDC dc, const std::wstring&, int partId, int, const std::wstring& text, DWORD textFlags, bool grayed,
                  const RECT& rect) override
    {
        if (partId != BP_PUSHBUTTON) {
            return false;
        }
        GtkStyleContext* style = Context(button_, true);
        gtk_style_context_save(style);
        gtk_style_context_set_state(style, grayed ? GTK_STATE_FLAG_INSENSITIVE : GTK_STATE_FLAG_NORMAL);
        GdkRGBA colour{};
        gtk_style_context_get_color(style, gtk_style_context_get_state(style), &colour);
        gtk_style_context_restore(style);
        const auto channel = [](double v) { return static_cast<BYTE>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
        const COLORREF oldColour = SetTextColor(dc, RGB(channel(colour.red), channel(colour.green), channel(colour.blue)));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        RECT r = rect;
        const std::string utf8 = wxString(text).utf8_string();
        const int drawn = DrawTextA(dc, utf8.c_str(), static_cast<int>(utf8.size()), &r, textFlags);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldColour);
        return drawn != 0 || utf8.empty();
    }

    // Styles are looked up again after the desktop's theme changed.
    void Forget()
    {
        for (GtkStyleContext** c : {&window_, &button_}) {
            if (*c) {
                g_object_unref(*c);
                *c = nullptr;
            }
        }
    }

private:
    // A dialog's window, or a push button with a text in it, as the theme's rules select them.
    static GtkStyleContext* Context(GtkStyleContext*& cached, bool button)
    {
        if (!cached) {
            GtkWidgetPath* path = gtk_widget_path_new();
            gtk_widget_path_append_type(path, GTK_TYPE_WINDOW);
            gtk_widget_path_iter_set_object_name(path, -1, "window");
            gtk_widget_path_iter_add_class(path, -1, "background");
            if (button) {
                gtk_widget_path_append_type(path, GTK_TYPE_BUTTON);
                gtk_widget_path_iter_set_object_name(path, -1, "button");
                gtk_widget_path_iter_add_class(path, -1, "text-button");
            }
            cached = gtk_style_context_new();
            gtk_style_context_set_path(cached, path);
            gtk_widget_path_unref(path);
        }
        return cached;
    }

    static bool CopyOut(HDC dc, const std::vector<DWORD>& bits, const RECT& rect, const RECT* clip)
    {
        const int w = rect.right - rect.left;
        const int h = rect.bottom - rect.top;
        RECT area = rect;
        if (clip) {
            area.left = std::max(area.left, clip->left);
            area.top = std::max(area.top, clip->top);
            area.right = std::min(area.right, clip->right);
            area.bottom = std::min(area.bottom, clip->bottom);
            if (area.right <= area.left || area.bottom <= area.top) {
                return true;
            }
        }
        HBITMAP face = CreateBitmap(w, h, 1, 32, bits.data());
        HDC source = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(source, face);
        const BOOL done = BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
                                 area.left - rect.left, area.top - rect.top, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        DeleteObject(face);
        return done != FALSE;
    }

    GtkStyleContext* window_ = nullptr;
    GtkStyleContext* button_ = nullptr;
};

COLORREF ToColour(const GdkRGBA& c)
{
    const auto channel = [](double v) { return static_cast<BYTE>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return RGB(channel(c.red), channel(c.green), channel(c.blue));
}

COLORREF Mix(COLORREF a, COLORREF b, double part)
{
    const auto mix = [part](int x, int y) { return static_cast<BYTE>(x + (y - x) * part + 0.5); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

// The program's faces, texts and edges in the theme's colours, light or dark, as its own widgets show them.
void ReadSystemColours()
{
    GtkWidgetPath* path = gtk_widget_path_new();
    gtk_widget_path_append_type(path, GTK_TYPE_WINDOW);
    gtk_widget_path_iter_set_object_name(path, -1, "window");
    gtk_widget_path_iter_add_class(path, -1, "background");
    GtkStyleContext* style = gtk_style_context_new();
    gtk_style_context_set_path(style, path);
    gtk_widget_path_unref(path);
    GdkRGBA fg{};
    gtk_style_context_get_color(style, GTK_STATE_FLAG_NORMAL, &fg);
    const auto named = [style](const char* name, COLORREF fallback) {
        GdkRGBA c{};
        return gtk_style_context_lookup_color(style, name, &c) ? ToColour(c) : fallback;
    };
    const COLORREF text = ToColour(fg);
    const COLORREF face = named("theme_bg_color", Mix(text, RGB(255, 255, 255), 0.94));
    const COLORREF white = RGB(255, 255, 255);
    const std::map<int, COLORREF> colours{
        {COLOR_3DFACE, face},
        {COLOR_BTNTEXT, text},
        {COLOR_WINDOWTEXT, named("theme_text_color", text)},
        {COLOR_WINDOW, named("theme_base_color", face)},
        {COLOR_HIGHLIGHT, named("theme_selected_bg_color", RGB(0, 120, 215))},
        {COLOR_HIGHLIGHTTEXT, named("theme_selected_fg_color", white)},
        {COLOR_GRAYTEXT, named("insensitive_fg_color", Mix(face, text, 0.5))},
        {COLOR_BTNSHADOW, Mix(face, text, 0.3)},
        {COLOR_3DDKSHADOW, Mix(face, text, 0.5)},
        {COLOR_3DHILIGHT, Mix(face, white, 0.6)},
        {COLOR_3DLIGHT, Mix(face, white, 0.3)},
    };
    g_object_unref(style);
    SetSystemColours(colours);
}

ButtonTheme* g_theme = nullptr;
gulong g_themeName = 0;
gulong g_darkTheme = 0;

guint g_pendingNews = 0;

gboolean TellWindows(gpointer)
{
    g_pendingNews = 0;
    ReadSystemColours();
    PostThemeChanged();
    if (DesktopBackend* b = TheBackend()) {
        b->CountPosted();
    }
    return G_SOURCE_REMOVE;
}

// A theme and its dark variant often change together: the windows hear of it once.
void ThemeNotified(GObject*, GParamSpec*, gpointer)
{
    if (g_theme) {
        g_theme->Forget();
        if (!g_pendingNews) {
            g_pendingNews = g_idle_add(TellWindows, nullptr);
        }
    }
}
}

void StartTheme()
{
    if (g_theme) {
        return;
    }
    g_theme = new ButtonTheme;
    ReadSystemColours();
    GtkSettings* settings = gtk_settings_get_default();
    g_themeName = g_signal_connect(settings, "notify::gtk-theme-name", G_CALLBACK(ThemeNotified), nullptr);
    g_darkTheme = g_signal_connect(settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(ThemeNotified), nullptr);
    SetThemeRenderer(g_theme);
}

void StopTheme()
{
    if (!g_theme) {
        return;
    }
    GtkSettings* settings = gtk_settings_get_default();
    g_signal_handler_disconnect(settings, g_themeName);
    g_signal_handler_disconnect(settings, g_darkTheme);
    if (g_pendingNews) {
        g_source_remove(g_pendingNews);
        g_pendingNews = 0;
    }
    SetThemeRenderer(nullptr);
    SetSystemColours({});
    delete g_theme;
    g_theme = nullptr;
}
}

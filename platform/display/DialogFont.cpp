// The dialog font the controls show their text in, its base units, and the compact style that lets controls keep their template sizes.
#include <gtk/gtk.h>

#include "platform/display/Desktop.h"

namespace platform::display {
namespace {
// The templates ask for the classic 8-point dialog font; the desktop's sans
// face at that size stands in for it, in every control of every dialog.
constexpr int kDialogPoints = 8;

// Controls keep the sizes their templates give them: the theme's generous
// padding and minimum sizes would clip their text inside those sizes. Every
// menu item is a check item (any may be checked): unchecked, it shows no box.
constexpr const char* kCompactStyle = R"css(
button { padding: 0 4px; min-height: 0; min-width: 0; }
entry { padding: 0 3px; min-height: 0; }
combobox button, combobox entry { padding-top: 0; padding-bottom: 0; min-height: 0; }
combobox box.linked button { padding: 0 4px; }
spinbutton button { padding: 0; min-width: 0; min-height: 0; }
checkbutton, radiobutton { padding: 0; min-height: 0; }
check, radio { min-width: 11px; min-height: 11px; margin: 0 4px 0 0; padding: 0; }
scale { padding: 0 4px; min-height: 0; }
scale slider { min-width: 10px; min-height: 10px; margin: -4px; }
progressbar trough, progressbar progress { min-height: 0; }
frame > label { padding: 0; }
menuitem check:not(:checked) { -gtk-icon-source: none; border-color: transparent; background: none; box-shadow: none; }
)css";
}

const wxFont& DialogFont()
{
    static const wxFont font(wxFontInfo(kDialogPoints).Family(wxFONTFAMILY_SWISS));
    return font;
}

SIZE MeasureBaseUnits(const wxFont& font)
{
    // As the classic dialog manager measures its font: the mean width of the
    // 52 letters, rounded, and the line height.
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    dc.SetFont(font);
    wxCoord w = 0;
    wxCoord h = 0;
    dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &w, &h);
    return SIZE{(w / 26 + 1) / 2, h};
}

void LoadCompactStyle()
{
    GtkCssProvider* css = gtk_css_provider_new();
    if (gtk_css_provider_load_from_data(css, kCompactStyle, -1, nullptr)) {
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    g_object_unref(css);
    InterceptKeys();
}
}

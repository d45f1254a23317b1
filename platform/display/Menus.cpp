// Menu bars shown from the layer's menus and kept in step with them, and pop-up menus with a loop of their own.
#include <gtk/gtk.h>

#include <set>
#include <vector>

#include "platform/display/Desktop.h"
#include "platform/user/Menus.h"

namespace platform::display {
namespace {
std::string ItemText(HMENU menu, int pos)
{
    char buf[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

char Mnemonic(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] != '&') {
                const char c = text[i + 1];
                return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            }
            ++i;
        }
    }
    return 0;
}

// The label the toolkit gets: the text before the tab. Its accelerator parser never
// sees the key text, so it neither complains about texts it does not know
// ("Right-cursor") nor installs shortcuts of its own that would act a second time
// beside the program's accelerator table.
wxString WxLabel(const std::string& text) { return wxString::FromUTF8(text.substr(0, text.find('\t'))); }

// The key text after the tab, shown as the program wrote it at the item's far end.
void ShowKeyText(wxMenuItem* item, const std::string& text)
{
    const std::size_t tab = text.find('\t');
    GtkWidget* menuItem = item->GetMenuItem();
    GtkWidget* label = menuItem ? gtk_bin_get_child(GTK_BIN(menuItem)) : nullptr;
    if (tab == std::string::npos || tab + 1 == text.size() || !label) {
        return;
    }
    // The item holds one child: its own label (mnemonic and all) moves into a row beside the key text.
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
    g_object_ref(label);
    gtk_container_remove(GTK_CONTAINER(menuItem), label);
    gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
    g_object_unref(label);
    GtkWidget* keys = gtk_label_new(text.substr(tab + 1).c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(keys), GTK_STYLE_CLASS_DIM_LABEL);
    gtk_box_pack_end(GTK_BOX(row), keys, FALSE, FALSE, 0);
    gtk_widget_show_all(row);
    gtk_container_add(GTK_CONTAINER(menuItem), row);
}

struct BarMenus {
    HWND frame = nullptr;
    std::map<wxMenu*, HMENU> menus;
};

class MenuBar : public wxMenuBar {
public:
    explicit MenuBar(HWND frame) { bar_.frame = frame; }
    BarMenus bar_;
};

std::set<MenuBar*>& Bars()
{
    static std::set<MenuBar*> bars;
    return bars;
}

// Menus that are open now, kept in step with the program's item states.
std::map<wxMenu*, HMENU>& OpenMenus()
{
    static std::map<wxMenu*, HMENU> open;
    return open;
}

wxMenu* Build(HMENU menu, BarMenus& bar)
{
    auto* m = new wxMenu;
    bar.menus[m] = menu;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            m->AppendSeparator();
        } else if (HMENU sub = GetSubMenu(menu, i)) {
            m->AppendSubMenu(Build(sub, bar), WxLabel(ItemText(menu, i)));
        } else {
            // Any item may be checked: all are check items, which show nothing while unchecked.
            const int id = static_cast<int>(GetMenuItemID(menu, i));
            m->AppendCheckItem(id, WxLabel(ItemText(menu, i)));
        }
    }
    return m;
}

// Once the whole bar is built: appending a submenu sets the labels of the items under it anew.
void ShowKeyTexts(wxMenu* m, HMENU menu)
{
    const int n = GetMenuItemCount(menu);
    int i = 0;
    for (wxMenuItem* item : m->GetMenuItems()) {
        if (i >= n) {
            break;
        }
        if (!item->IsSeparator()) {
            ShowKeyText(item, ItemText(menu, i));
        }
        if (HMENU sub = GetSubMenu(menu, i); sub && item->GetSubMenu()) {
            ShowKeyTexts(item->GetSubMenu(), sub);
        }
        ++i;
    }
}

void Sync(wxMenu* m, HMENU menu)
{
    const int n = GetMenuItemCount(menu);
    const wxMenuItemList& items = m->GetMenuItems();
    int i = 0;
    for (wxMenuItem* item : items) {
        if (i >= n) {
            break;
        }
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (!item->IsSeparator()) {
            item->Enable(!(state & (MF_GRAYED | MF_DISABLED)));
            if (item->IsCheckable()) {
                item->Check((state & MF_CHECKED) != 0);
            }
        }
        ++i;
    }
}
}

wxMenuBar* MakeMenuBar(HWND frame, HANDLE handle)
{
    HMENU menu = reinterpret_cast<HMENU>(handle);
    if (!IsMenu(menu)) {
        return nullptr;
    }
    auto* bar = new MenuBar(frame);
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            wxMenu* m = Build(sub, bar->bar_);
            Sync(m, sub);
            bar->Append(m, wxString::FromUTF8(ItemText(menu, i)));
            ShowKeyTexts(m, sub);
        }
    }
    bar->Bind(wxEVT_MENU, [frame](wxCommandEvent& e) {
        PostInput(frame, WM_COMMAND, MAKEWPARAM(e.GetId(), 0), 0);
    });
    bar->Bind(wxEVT_MENU_OPEN, [bar, frame](wxMenuEvent& e) {
        auto it = bar->bar_.menus.find(e.GetMenu());
        if (it == bar->bar_.menus.end()) {
            return;
        }
        // Sent, as the program expects: its items' states are set before the menu shows them.
        wxMenu* shown = it->first;
        HMENU menu = it->second;
        OpenMenus()[shown] = menu;
        const int index = bar->FindMenu(shown->GetTitle());
        if (AcceptsInput(frame)) {
            SendMessage(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(index < 0 ? 0 : index, 0));
        }
        if (OpenMenus().count(shown) && IsMenu(menu)) {
            Sync(shown, menu);
        }
    });
    bar->Bind(wxEVT_MENU_CLOSE, [](wxMenuEvent& e) { OpenMenus().erase(e.GetMenu()); });
    Bars().insert(bar);
    return bar;
}

void ForgetMenuBar(wxMenuBar* bar)
{
    if (auto* b = dynamic_cast<MenuBar*>(bar)) {
        for (const auto& [m, h] : b->bar_.menus) {
            OpenMenus().erase(m);
        }
        Bars().erase(b);
    }
}

void SyncOpenMenus()
{
    for (const auto& [m, h] : OpenMenus()) {
        if (IsMenu(h)) {
            Sync(m, h);
        }
    }
}

bool MenuBarMnemonic(HWND frame, char mnemonic)
{
    HMENU bar = GetMenu(frame);
    const int n = bar ? GetMenuItemCount(bar) : 0;
    for (int i = 0; i < n; ++i) {
        if (Mnemonic(ItemText(bar, i)) == mnemonic) {
            return true;
        }
    }
    return false;
}

namespace {
struct PopupState {
    UINT chosen = 0;
    bool closed = false;
};

std::string GtkMnemonicLabel(const std::string& text)
{
    std::string out;
    const std::string label = text.substr(0, text.find('\t'));
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) {
            ++i;
            out += label[i] == '&' ? "&" : "_";
            if (label[i] != '&') {
                out += label[i];
            }
        } else if (label[i] == '_') {
            out += "__";
        } else {
            out += label[i];
        }
    }
    return out;
}

GtkWidget* BuildPopup(HMENU menu, PopupState& popup)
{
    GtkWidget* m = gtk_menu_new();
    const int n = GetMenuItemCount(menu);
    const UINT def = GetMenuDefaultItem(menu, TRUE, 0);
    for (int i = 0; i < n; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        GtkWidget* item = nullptr;
        if (state & MF_SEPARATOR) {
            item = gtk_separator_menu_item_new();
        } else {
            const std::string label = GtkMnemonicLabel(ItemText(menu, i));
            item = (state & MF_CHECKED) ? gtk_check_menu_item_new_with_mnemonic(label.c_str())
                                        : gtk_menu_item_new_with_mnemonic(label.c_str());
            if (state & MF_CHECKED) {
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), TRUE);
            }
            if (static_cast<UINT>(i) == def || (state & MF_DEFAULT)) {
                // The default item is bold, as the notification area's menu shows it.
                GtkWidget* child = gtk_bin_get_child(GTK_BIN(item));
                gchar* markup = g_markup_printf_escaped("<b>%s</b>", label.c_str());
                gtk_label_set_markup_with_mnemonic(GTK_LABEL(child), markup);
                g_free(markup);
            }
            gtk_widget_set_sensitive(item, (state & (MF_GRAYED | MF_DISABLED)) ? FALSE : TRUE);
            if (HMENU sub = GetSubMenu(menu, i)) {
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), BuildPopup(sub, popup));
            } else {
                g_object_set_data(G_OBJECT(item), "tapvox-id", GUINT_TO_POINTER(GetMenuItemID(menu, i)));
                g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* it, gpointer p) {
                    static_cast<PopupState*>(p)->chosen = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(it), "tapvox-id"));
                }), &popup);
            }
        }
        gtk_widget_show(item);
        gtk_menu_shell_append(GTK_MENU_SHELL(m), item);
    }
    return m;
}
}

UINT PopupMenu(HMENU menu, HWND, POINT at)
{
    PopupState popup;
    GtkWidget* m = BuildPopup(menu, popup);
    g_object_ref_sink(m);
    g_signal_connect(m, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer p) {
        static_cast<PopupState*>(p)->closed = true;
        PostMessage(nullptr, WM_NULL, 0, 0);  // ends the wait of the menu's loop
    }), &popup);
    GdkDisplay* display = gdk_display_get_default();
    GdkWindow* root = gdk_get_default_root_window();
    // Asked for at the layer's cursor: the pointer's real place.
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x == at.x && cursor.y == at.y) {
        gint x = 0;
        gint y = 0;
        gdk_device_get_position(gdk_seat_get_pointer(gdk_display_get_default_seat(display)), nullptr, &x, &y);
        at = POINT{x, y};
    }
    const GdkRectangle rect{static_cast<int>(at.x), static_cast<int>(at.y), 1, 1};
    GdkEvent* trigger = CopyOfTrigger();
    gtk_menu_popup_at_rect(GTK_MENU(m), root, &rect, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
    if (trigger) {
        gdk_event_free(trigger);
    }
    if (!gtk_widget_get_visible(m)) {
        popup.closed = true;  // no grab could be had: the menu never opened
    }
    RunNestedLoop([&popup] { return popup.closed; });
    gtk_widget_destroy(m);
    g_object_unref(m);
    return popup.chosen;
}

}

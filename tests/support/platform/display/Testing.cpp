// The desktop tests' view of the screen: native geometry, real input through the X server, the toolkit's own dialogs, screenshots and label fit.
#include <gtk/gtk.h>
#include <wx/combobox.h>
#include <wx/bookctrl.h>
#include <wx/gauge.h>
#include <wx/slider.h>
#include <wx/uiaction.h>

#include <chrono>

#include "platform/core/Strings.h"
#include "platform/display/Desktop.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"

namespace platform::display::testing {
namespace {
wxWindow* WidgetOf(HWND hwnd)
{
    Native* n = FindNative(hwnd);
    if (!n) {
        return nullptr;
    }
    return n->Container() && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? n->Container() : n->Widget();
}

int WxKey(UINT vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        return static_cast<int>(vk);
    }
    if (vk >= VK_F1 && vk < VK_F1 + 12) {
        return WXK_F1 + static_cast<int>(vk - VK_F1);
    }
    switch (vk) {
    case VK_RETURN:
        return WXK_RETURN;
    case VK_ESCAPE:
        return WXK_ESCAPE;
    case VK_TAB:
        return WXK_TAB;
    case VK_SPACE:
        return WXK_SPACE;
    case VK_BACK:
        return WXK_BACK;
    case VK_DELETE:
        return WXK_DELETE;
    case VK_LEFT:
        return WXK_LEFT;
    case VK_RIGHT:
        return WXK_RIGHT;
    case VK_UP:
        return WXK_UP;
    case VK_DOWN:
        return WXK_DOWN;
    case VK_HOME:
        return WXK_HOME;
    case VK_END:
        return WXK_END;
    case VK_PRIOR:
        return WXK_PAGEUP;
    case VK_NEXT:
        return WXK_PAGEDOWN;
    default:
        return 0;
    }
}

int Modifiers(const std::vector<UINT>& modifiers)
{
    int m = wxMOD_NONE;
    for (UINT vk : modifiers) {
        m |= vk == VK_SHIFT ? wxMOD_SHIFT : vk == VK_CONTROL ? wxMOD_CONTROL : vk == VK_MENU ? wxMOD_ALT : 0;
    }
    return m;
}

template <typename T>
std::vector<GtkWidget*> VisibleToplevels()
{
    std::vector<GtkWidget*> out;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        if (gtk_widget_get_mapped(w) && T::Is(w)) {
            out.push_back(w);
        }
    }
    g_list_free(all);
    return out;
}

struct MessageDialogs {
    static bool Is(GtkWidget* w) { return GTK_IS_MESSAGE_DIALOG(w); }
};
struct FileChoosers {
    static bool Is(GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); }
};

POINT ScreenCentre(GtkWidget* w)
{
    GtkWidget* top = gtk_widget_get_toplevel(w);
    gint x = 0;
    gint y = 0;
    gtk_widget_translate_coordinates(w, top, 0, 0, &x, &y);
    gint ox = 0;
    gint oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    return POINT{ox + x + gtk_widget_get_allocated_width(w) / 2, oy + y + gtk_widget_get_allocated_height(w) / 2};
}

void CollectButtons(GtkWidget* w, std::vector<std::pair<std::string, POINT>>& out)
{
    if (GTK_IS_BUTTON(w)) {
        const gchar* label = gtk_button_get_label(GTK_BUTTON(w));
        std::string text;
        for (const char* c = label ? label : ""; *c; ++c) {
            if (*c != '_') {
                text += *c;
            }
        }
        out.emplace_back(text, ScreenCentre(w));
        return;
    }
    if (GTK_IS_CONTAINER(w)) {
        GList* kids = gtk_container_get_children(GTK_CONTAINER(w));
        for (GList* l = kids; l; l = l->next) {
            CollectButtons(GTK_WIDGET(l->data), out);
        }
        g_list_free(kids);
    }
}

GtkWidget* FindLabel(GtkWidget* w)
{
    if (GTK_IS_LABEL(w)) {
        return w;
    }
    if (GTK_IS_FRAME(w)) {
        return gtk_frame_get_label_widget(GTK_FRAME(w));
    }
    if (GTK_IS_BIN(w)) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(w));
        return child ? FindLabel(child) : nullptr;
    }
    if (GTK_IS_CONTAINER(w)) {
        GtkWidget* found = nullptr;
        GList* kids = gtk_container_get_children(GTK_CONTAINER(w));
        for (GList* l = kids; l && !found; l = l->next) {
            found = FindLabel(GTK_WIDGET(l->data));
        }
        g_list_free(kids);
        return found;
    }
    return nullptr;
}

// A native control's label is clipped when it got less than it needs or reaches out of its control.
bool NativeLabelClipped(GtkWidget* control)
{
    GtkWidget* label = FindLabel(control);
    if (!label || !gtk_widget_get_visible(label)) {
        return false;
    }
    const gchar* text = gtk_label_get_text(GTK_LABEL(label));
    if (!text || !*text) {
        return false;
    }
    gint minW = 0;
    gint natW = 0;
    gint minH = 0;
    gint natH = 0;
    gtk_widget_get_preferred_width(label, &minW, &natW);
    gtk_widget_get_preferred_height(label, &minH, &natH);
    GtkAllocation a{};
    gtk_widget_get_allocation(label, &a);
    gint x = 0;
    gint y = 0;
    gtk_widget_translate_coordinates(label, control, 0, 0, &x, &y);
    const gint cw = gtk_widget_get_allocated_width(control);
    const gint ch = gtk_widget_get_allocated_height(control);
    return a.width < natW || a.height < natH || x < 0 || y < 0 || x + natW > cw || y + natH > ch;
}

std::string ClassOf(HWND hwnd)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND hwnd)
{
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}
}

// Where the toolkit really put the widget: its allocation, which a minimum size of its own may have overridden.
std::optional<RECT> ScreenRect(HWND window)
{
    wxWindow* w = WidgetOf(window);
    if (!w || !w->GetHandle()) {
        return std::nullopt;
    }
    GtkWidget* g = w->GetHandle();
    GtkWidget* top = gtk_widget_get_toplevel(g);
    GdkWindow* topWindow = gtk_widget_get_window(top);
    if (!topWindow || !gtk_widget_get_realized(g)) {
        return std::nullopt;
    }
    gint x = 0;
    gint y = 0;
    if (!gtk_widget_translate_coordinates(g, top, 0, 0, &x, &y)) {
        return std::nullopt;
    }
    gint ox = 0;
    gint oy = 0;
    gdk_window_get_origin(topWindow, &ox, &oy);
    return RECT{ox + x, oy + y, ox + x + gtk_widget_get_allocated_width(g), oy + y + gtk_widget_get_allocated_height(g)};
}

std::optional<RECT> ClientRectInTop(HWND window)
{
    const auto r = ScreenRect(window);
    const auto top = ScreenRect(TopLevelOf(window));
    if (!r || !top) {
        return std::nullopt;
    }
    return RECT{r->left - top->left, r->top - top->top, r->right - top->left, r->bottom - top->top};
}

std::string NativeValue(HWND window)
{
    Native* n = FindNative(window);
    wxWindow* w = n ? n->Widget() : nullptr;
    if (auto* c = dynamic_cast<wxCheckBox*>(w)) {
        return std::to_string(static_cast<int>(c->Get3StateValue()));
    }
    if (auto* r = dynamic_cast<wxRadioButton*>(w)) {
        return r->GetValue() ? "1" : "0";
    }
    if (auto* t = dynamic_cast<wxTextCtrl*>(w)) {
        return std::string(t->GetValue().utf8_str());
    }
    if (auto* c = dynamic_cast<wxComboBox*>(w)) {
        return std::to_string(c->GetSelection()) + ":" + std::string(c->GetValue().utf8_str());
    }
    if (auto* c = dynamic_cast<wxControlWithItems*>(w)) {
        return std::to_string(c->GetSelection());
    }
    if (auto* b = dynamic_cast<wxBookCtrlBase*>(w)) {
        return std::to_string(b->GetSelection());
    }
    if (auto* sl = dynamic_cast<wxSlider*>(w)) {
        return std::to_string(sl->GetValue());
    }
    if (auto* g = dynamic_cast<wxGauge*>(w)) {
        return std::to_string(g->GetValue()) + "/" + std::to_string(g->GetRange());
    }
    if (auto* b = dynamic_cast<wxControl*>(w)) {
        return std::string(b->GetLabel().utf8_str());
    }
    return std::string();
}

bool HasNativeFocus(HWND window)
{
    wxWindow* w = WidgetOf(window);
    for (wxWindow* f = wxWindow::FindFocus(); w && f; f = f->GetParent()) {
        if (f == w) {
            return true;
        }
    }
    return false;
}

bool Shown(HWND window)
{
    wxWindow* w = WidgetOf(window);
    return w && w->IsShownOnScreen();
}

bool RunUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    MSG msg;
    while (!condition()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            return false;
        }
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return condition();
            }
            ProcessMessage(&msg);
            continue;
        }
        CurrentBackend().WaitForEvents(static_cast<std::uint64_t>(std::min<long long>(left, 10)));
    }
    return true;
}

void ClickAt(POINT screen, bool right)
{
    wxUIActionSimulator sim;
    sim.MouseMove(screen.x, screen.y);
    sim.MouseClick(right ? wxMOUSE_BTN_RIGHT : wxMOUSE_BTN_LEFT);
}

void MoveMouseTo(POINT screen)
{
    wxUIActionSimulator sim;
    sim.MouseMove(screen.x, screen.y);
}

void Click(HWND window)
{
    if (auto r = ScreenRect(window)) {
        ClickAt(POINT{(r->left + r->right) / 2, (r->top + r->bottom) / 2});
    }
}

void DoubleClickAt(POINT screen)
{
    wxUIActionSimulator sim;
    sim.MouseMove(screen.x, screen.y);
    sim.MouseDblClick();
}

void DoubleClick(HWND window)
{
    if (auto r = ScreenRect(window)) {
        DoubleClickAt(POINT{(r->left + r->right) / 2, (r->top + r->bottom) / 2});
    }
}

void Key(UINT vk, const std::vector<UINT>& modifiers)
{
    wxUIActionSimulator sim;
    sim.Char(WxKey(vk), Modifiers(modifiers));
}

void Type(const std::string& text)
{
    wxUIActionSimulator sim;
    sim.Text(text.c_str());
}

std::optional<OpenBox> MessageBoxOnScreen()
{
    for (GtkWidget* box : VisibleToplevels<MessageDialogs>()) {
        OpenBox out;
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        out.text = text ? text : "";
        g_free(text);
        CollectButtons(box, out.buttons);
        return out;
    }
    return std::nullopt;
}

bool FileChooserOnScreen() { return !VisibleToplevels<FileChoosers>().empty(); }

bool AnswerFileChooser(const std::optional<std::string>& path)
{
    const auto choosers = VisibleToplevels<FileChoosers>();
    if (choosers.empty()) {
        return false;
    }
    GtkWidget* d = choosers.front();
    if (!path) {
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL);
        return true;
    }
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
    const std::size_t slash = path->find_last_of('/');
    // The chooser changes folders in the background: the answer waits until it has.
    const auto settle = [chooser](const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done() && std::chrono::steady_clock::now() < end) {
            g_main_context_iteration(nullptr, FALSE);
        }
        (void)chooser;
    };
    const auto is = [](gchar* got, const std::string& want) {
        const bool same = got && want == got;
        g_free(got);
        return same;
    };
    if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE && slash != std::string::npos) {
        const std::string folder = path->substr(0, slash);
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
        settle([&] { return is(gtk_file_chooser_get_current_folder(chooser), folder); });
        gtk_file_chooser_set_current_name(chooser, path->substr(slash + 1).c_str());
        settle([&] { return is(gtk_file_chooser_get_filename(chooser), *path); });
    } else {
        gtk_file_chooser_set_filename(chooser, path->c_str());
        settle([&] { return is(gtk_file_chooser_get_filename(chooser), *path); });
    }
    gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    return true;
}

std::optional<POINT> TabOnScreen(HWND tabs, int index)
{
    Native* n = FindNative(tabs);
    auto* book = n ? dynamic_cast<wxBookCtrlBase*>(n->Widget()) : nullptr;
    if (!book || index < 0 || index >= static_cast<int>(book->GetPageCount())) {
        return std::nullopt;
    }
    GtkNotebook* nb = GTK_NOTEBOOK(book->GetHandle());
    GtkWidget* page = gtk_notebook_get_nth_page(nb, index);
    GtkWidget* label = page ? gtk_notebook_get_tab_label(nb, page) : nullptr;
    if (!label || !gtk_widget_get_mapped(label)) {
        return std::nullopt;
    }
    return ScreenCentre(label);
}

void MoveAsUser(HWND topLevel, POINT to)
{
    if (Native* n = FindNative(topLevel); n && n->Widget()) {
        gtk_window_move(GTK_WINDOW(n->Widget()->GetHandle()), static_cast<gint>(to.x), static_cast<gint>(to.y));
    }
}

bool SaveScreenshot(HWND topLevel, const std::string& path)
{
    Native* n = FindNative(topLevel);
    if (!n || !n->Widget()) {
        return false;
    }
    GtkWidget* shell = n->Widget()->GetHandle();
    GdkWindow* window = gtk_widget_get_window(shell);
    if (!window) {
        return false;
    }
    // What is on the screen once the toolkit has painted a frame since now.
    int painted = 0;
    GdkFrameClock* clock = gdk_window_get_frame_clock(window);
    const gulong handler = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer p) {
        ++*static_cast<int*>(p);
    }), &painted);
    gtk_widget_queue_draw(shell);
    RunUntil([&painted] { return painted > 0; }, 3000);
    g_signal_handler_disconnect(clock, handler);
    gdk_display_sync(gdk_window_get_display(window));
    GdkPixbuf* pixels = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window), gdk_window_get_height(window));
    if (!pixels) {
        return false;
    }
    const gboolean saved = gdk_pixbuf_save(pixels, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixels);
    return saved != FALSE;
}

std::vector<std::string> ClippedLabels(HWND window)
{
    std::vector<std::string> out;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::vector<std::string> inner = ClippedLabels(c);
        out.insert(out.end(), inner.begin(), inner.end());
        Native* n = FindNative(c);
        if (!n || !n->Widget() || !IsWindowVisible(c)) {
            continue;
        }
        const std::string cls = ClassOf(c);
        const std::string text = TextOf(c);
        if (text.empty()) {
            continue;
        }
        bool clipped = false;
        if (EqualsNoCase(cls, WC_STATIC)) {
            WindowState s;
            s.className = cls;
            s.text = text;
            s.style = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
            clipped = !LabelFits(s, n->Widget()->GetSize());
        } else if (EqualsNoCase(cls, WC_BUTTON)) {
            clipped = NativeLabelClipped(n->Widget()->GetHandle());
        }
        if (clipped) {
            out.push_back(text + " (control " + std::to_string(GetDlgCtrlID(c)) + ")");
        }
    }
    return out;
}

std::string Tooltip(HWND window)
{
    wxWindow* w = WidgetOf(window);
    return w ? std::string(w->GetToolTipText().utf8_str()) : std::string();
}
}

namespace platform::display::testing {
namespace {
std::string LabelText(GtkWidget* item)
{
    GtkWidget* label = FindLabel(item);
    const gchar* t = label ? gtk_label_get_text(GTK_LABEL(label)) : nullptr;
    return t ? t : "";
}

GtkWidget* FindItem(GtkWidget* w, const std::string& label)
{
    if (GTK_IS_MENU_ITEM(w)) {
        return LabelText(w).rfind(label, 0) == 0 ? w : nullptr;
    }
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(w)) {
        GList* kids = gtk_container_get_children(GTK_CONTAINER(w));
        for (GList* l = kids; l && !found; l = l->next) {
            found = FindItem(GTK_WIDGET(l->data), label);
        }
        g_list_free(kids);
    }
    return found;
}

struct Menus {
    static bool Is(GtkWidget* w) { return GTK_IS_WINDOW(w) && gtk_window_get_window_type(GTK_WINDOW(w)) == GTK_WINDOW_POPUP; }
};

// The item with this label on an open pop-up menu, once it is mapped; null when none shows.
GtkWidget* ShownMenuItem(const std::string& label)
{
    for (GtkWidget* popup : VisibleToplevels<Menus>()) {
        if (GtkWidget* item = FindItem(popup, label); item && gtk_widget_get_mapped(item)) {
            return item;
        }
    }
    return nullptr;
}
}

std::optional<POINT> MenuItemOnScreen(const std::string& label)
{
    // A menu just mapped may still be moved into place: the item counts once it is seen twice at one point.
    static std::optional<std::pair<std::string, POINT>> last;
    GtkWidget* item = ShownMenuItem(label);
    if (!item) {
        last.reset();
        return std::nullopt;
    }
    const POINT at = ScreenCentre(item);
    const bool settled = last && last->first == label && last->second.x == at.x && last->second.y == at.y;
    last = std::make_pair(label, at);
    return settled ? std::optional<POINT>(at) : std::nullopt;
}

std::optional<bool> MenuItemEnabled(const std::string& label)
{
    GtkWidget* item = ShownMenuItem(label);
    return item ? std::optional<bool>(gtk_widget_get_sensitive(item) != FALSE) : std::nullopt;
}

std::optional<POINT> MenuBarItemOnScreen(HWND frame, const std::string& label)
{
    Native* n = FindNative(frame);
    auto* f = n ? dynamic_cast<wxFrame*>(n->Widget()) : nullptr;
    wxMenuBar* bar = f ? f->GetMenuBar() : nullptr;
    if (!bar || !bar->GetHandle()) {
        return std::nullopt;
    }
    GtkWidget* item = FindItem(bar->GetHandle(), label);
    if (!item || !gtk_widget_get_mapped(item)) {
        return std::nullopt;
    }
    return ScreenCentre(item);
}

std::vector<std::string> ChooserFiltersAccepting(const std::string& fileName)
{
    std::vector<std::string> out;
    const auto choosers = VisibleToplevels<FileChoosers>();
    if (choosers.empty()) {
        return out;
    }
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(choosers.front()));
    for (GSList* l = filters; l; l = l->next) {
        GtkFileFilter* filter = GTK_FILE_FILTER(l->data);
        GtkFileFilterInfo info{};
        info.contains = static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_FILENAME | GTK_FILE_FILTER_DISPLAY_NAME);
        info.filename = fileName.c_str();
        info.display_name = fileName.c_str();
        if (gtk_file_filter_filter(filter, &info)) {
            const gchar* name = gtk_file_filter_get_name(filter);
            out.emplace_back(name ? name : "");
        }
    }
    g_slist_free(filters);
    return out;
}
}

// The user's mouse and keyboard as the messages the program expects, to the window that takes them.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>

#include "platform/core/Strings.h"
#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"
#include "platform/user/Mouse.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Menus.h"

namespace platform::display {
namespace {
constexpr WPARAM kLeftButton = 0x1;  // MK_LBUTTON ... of the mouse messages' wParam
constexpr WPARAM kRightButton = 0x2;
constexpr WPARAM kShift = 0x4;
constexpr WPARAM kControl = 0x8;

WPARAM MouseKeys(const wxMouseEvent& e)
{
    return (e.LeftIsDown() ? kLeftButton : 0) | (e.RightIsDown() ? kRightButton : 0) | (e.ShiftDown() ? kShift : 0) |
           (e.ControlDown() ? kControl : 0);
}

// The second press within the double-click time and a few pixels of the first
// is a double click, as the layer's controls expect it: down, up, double click, up.
struct LastPress {
    HWND hwnd = nullptr;
    UINT message = 0;
    wxPoint where;
    std::chrono::steady_clock::time_point when;
};
LastPress g_lastPress;
// The toolkit reports a double click as a press of its own, with or without the
// plain press before it: a double click already made of that press is not repeated.
bool g_doubleFromPress = false;

bool IsDoubleClick(HWND hwnd, UINT down, wxPoint screen)
{
    const auto now = std::chrono::steady_clock::now();
    const bool twice = g_lastPress.hwnd == hwnd && g_lastPress.message == down &&
                       now - g_lastPress.when < std::chrono::milliseconds(GetDoubleClickTime()) &&
                       std::abs(screen.x - g_lastPress.where.x) <= 4 && std::abs(screen.y - g_lastPress.where.y) <= 4;
    g_lastPress = twice ? LastPress{} : LastPress{hwnd, down, screen, now};
    return twice;
}

// Statics that do not notify and group boxes let the mouse through to their parent.
HWND Receiver(HWND hwnd)
{
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const bool through = (EqualsNoCase(cls, WC_STATIC) && !(style & SS_NOTIFY)) ||
                         (EqualsNoCase(cls, WC_BUTTON) && (style & BS_TYPEMASK) == BS_GROUPBOX);
    return through && (style & WS_CHILD) ? Receiver(GetParent(hwnd)) : hwnd;
}

void SendMouse(wxWindow* widget, HWND hwnd, wxMouseEvent& e, UINT message)
{
    e.Skip();
    hwnd = Receiver(hwnd);
    const wxPoint screen = widget->ClientToScreen(e.GetPosition());
    // The layer's cursor and the window under it: what leave tracking (a button's hot look) and GetCursorPos go by.
    platform::MouseAt(hwnd, POINT{screen.x, screen.y});
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        g_doubleFromPress = IsDoubleClick(hwnd, message, screen);
        if (g_doubleFromPress) {
            message = message == WM_LBUTTONDOWN ? WM_LBUTTONDBLCLK : WM_RBUTTONUP + 1;  // WM_RBUTTONDBLCLK
        }
    }
    // The window holding the capture gets the mouse wherever it is.
    HWND target = hwnd;
    if (HWND capture = GetCapture(); capture && FindNative(capture)) {
        target = capture;
    }
    Native* n = FindNative(target);
    const wxPoint p = n && n->Widget() ? n->Widget()->ScreenToClient(screen) : e.GetPosition();
    PostInput(target, message, MouseKeys(e), MAKELPARAM(p.x, p.y));
}

UINT OemKey(guint keyval)
{
    // VK_OEM_1 ... VK_OEM_7, VK_OEM_PLUS ... VK_OEM_PERIOD as a US keyboard places them.
    switch (keyval) {
    case GDK_KEY_semicolon:
        return 0xBA;
    case GDK_KEY_equal:
        return 0xBB;
    case GDK_KEY_comma:
        return 0xBC;
    case GDK_KEY_minus:
        return 0xBD;
    case GDK_KEY_period:
        return 0xBE;
    case GDK_KEY_slash:
        return 0xBF;
    case GDK_KEY_grave:
        return 0xC0;
    case GDK_KEY_bracketleft:
        return 0xDB;
    case GDK_KEY_backslash:
        return 0xDC;
    case GDK_KEY_bracketright:
        return 0xDD;
    case GDK_KEY_apostrophe:
        return 0xDE;
    default:
        return 0;
    }
}

// The virtual key of a key as the unshifted layout gives it.
UINT KeyOf(guint keyval)
{
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) {
        return 'A' + (keyval - GDK_KEY_a);
    }
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) {
        return 'A' + (keyval - GDK_KEY_A);
    }
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) {
        return '0' + (keyval - GDK_KEY_0);
    }
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) {
        return 0x60 + (keyval - GDK_KEY_KP_0);  // VK_NUMPAD0 ...
    }
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) {
        return VK_F1 + (keyval - GDK_KEY_F1);
    }
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return VK_RETURN;
    case GDK_KEY_Escape:
        return VK_ESCAPE;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return VK_TAB;
    case GDK_KEY_BackSpace:
        return VK_BACK;
    case GDK_KEY_space:
        return VK_SPACE;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return VK_DELETE;
    case GDK_KEY_Insert:
        return 0x2D;  // VK_INSERT
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return VK_HOME;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return VK_END;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return VK_LEFT;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return VK_RIGHT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return VK_UP;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return VK_DOWN;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return VK_PRIOR;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return VK_NEXT;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return VK_SHIFT;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return VK_CONTROL;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R:
        return VK_MENU;
    default:
        return OemKey(keyval);
    }
}

// Whether one of the toolkit's menus is open (from the menu bar or a pop-up).
bool MenuOpen()
{
    bool open = false;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l && !open; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        GtkWidget* child = GTK_IS_BIN(w) ? gtk_bin_get_child(GTK_BIN(w)) : nullptr;
        open = gtk_widget_get_mapped(w) && child && GTK_IS_MENU(child);
    }
    g_list_free(all);
    return open;
}

HWND KeyTarget(HWND shell)
{
    HWND focus = GetFocus();
    return focus && TopLevelOf(focus) == shell ? focus : shell;
}

gint OnKey(GtkWidget*, GdkEventKey* event, gpointer)
{
    GdkWindow* top = event->window ? gdk_window_get_toplevel(event->window) : nullptr;
    gpointer widget = nullptr;
    if (top) {
        gdk_window_get_user_data(top, &widget);
    }
    const HWND shell = widget ? ShellWindow(GTK_WIDGET(widget)) : nullptr;
    if (!shell) {
        return FALSE;  // the toolkit's own window
    }
    // An open menu takes the presses that walk and choose it (its keyboard grab reports
    // them on our window); releases still reach the program, whose key state must not keep them held.
    if (event->type == GDK_KEY_PRESS && MenuOpen()) {
        return FALSE;
    }
    guint base = event->keyval;
    gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(gdk_window_get_display(event->window)),
                                        event->hardware_keycode, static_cast<GdkModifierType>(0), event->group, &base,
                                        nullptr, nullptr, nullptr);
    const UINT vk = KeyOf(base);
    const bool press = event->type == GDK_KEY_PRESS;
    const bool shift = (event->state & GDK_SHIFT_MASK) != 0;
    const bool control = (event->state & GDK_CONTROL_MASK) != 0;
    const bool alt = (event->state & GDK_MOD1_MASK) != 0;
    if (vk == 0) {
        return TRUE;
    }
    // F10 and the menu bar's own mnemonics open the native menu bar.
    if (press && (vk == VK_F1 + 9 || (alt && vk >= 'A' && vk <= 'Z' && MenuBarMnemonic(shell, static_cast<char>(vk))))) {
        return FALSE;
    }
    static bool held[256] = {};
    const bool wasDown = held[vk & 0xFF];
    held[vk & 0xFF] = press;
    if (press && !control && !alt) {
        const gunichar c = gdk_keyval_to_unicode(event->keyval);
        if (c >= 0x20 && c < 0x7F) {
            SetKeyCharacter(vk, shift, static_cast<char>(c));
        }
    }
    const bool system = alt || vk == VK_MENU;
    const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM data = 1;
    if (alt) {
        data |= LPARAM{1} << 29;
    }
    if (!press || wasDown) {
        data |= LPARAM{1} << 30;
    }
    if (!press) {
        data |= LPARAM{1} << 31;
    }
    const HWND target = KeyTarget(shell);
    if (!press && !AcceptsInput(target)) {
        SetKeyDown(static_cast<int>(vk), false);  // a release nobody takes must not leave the key held
    }
    PostInput(target, message, vk, data);
    return TRUE;
}
}

bool AcceptsInput(HWND hwnd)
{
    if (!IsWindow(hwnd)) {
        return false;
    }
    for (HWND h = hwnd; h; h = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr) {
        if (!IsWindowEnabled(h)) {
            return false;
        }
    }
    return true;
}

namespace {
GdkEvent*& Trigger()
{
    static GdkEvent* trigger = nullptr;
    return trigger;
}

bool PressOrRelease(const GdkEvent* e)
{
    switch (gdk_event_get_event_type(e)) {
    case GDK_BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
        return true;
    default:
        return false;
    }
}
}

void RememberTrigger()
{
    GdkEvent* now = gtk_get_current_event();
    if (!now) {
        // Input without an event (a request over the bus): an older click must not stand for it.
        if (Trigger()) {
            gdk_event_free(Trigger());
            Trigger() = nullptr;
        }
        return;
    }
    if (!PressOrRelease(now)) {
        gdk_event_free(now);
        return;
    }
    if (Trigger()) {
        gdk_event_free(Trigger());
    }
    Trigger() = now;
}

GdkEvent* CopyOfTrigger()
{
    if (GdkEvent* now = gtk_get_current_event()) {
        if (PressOrRelease(now)) {
            return now;
        }
        gdk_event_free(now);
    }
    if (Trigger()) {
        return gdk_event_copy(Trigger());
    }
    // None at all: a release of the pointer now, which grabs at the server's present time.
    GdkDisplay* display = gdk_display_get_default();
    GdkDevice* pointer = display ? gdk_seat_get_pointer(gdk_display_get_default_seat(display)) : nullptr;
    if (!pointer) {
        return nullptr;
    }
    GdkEvent* e = gdk_event_new(GDK_BUTTON_RELEASE);
    e->button.window = GDK_WINDOW(g_object_ref(gdk_get_default_root_window()));
    e->button.time = GDK_CURRENT_TIME;
    e->button.button = 3;
    gdk_event_set_device(e, pointer);
    return e;
}

void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!AcceptsInput(hwnd)) {
        return;
    }
    RememberTrigger();
    PostMessage(hwnd, message, wParam, lParam);
    if (DesktopBackend* b = TheBackend()) {
        b->CountPosted();
    }
}

void BindMouse(wxWindow* widget, HWND hwnd, bool focusOnClick)
{
    widget->Bind(wxEVT_LEFT_DOWN, [widget, hwnd, focusOnClick](wxMouseEvent& e) {
        if (focusOnClick) {
            PostInput(hwnd, UM_INPUT_FOCUS, 0, 0);
        }
        SendMouse(widget, hwnd, e, WM_LBUTTONDOWN);
    });
    widget->Bind(wxEVT_LEFT_UP, [widget, hwnd](wxMouseEvent& e) { SendMouse(widget, hwnd, e, WM_LBUTTONUP); });
    widget->Bind(wxEVT_RIGHT_DOWN, [widget, hwnd](wxMouseEvent& e) { SendMouse(widget, hwnd, e, WM_RBUTTONDOWN); });
    widget->Bind(wxEVT_RIGHT_UP, [widget, hwnd](wxMouseEvent& e) { SendMouse(widget, hwnd, e, WM_RBUTTONUP); });
    widget->Bind(wxEVT_MOTION, [widget, hwnd](wxMouseEvent& e) { SendMouse(widget, hwnd, e, WM_MOUSEMOVE); });
    // Double clicks are told from the presses themselves.
    const auto twice = [widget, hwnd](wxMouseEvent& e, UINT down) {
        if (g_doubleFromPress) {
            g_doubleFromPress = false;
            e.Skip();
            return;
        }
        SendMouse(widget, hwnd, e, down);
    };
    widget->Bind(wxEVT_LEFT_DCLICK, [twice](wxMouseEvent& e) { twice(e, WM_LBUTTONDOWN); });
    widget->Bind(wxEVT_RIGHT_DCLICK, [twice](wxMouseEvent& e) { twice(e, WM_RBUTTONDOWN); });
    widget->Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
    // Out of the window: over none of ours until another window reports the mouse.
    widget->Bind(wxEVT_LEAVE_WINDOW, [widget](wxMouseEvent& e) {
        e.Skip();
        const wxPoint screen = widget->ClientToScreen(e.GetPosition());
        platform::MouseAt(nullptr, POINT{screen.x, screen.y});
    });
}

void InterceptKeys()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        // The snooper sees every key before any widget: the one place that can keep
        // the toolkit's own key handling (Escape closing, Enter activating) away from our windows.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_key_snooper_install(OnKey, nullptr);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
}

std::string StripMnemonic(const std::string& text, bool toolkitMnemonic)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] == '&') {
                out += '&';
                if (toolkitMnemonic) {
                    out += '&';
                }
            } else {
                if (toolkitMnemonic) {
                    out += '&';
                }
                out += text[i];
            }
            continue;
        }
        if (c == '\t') {
            break;  // a menu item's shortcut column
        }
        out += c;
    }
    return out;
}
}

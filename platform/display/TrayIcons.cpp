// Icons in the desktop's notification area: a StatusNotifierItem on the session bus where a
// host shows them, else the toolkit's tray icon, which on GTK is the XEmbed system tray; the
// user's clicks on either go to the owner as its callback message.
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <wx/taskbar.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "platform/display/Desktop.h"
#include "platform/display/StatusNotifier.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
// The toolkit's embedded icon windows: the one a new tray icon brings is how tests find it on the screen.
std::vector<GtkWidget*> TrayWindows()
{
    std::vector<GtkWidget*> out;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
        if (GTK_IS_PLUG(l->data)) {
            out.push_back(GTK_WIDGET(l->data));
        }
    }
    g_list_free(all);
    return out;
}

// An icon without pixels still takes its place in the tray, as an empty square.
wxIcon BlankIcon()
{
    wxImage image(16, 16, true);
    image.InitAlpha();
    std::fill_n(image.GetAlpha(), 16 * 16, static_cast<unsigned char>(0));
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}
}

// The icon in an XEmbed system tray: the toolkit's tray icon.
class XEmbedIcon : public wxTaskBarIcon {
public:
    XEmbedIcon(std::function<void()> pressed, std::function<void()> menu)
    {
        Bind(wxEVT_TASKBAR_LEFT_DOWN, [pressed](wxTaskBarIconEvent&) { pressed(); });
        // The toolkit's context-menu request: a right press, or the menu key on the icon.
        Bind(wxEVT_TASKBAR_CLICK, [menu](wxTaskBarIconEvent&) { menu(); });
    }
    ~XEmbedIcon() override
    {
        if (window_) {
            g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
        }
    }
    XEmbedIcon(const XEmbedIcon&) = delete;
    XEmbedIcon& operator=(const XEmbedIcon&) = delete;

    bool Show(const wxIcon& icon, const wxString& tip)
    {
        const bool first = !IsIconInstalled();
        const std::vector<GtkWidget*> before = first ? TrayWindows() : std::vector<GtkWidget*>{};
        if (!SetIcon(icon, tip)) {
            return false;
        }
        if (first) {
            for (GtkWidget* w : TrayWindows()) {
                if (std::find(before.begin(), before.end(), w) == before.end()) {
                    window_ = w;
                    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
                    break;
                }
            }
        }
        return true;
    }
    GtkWidget* Window() const { return window_; }

private:
    GtkWidget* window_ = nullptr;
};

// An owner's icon, in the notification area the desktop has: a StatusNotifierItem host's
// where there is one, else the XEmbed system tray.
class TrayIcon {
public:
    explicit TrayIcon(const TrayIconRequest& request) : owner_(request.owner), id_(request.id) {}

    bool Show(const TrayIconRequest& request)
    {
        callback_ = request.callbackMessage;
        if (!request.tip.empty()) {
            tip_ = wxString::FromUTF8(request.tip);
        }
        if (wxIcon icon = IconFromHandle(request.icon); icon.IsOk()) {
            icon_ = icon;
        } else if (!icon_.IsOk()) {
            icon_ = BlankIcon();
        }
        // Asked of the watcher for a new item only: a change of one it holds is no reason to wait on the bus.
        if (item_ || StatusNotifierHostPresent()) {
            xembed_.reset();
            if (!item_) {
                item_ = std::make_unique<StatusNotifierIcon>([this](UINT message) { Tell(message); });
            }
            if (item_->Show(icon_, tip_)) {
                return true;
            }
        }
        item_.reset();
        if (!wxTaskBarIcon::IsAvailable()) {
            xembed_.reset();
            return false;
        }
        if (!xembed_) {
            xembed_ = std::make_unique<XEmbedIcon>([this] { Pressed(); }, [this] { Tell(WM_RBUTTONUP); });
        }
        return xembed_->Show(icon_, tip_);
    }

    HWND Owner() const { return owner_; }
    UINT Id() const { return id_; }
    GtkWidget* Window() const { return xembed_ ? xembed_->Window() : nullptr; }

private:
    // The tray reports each press of the first button as an activation. A
    // press soon after the last one, near it, completes a double click; an
    // activation without a press (the keyboard, the host's own request) is the
    // default action, which the program takes from a double click.
    void Pressed()
    {
        GdkEvent* event = gtk_get_current_event();
        if (!event || gdk_event_get_event_type(event) != GDK_BUTTON_PRESS) {
            if (event) {
                gdk_event_free(event);
            }
            lastPress_ = 0;
            Tell(WM_LBUTTONDBLCLK);
            return;
        }
        const guint32 when = gdk_event_get_time(event);
        gdouble x = 0;
        gdouble y = 0;
        gdk_event_get_root_coords(event, &x, &y);
        gdk_event_free(event);
        const bool second = lastPress_ != 0 && when - lastPress_ < GetDoubleClickTime() && std::abs(x - lastX_) <= 4 &&
                            std::abs(y - lastY_) <= 4;
        if (second) {
            lastPress_ = 0;
            Tell(WM_LBUTTONDBLCLK);
            Tell(WM_LBUTTONUP);
            return;
        }
        lastPress_ = when ? when : 1;
        lastX_ = x;
        lastY_ = y;
        Tell(WM_LBUTTONUP);
    }

    // As the shell does, the owner hears of its icon even while it is hidden or disabled.
    void Tell(UINT mouseMessage)
    {
        if (!callback_ || !IsWindow(owner_)) {
            return;
        }
        RememberTrigger();
        PostMessage(owner_, callback_, id_, static_cast<LPARAM>(mouseMessage));
        if (DesktopBackend* b = TheBackend()) {
            b->CountPosted();
        }
    }

    HWND owner_;
    UINT id_;
    UINT callback_ = 0;
    wxIcon icon_;
    wxString tip_;
    std::unique_ptr<StatusNotifierIcon> item_;
    std::unique_ptr<XEmbedIcon> xembed_;
    guint32 lastPress_ = 0;
    gdouble lastX_ = 0;
    gdouble lastY_ = 0;
};

void TrayIconDeleter::operator()(TrayIcon* icon) const { delete icon; }

bool DesktopBackend::ShowTrayIcon(const TrayIconRequest& request)
{
    auto it = std::find_if(trays_.begin(), trays_.end(), [&](const auto& t) {
        return t->Owner() == request.owner && t->Id() == request.id;
    });
    if (it == trays_.end()) {
        trays_.emplace_back(new TrayIcon(request));
        it = std::prev(trays_.end());
    }
    // No notification area (a bare X server, a desktop without one): nowhere to show it.
    if (!(*it)->Show(request)) {
        trays_.erase(it);
        return false;
    }
    return true;
}

void DesktopBackend::RemoveTrayIcon(HWND owner, UINT id)
{
    std::erase_if(trays_, [&](const auto& t) { return t->Owner() == owner && t->Id() == id; });
}

void DesktopBackend::RemoveTrayIconsOf(HWND owner)
{
    std::erase_if(trays_, [&](const auto& t) { return t->Owner() == owner; });
}

const TrayIcon* DesktopBackend::FindTrayIcon(HWND owner, UINT id) const
{
    for (const auto& t : trays_) {
        if (t->Owner() == owner && t->Id() == id) {
            return t.get();
        }
    }
    return nullptr;
}

GtkWidget* TrayIconWindow(const TrayIcon& icon) { return icon.Window(); }
}

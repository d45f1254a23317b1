// The StatusNotifierItem protocol on the session bus, through GDBus (which the toolkit
// brings): a watcher holds the items, a host (the desktop's panel) shows them and calls back.
#include "platform/display/StatusNotifier.h"

#include <gio/gio.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include <cstdlib>
#include <string>

#include "platform/display/Desktop.h"
#include "platform/user/Mouse.h"

namespace platform::display {
namespace {
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemPath = "/StatusNotifierItem";
// A bus that does not answer is no reason to hang: the icon is then not shown.
constexpr int kCallTimeoutMs = 2000;

constexpr const char* kItemXml = R"xml(<node>
<interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
  <signal name="NewTitle"/>
  <signal name="NewIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg name="status" type="s"/></signal>
</interface>
</node>)xml";

// The session bus's address from the environment, or the per-user socket; never a bus
// started for the occasion (the library's last resort would launch one).
std::string SessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        return address;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) {
        return {};
    }
    const std::string socketPath = std::string(runtime) + "/bus";
    struct stat st {};
    if (stat(socketPath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != getuid()) {
        return {};
    }
    return "unix:path=" + socketPath;
}

GDBusConnection* ConnectToSessionBus()
{
    const std::string address = SessionBusAddress();
    if (address.empty()) {
        return nullptr;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

struct Watch {
    GDBusConnection* bus = nullptr;
    guint watch = 0;
    bool watcher = false;
};
Watch g_watch;

void WatcherAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer)
{
    if (!g_watch.watcher) {
        g_watch.watcher = true;
        AnnounceTray();
    }
}

void WatcherVanished(GDBusConnection*, const gchar*, gpointer)
{
    // Its items went with it: owners add theirs again, to the next watcher or to another tray.
    if (g_watch.watcher) {
        g_watch.watcher = false;
        AnnounceTray();
    }
}

bool NameHasOwner(GDBusConnection* bus, const char* name)
{
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs,
                                                  nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned != FALSE;
}

// ARGB32 in network byte order, as the protocol carries pictures.
GVariant* Pixmaps(const wxIcon& icon)
{
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(iiay)"));
    if (icon.IsOk()) {
        wxImage image = wxBitmap(icon).ConvertToImage();
        if (image.IsOk()) {
            const int w = image.GetWidth();
            const int h = image.GetHeight();
            GVariantBuilder bytes;
            g_variant_builder_init(&bytes, G_VARIANT_TYPE("ay"));
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const unsigned char alpha = image.HasAlpha() ? image.GetAlpha(x, y) : 255;
                    g_variant_builder_add(&bytes, "y", alpha);
                    g_variant_builder_add(&bytes, "y", image.GetRed(x, y));
                    g_variant_builder_add(&bytes, "y", image.GetGreen(x, y));
                    g_variant_builder_add(&bytes, "y", image.GetBlue(x, y));
                }
            }
            g_variant_builder_add(&list, "(ii@ay)", w, h, g_variant_builder_end(&bytes));
        }
    }
    return g_variant_builder_end(&list);
}
}

struct StatusNotifierIcon::Item {
    std::function<void(UINT)> tell;
    GDBusConnection* bus = nullptr;
    GDBusNodeInfo* node = nullptr;
    guint object = 0;
    wxIcon icon;
    wxString tip;

    ~Item()
    {
        if (object) {
            g_dbus_connection_unregister_object(bus, object);
        }
        if (bus) {
            // The watcher sees the connection's name go and drops the item.
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
        }
        if (node) {
            g_dbus_node_info_unref(node);
        }
    }

    void Emit(const char* signal)
    {
        g_dbus_connection_emit_signal(bus, nullptr, kItemPath, "org.kde.StatusNotifierItem", signal, nullptr, nullptr);
    }

    static void Call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                     GDBusMethodInvocation* invocation, gpointer self)
    {
        auto* item = static_cast<Item*>(self);
        g_dbus_method_invocation_return_value(invocation, nullptr);
        // The host's activation is the icon's default action, which the owner takes from a
        // double click; its menu request is the right button's.
        if (g_strcmp0(method, "Activate") == 0) {
            item->tell(WM_LBUTTONDBLCLK);
        } else if (g_strcmp0(method, "ContextMenu") == 0) {
            item->tell(WM_RBUTTONUP);
        }
    }

    static GVariant* Get(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                         gpointer self)
    {
        const auto* item = static_cast<const Item*>(self);
        const std::string tip(item->tip.utf8_str());
        if (g_strcmp0(name, "Category") == 0) {
            return g_variant_new_string("ApplicationStatus");
        }
        if (g_strcmp0(name, "Id") == 0) {
            return g_variant_new_string("tapvox");
        }
        if (g_strcmp0(name, "Title") == 0) {
            return g_variant_new_string(tip.c_str());
        }
        if (g_strcmp0(name, "Status") == 0) {
            return g_variant_new_string("Active");
        }
        if (g_strcmp0(name, "WindowId") == 0) {
            return g_variant_new_int32(0);
        }
        if (g_strcmp0(name, "IconName") == 0) {
            return g_variant_new_string("");
        }
        if (g_strcmp0(name, "IconPixmap") == 0) {
            return Pixmaps(item->icon);
        }
        if (g_strcmp0(name, "ToolTip") == 0) {
            GVariantBuilder none;
            g_variant_builder_init(&none, G_VARIANT_TYPE("a(iiay)"));
            return g_variant_new("(s@a(iiay)ss)", "", g_variant_builder_end(&none), tip.c_str(), "");
        }
        if (g_strcmp0(name, "ItemIsMenu") == 0) {
            return g_variant_new_boolean(FALSE);
        }
        return nullptr;
    }

    bool Register()
    {
        bus = ConnectToSessionBus();
        if (!bus) {
            return false;
        }
        node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
        static const GDBusInterfaceVTable vtable{&Item::Call, &Item::Get, nullptr, {}};
        object = node ? g_dbus_connection_register_object(bus, kItemPath, node->interfaces[0], &vtable, this, nullptr,
                                                          nullptr)
                      : 0;
        if (!object) {
            return false;
        }
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            bus, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
            g_variant_new("(s)", g_dbus_connection_get_unique_name(bus)), nullptr, G_DBUS_CALL_FLAGS_NONE,
            kCallTimeoutMs, nullptr, &error);
        if (!reply) {
            g_clear_error(&error);
            return false;
        }
        g_variant_unref(reply);
        return true;
    }
};

StatusNotifierIcon::StatusNotifierIcon(std::function<void(UINT)> tell) : item_(std::make_unique<Item>())
{
    item_->tell = std::move(tell);
}

StatusNotifierIcon::~StatusNotifierIcon() = default;

bool StatusNotifierIcon::Show(const wxIcon& icon, const wxString& tip)
{
    const bool first = item_->object == 0;
    const bool newIcon = !item_->icon.IsOk() || !icon.IsSameAs(item_->icon);
    const bool newTip = tip != item_->tip;
    item_->icon = icon;
    item_->tip = tip;
    if (first) {
        return item_->Register();
    }
    if (newIcon) {
        item_->Emit("NewIcon");
    }
    if (newTip) {
        item_->Emit("NewTitle");
        item_->Emit("NewToolTip");
    }
    return true;
}

void StartStatusNotifierWatch()
{
    if (g_watch.bus) {
        return;
    }
    g_watch.bus = ConnectToSessionBus();
    if (!g_watch.bus) {
        return;
    }
    // Known at once for the first icon; the watch reports only changes after that.
    g_watch.watcher = NameHasOwner(g_watch.bus, kWatcherName);
    g_watch.watch = g_bus_watch_name_on_connection(g_watch.bus, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                   WatcherAppeared, WatcherVanished, nullptr, nullptr);
}

void StopStatusNotifierWatch()
{
    if (g_watch.watch) {
        g_bus_unwatch_name(g_watch.watch);
    }
    if (g_watch.bus) {
        g_dbus_connection_close_sync(g_watch.bus, nullptr, nullptr);
        g_object_unref(g_watch.bus);
    }
    g_watch = Watch{};
}

bool StatusNotifierHostPresent()
{
    if (!g_watch.bus || !g_watch.watcher) {
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        g_watch.bus, kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
    if (!reply) {
        return false;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool host = value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
    if (value) {
        g_variant_unref(value);
    }
    g_variant_unref(reply);
    return host;
}
}

// The stand-in watcher on GDBus: org.kde.StatusNotifierWatcher with its registration
// method and properties, items dropped when their connection leaves the bus.
#include "tests/support/platform/display/StandInWatcher.h"

#include <gio/gio.h>

#include <algorithm>

namespace platform::display::testing {
namespace {
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kItem = "org.kde.StatusNotifierItem";
constexpr int kTimeoutMs = 5000;

constexpr const char* kWatcherXml = R"xml(<node>
<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface>
</node>)xml";

// "service/path" split back.
std::pair<std::string, std::string> Split(const std::string& item)
{
    const std::size_t slash = item.find('/');
    return {item.substr(0, slash), slash == std::string::npos ? "/StatusNotifierItem" : item.substr(slash)};
}
}

struct StandInWatcher::State {
    GDBusConnection* bus = nullptr;
    GDBusNodeInfo* node = nullptr;
    guint object = 0;
    guint owners = 0;
    guint signals = 0;
    std::vector<std::pair<std::string, std::string>> heard;  // sender, signal
    bool host = false;
    bool running = false;
    std::vector<std::string> items;

    static void Call(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self)
    {
        auto* state = static_cast<State*>(self);
        if (g_strcmp0(method, "RegisterStatusNotifierItem") == 0) {
            const gchar* service = nullptr;
            g_variant_get(parameters, "(&s)", &service);
            // A path names an object of the caller; a name, an item at the usual path.
            const std::string item = service[0] == '/' ? std::string(sender) + service
                                                       : std::string(service) + "/StatusNotifierItem";
            if (std::find(state->items.begin(), state->items.end(), item) == state->items.end()) {
                state->items.push_back(item);
            }
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    static GVariant* Get(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                         gpointer self)
    {
        const auto* state = static_cast<const State*>(self);
        if (g_strcmp0(name, "IsStatusNotifierHostRegistered") == 0) {
            return g_variant_new_boolean(state->host);
        }
        if (g_strcmp0(name, "ProtocolVersion") == 0) {
            return g_variant_new_int32(0);
        }
        if (g_strcmp0(name, "RegisteredStatusNotifierItems") == 0) {
            GVariantBuilder list;
            g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
            for (const std::string& item : state->items) {
                g_variant_builder_add(&list, "s", item.c_str());
            }
            return g_variant_builder_end(&list);
        }
        return nullptr;
    }

    // An item whose connection left the bus is gone.
    static void OwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                             GVariant* parameters, gpointer self)
    {
        auto* state = static_cast<State*>(self);
        const gchar* name = nullptr;
        const gchar* before = nullptr;
        const gchar* after = nullptr;
        g_variant_get(parameters, "(&s&s&s)", &name, &before, &after);
        if (*after) {
            return;
        }
        std::erase_if(state->items, [&](const std::string& item) { return Split(item).first == name; });
    }

    static void ItemSignal(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* signal,
                           GVariant*, gpointer self)
    {
        static_cast<State*>(self)->heard.emplace_back(sender, signal);
    }

    GVariant* Property(const std::string& item, const char* name) const
    {
        const auto [service, path] = Split(item);
        GVariant* reply = g_dbus_connection_call_sync(bus, service.c_str(), path.c_str(), "org.freedesktop.DBus.Properties",
                                                      "Get", g_variant_new("(ss)", kItem, name), G_VARIANT_TYPE("(v)"),
                                                      G_DBUS_CALL_FLAGS_NONE, kTimeoutMs, nullptr, nullptr);
        if (!reply) {
            return nullptr;
        }
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }
};

StandInWatcher::StandInWatcher(const std::string& busAddress, bool hostRegistered) : state_(std::make_unique<State>())
{
    state_->host = hostRegistered;
    state_->bus = g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!state_->bus) {
        return;
    }
    g_dbus_connection_set_exit_on_close(state_->bus, FALSE);
    state_->node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    static const GDBusInterfaceVTable vtable{&State::Call, &State::Get, nullptr, {}};
    state_->object = g_dbus_connection_register_object(state_->bus, "/StatusNotifierWatcher", state_->node->interfaces[0],
                                                       &vtable, state_.get(), nullptr, nullptr);
    state_->owners = g_dbus_connection_signal_subscribe(state_->bus, "org.freedesktop.DBus", "org.freedesktop.DBus",
                                                        "NameOwnerChanged", "/org/freedesktop/DBus", nullptr,
                                                        G_DBUS_SIGNAL_FLAGS_NONE, &State::OwnerChanged, state_.get(),
                                                        nullptr);
    state_->signals = g_dbus_connection_signal_subscribe(state_->bus, nullptr, kItem, nullptr, nullptr, nullptr,
                                                         G_DBUS_SIGNAL_FLAGS_NONE, &State::ItemSignal, state_.get(),
                                                         nullptr);
    GVariant* reply = g_dbus_connection_call_sync(state_->bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", kWatcher, 4u),
                                                  G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kTimeoutMs, nullptr,
                                                  nullptr);
    if (reply) {
        guint32 answer = 0;
        g_variant_get(reply, "(u)", &answer);
        state_->running = answer == 1;  // the primary owner
        g_variant_unref(reply);
    }
}

StandInWatcher::~StandInWatcher()
{
    if (state_->bus) {
        for (guint subscription : {state_->owners, state_->signals}) {
            if (subscription) {
                g_dbus_connection_signal_unsubscribe(state_->bus, subscription);
            }
        }
        if (state_->object) {
            g_dbus_connection_unregister_object(state_->bus, state_->object);
        }
        g_dbus_connection_close_sync(state_->bus, nullptr, nullptr);
        g_object_unref(state_->bus);
    }
    if (state_->node) {
        g_dbus_node_info_unref(state_->node);
    }
}

bool StandInWatcher::Running() const { return state_->running; }

std::vector<std::string> StandInWatcher::Items() const { return state_->items; }

std::string StandInWatcher::Text(const std::string& item, const std::string& property) const
{
    GVariant* value = state_->Property(item, property.c_str());
    std::string out;
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        out = g_variant_get_string(value, nullptr);
    }
    if (value) {
        g_variant_unref(value);
    }
    return out;
}

std::string StandInWatcher::ToolTipTitle(const std::string& item) const
{
    GVariant* value = state_->Property(item, "ToolTip");
    std::string out;
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE("(sa(iiay)ss)"))) {
        const gchar* title = nullptr;
        g_variant_get_child(value, 2, "&s", &title);
        out = title ? title : "";
    }
    if (value) {
        g_variant_unref(value);
    }
    return out;
}

std::vector<StandInWatcher::Picture> StandInWatcher::Pictures(const std::string& item) const
{
    std::vector<Picture> out;
    GVariant* value = state_->Property(item, "IconPixmap");
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE("a(iiay)"))) {
        if (value) {
            g_variant_unref(value);
        }
        return out;
    }
    GVariantIter iter;
    g_variant_iter_init(&iter, value);
    gint32 w = 0;
    gint32 h = 0;
    GVariant* bytes = nullptr;
    while (g_variant_iter_next(&iter, "(ii@ay)", &w, &h, &bytes)) {
        gsize size = 0;
        const auto* data = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(bytes, &size, 1));
        out.push_back(Picture{w, h, std::vector<std::uint8_t>(data, data + size)});
        g_variant_unref(bytes);
    }
    g_variant_unref(value);
    return out;
}

int StandInWatcher::Signals(const std::string& item, const std::string& signal) const
{
    const std::string sender = Split(item).first;
    return static_cast<int>(std::count_if(state_->heard.begin(), state_->heard.end(), [&](const auto& h) {
        return h.first == sender && h.second == signal;
    }));
}

bool StandInWatcher::Call(const std::string& item, const std::string& method, int x, int y) const
{
    const auto [service, path] = Split(item);
    GVariant* reply = g_dbus_connection_call_sync(state_->bus, service.c_str(), path.c_str(), kItem, method.c_str(),
                                                  g_variant_new("(ii)", x, y), nullptr, G_DBUS_CALL_FLAGS_NONE, kTimeoutMs,
                                                  nullptr, nullptr);
    if (!reply) {
        return false;
    }
    g_variant_unref(reply);
    return true;
}
}

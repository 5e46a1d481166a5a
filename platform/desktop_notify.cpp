// Desktop notifications over the session D-Bus with GDBus: a connection of our own
// (no autolaunch of a bus), Notify and CloseNotification called without waiting, and
// ActionInvoked / NotificationClosed delivered by the frame loop's pump.
#include "platform/desktop_notify.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
// A server that has not answered in 10 s is not coming; the post is dropped.
constexpr int kCallTimeoutMs = 10000;

// One of our tags on the server.
struct Slot {
    uint32_t id = 0;             // the server's id, once Notify has answered
    bool in_flight = false;      // a Notify is on its way
    bool close_when_known = false;
    bool has_next = false;       // a post that waits for the one in flight (to replace it)
    DesktopNotification next;
};

struct Bus {
    GDBusConnection* conn = nullptr;
    bool connecting = false;
    std::vector<std::pair<uint32_t, DesktopNotification>> queued;  // posts made while connecting
    std::map<uint32_t, Slot> slots;                                // by tag
    std::vector<DesktopNotificationAction> actions;
    bool told = false;  // the one line on stderr has been written
};
Bus bus;

void TellOnce(const char* why, const char* detail) {
    if (bus.told) return;
    bus.told = true;
    std::fprintf(stderr,
                 "strigolo: desktop notifications are off for now (%s%s%s); the owl's notices go on in its window\n",
                 why, detail ? ": " : "", detail ? detail : "");
}

// The session bus's address as the environment gives it; empty when there is none.
// GLib would otherwise start a bus of its own through dbus-launch.
std::string SessionBusAddress() {
    const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (env && *env) return env;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    const std::string path = std::string(runtime) + "/bus";
    struct stat st{};
    if (stat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
    gchar* escaped = g_dbus_address_escape_value(path.c_str());
    std::string address = std::string("unix:path=") + escaped;
    g_free(escaped);
    return address;
}

void Send(uint32_t tag, const DesktopNotification& n);

void OnNotifyReply(GObject* source, GAsyncResult* res, gpointer data) {
    const uint32_t tag = GPOINTER_TO_UINT(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), res, &error);
    auto it = bus.slots.find(tag);
    if (!reply) {
        TellOnce("no notification service on the session D-Bus", error->message);
        g_error_free(error);
        if (it != bus.slots.end()) bus.slots.erase(it);
        return;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (it == bus.slots.end()) return;
    Slot& s = it->second;
    s.id = id;
    s.in_flight = false;
    if (s.close_when_known) {
        CloseDesktopNotification(tag);
    } else if (s.has_next) {
        s.has_next = false;
        Send(tag, s.next);
    }
}

void Send(uint32_t tag, const DesktopNotification& n) {
    Slot& s = bus.slots[tag];
    s.in_flight = true;

    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    for (const auto& [key, label] : n.actions) {
        gchar* k = g_utf8_make_valid(key.c_str(), -1);
        gchar* l = g_utf8_make_valid(label.c_str(), -1);
        g_variant_builder_add(&actions, "s", k);
        g_variant_builder_add(&actions, "s", l);
        g_free(k);
        g_free(l);
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(n.critical ? 2 : 1));
    if (!n.category.empty())
        g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string(n.category.c_str()));
    if (!n.desktop_entry.empty())
        g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(n.desktop_entry.c_str()));

    if (n.image_w > 0 && n.image_h > 0 && n.image.size() == size_t(n.image_w) * size_t(n.image_h) * 4) {
        GVariant* pixels = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, n.image.data(), n.image.size(), 1);
        g_variant_builder_add(&hints, "{sv}", "image-data",
                              g_variant_new("(iiibii@ay)", n.image_w, n.image_h, n.image_w * 4, TRUE, 8, 4, pixels));
    }

    gchar* summary = g_utf8_make_valid(n.summary.c_str(), -1);
    gchar* valid_body = g_utf8_make_valid(n.body.c_str(), -1);
    // Most servers read the body as markup; an "&" or "<" of a title must stay text.
    gchar* body = g_markup_escape_text(valid_body, -1);
    GVariant* params = g_variant_new("(susssasa{sv}i)", "Strigolo", s.id, n.icon.c_str(), summary, body, &actions,
                                      &hints, -1);
    g_free(summary);
    g_free(valid_body);
    g_free(body);
    g_dbus_connection_call(bus.conn, kName, kPath, kName, "Notify", params, G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, OnNotifyReply, GUINT_TO_POINTER(tag));
}

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant* params,
              gpointer) {
    guint32 id = 0;
    if (g_str_equal(signal, "ActionInvoked") && g_variant_is_of_type(params, G_VARIANT_TYPE("(us)"))) {
        const gchar* key = nullptr;
        g_variant_get(params, "(u&s)", &id, &key);
        for (const auto& [tag, s] : bus.slots)
            if (s.id == id && id != 0) bus.actions.push_back({tag, key});
    } else if (g_str_equal(signal, "NotificationClosed") && g_variant_is_of_type(params, G_VARIANT_TYPE("(uu)"))) {
        g_variant_get(params, "(uu)", &id, nullptr);
        // Gone from the desktop: a later notice of that tag is a new notification.
        for (auto& [tag, s] : bus.slots)
            if (s.id == id && id != 0) s.id = 0;
    }
}

void OnClosed(GDBusConnection* conn, gboolean, GError*, gpointer) {
    if (conn != bus.conn) return;
    g_object_unref(bus.conn);
    bus.conn = nullptr;
    bus.slots.clear();  // the ids were the server's of that bus
}

// At exit: the notifications on the desktop go with the owl, whose window could no
// longer be opened from them. Waits at most kExitWaitMs in all.
constexpr int kExitWaitMs = 500;
void CloseAllAtExit() {
    if (!bus.conn) return;
    // The ids of posts still on their way come with their replies.
    const gint64 until = g_get_monotonic_time() + gint64(kExitWaitMs) * 1000;
    for (;;) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        const bool waiting = std::any_of(bus.slots.begin(), bus.slots.end(),
                                         [](const std::pair<const uint32_t, Slot>& s) { return s.second.in_flight; });
        if (!waiting || !bus.conn || g_get_monotonic_time() >= until) break;
        g_usleep(5000);
    }
    if (!bus.conn) return;
    for (const auto& [tag, s] : bus.slots) {
        if (s.id == 0) continue;
        GError* error = nullptr;
        GVariant* r = g_dbus_connection_call_sync(bus.conn, kName, kPath, kName, "CloseNotification",
                                                  g_variant_new("(u)", s.id), nullptr, G_DBUS_CALL_FLAGS_NONE,
                                                  kExitWaitMs, nullptr, &error);
        if (r) g_variant_unref(r);
        const bool timed_out = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
        if (error) g_error_free(error);
        if (timed_out) break;  // the rest would wait as long
    }
}

void OnConnected(GObject*, GAsyncResult* res, gpointer) {
    GError* error = nullptr;
    bus.conn = g_dbus_connection_new_for_address_finish(res, &error);
    bus.connecting = false;
    if (!bus.conn) {
        TellOnce("the session D-Bus cannot be reached", error->message);
        g_error_free(error);
        bus.queued.clear();
        return;
    }
    g_dbus_connection_set_exit_on_close(bus.conn, FALSE);
    static bool at_exit = false;
    if (!at_exit) at_exit = std::atexit(CloseAllAtExit) == 0;
    g_signal_connect(bus.conn, "closed", G_CALLBACK(OnClosed), nullptr);
    // Any sender: the server's unique name is not known before it answers.
    g_dbus_connection_signal_subscribe(bus.conn, nullptr, kName, nullptr, kPath, nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, nullptr, nullptr);
    auto queued = std::move(bus.queued);
    bus.queued.clear();
    for (const auto& [tag, n] : queued) PostDesktopNotification(tag, n);
}

}  // namespace

void PostDesktopNotification(uint32_t tag, const DesktopNotification& n) {
    if (bus.connecting) {
        bus.queued.emplace_back(tag, n);
        return;
    }
    if (!bus.conn) {
        const std::string address = SessionBusAddress();
        if (address.empty()) {
            TellOnce("no session D-Bus", nullptr);
            return;
        }
        bus.connecting = true;
        bus.queued.emplace_back(tag, n);
        g_dbus_connection_new_for_address(
            address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, OnConnected, nullptr);
        return;
    }
    auto it = bus.slots.find(tag);
    if (it != bus.slots.end() && it->second.in_flight) {
        it->second.has_next = true;  // sent once the first answers, to replace it
        it->second.next = n;
        it->second.close_when_known = false;
        return;
    }
    Send(tag, n);
}

void CloseDesktopNotification(uint32_t tag) {
    for (auto q = bus.queued.begin(); q != bus.queued.end();)
        q = q->first == tag ? bus.queued.erase(q) : q + 1;
    auto it = bus.slots.find(tag);
    if (it == bus.slots.end()) return;
    Slot& s = it->second;
    if (s.in_flight) {
        s.close_when_known = true;
        s.has_next = false;
        return;
    }
    if (s.id != 0 && bus.conn) {
        g_dbus_connection_call(bus.conn, kName, kPath, kName, "CloseNotification", g_variant_new("(u)", s.id),
                               nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr, nullptr);
    }
    bus.slots.erase(it);
}

std::vector<DesktopNotificationAction> PumpDesktopNotifications() {
    std::vector<DesktopNotificationAction> out;
    if (!bus.conn && !bus.connecting) return out;
    // Bounded, so a flood of signals cannot hold the tick.
    for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
    out.swap(bus.actions);
    return out;
}

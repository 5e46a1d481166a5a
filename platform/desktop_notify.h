// The desktop's notification service (org.freedesktop.Notifications on the session
// D-Bus) through GLib's GDBus. Every call is asynchronous: nothing here waits for the
// bus or the server, and the replies and signals arrive when the frame loop pumps.
// Without a session bus or a server, posts are dropped after one line on stderr; a
// bus or server that appears later is used by the next post. At a normal exit the
// notifications still shown are withdrawn.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct DesktopNotification {
    std::string summary;       // plain text
    std::string body;          // plain text (escaped here for servers that read markup)
    std::string icon;          // an icon theme name or an absolute file path
    // The same picture in pixels ("image-data"), for a program run where it is not
    // installed: straight RGBA, top row first; none when empty.
    int image_w = 0, image_h = 0;
    std::vector<unsigned char> image;
    std::string category;      // the "category" hint
    std::string desktop_entry; // the "desktop-entry" hint: the .desktop file's name without suffix
    bool critical = false;     // urgency 2 (the server keeps it until acted on), else 1
    std::vector<std::pair<std::string, std::string>> actions;  // key, label ("default" is a click on it)
};

// Posts `n` under our `tag`; a later post of the same tag replaces the notification
// (replaces_id) unless the user closed it meanwhile.
void PostDesktopNotification(uint32_t tag, const DesktopNotification& n);
// Withdraws the notification of `tag` (CloseNotification), also one still being posted.
void CloseDesktopNotification(uint32_t tag);

struct DesktopNotificationAction {
    uint32_t tag = 0;
    std::string action;  // the key given with the post
};
// Runs what the bus delivered since the last call (replies, ActionInvoked and
// NotificationClosed) without blocking, and returns the actions the user invoked.
std::vector<DesktopNotificationAction> PumpDesktopNotifications();

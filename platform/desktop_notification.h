#pragma once
// A message in the desktop's notification area. Linux: the freedesktop notification
// service (org.freedesktop.Notifications on the session bus) when the program was built
// with D-Bus; elsewhere there is none and the caller shows its own (the tray's balloon).
#include <functional>
#include <string>

namespace orvanta::platform {

struct DesktopNotification {
    std::string appName = "Orvanta";
    std::string summary;
    std::string body;
    std::string iconName;  // a theme icon name or a file:// URL; empty: the service's own
    int timeoutMs = -1;    // -1: the service's default
};

// Whether this build can reach a notification service at all.
bool DesktopNotificationsAvailable();

// Hands the notification to the service without waiting for it. done(ok, error) runs later
// on the calling thread's event loop once the service answered (or at once when there is
// no service), so the caller can fall back to its own message.
void NotifyDesktop(const DesktopNotification& notification,
                   std::function<void(bool ok, const std::string& error)> done);

}  // namespace orvanta::platform

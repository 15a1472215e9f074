// Builds without a notification service: the caller always shows its own message.
#include "platform/desktop_notification.h"

namespace orvanta::platform {

bool DesktopNotificationsAvailable() { return false; }

void NotifyDesktop(const DesktopNotification&,
                   std::function<void(bool ok, const std::string& error)> done) {
    if (done) done(false, "No desktop notification service in this build.");
}

}  // namespace orvanta::platform

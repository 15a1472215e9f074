// org.freedesktop.Notifications.Notify on the session bus (the freedesktop notification
// protocol, version 1.2): app_name, replaces_id, app_icon, summary, body, actions, hints,
// expire_timeout; the answer is the notification's id.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

#include "platform/desktop_notification.h"

namespace orvanta::platform {

namespace {

// A service that does not answer in this time is taken as absent: the caller's own
// message is better late than never.
constexpr int kNotifyTimeoutMs = 5000;

}  // namespace

bool DesktopNotificationsAvailable() { return true; }

void NotifyDesktop(const DesktopNotification& n,
                   std::function<void(bool ok, const std::string& error)> done) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (done) done(false, "No D-Bus session bus.");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QString::fromStdString(n.appName) << 0u << QString::fromStdString(n.iconName)
         << QString::fromStdString(n.summary) << QString::fromStdString(n.body) << QStringList()
         << QVariantMap() << static_cast<qint32>(n.timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kNotifyTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, done = std::move(done)] {
                         const QDBusMessage reply = watcher->reply();
                         watcher->deleteLater();
                         if (!done) return;
                         if (reply.type() == QDBusMessage::ReplyMessage)
                             done(true, {});
                         else
                             done(false, reply.errorMessage().toStdString());
                     });
}

}  // namespace orvanta::platform

// Setting the time through systemd-timedated: org.freedesktop.timedate1.SetTime on the
// system bus. polkit decides, asking the user for a password where the desktop does so.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include "platform/system_clock.h"

namespace orvanta::platform {

ClockSetResult SetTimeThroughTimedated(std::int64_t deltaMicros) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {false, "The system's time service cannot be reached (no D-Bus system bus)."};
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // usec_utc, relative, interactive (may ask the user for permission).
    call << QVariant::fromValue(static_cast<qlonglong>(deltaMicros)) << true << true;
    call.setInteractiveAuthorizationAllowed(true);
    // The user may take a while to type a password; the events keep the windows painted.
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, 120000);
    if (reply.type() == QDBusMessage::ReplyMessage) return {true, {}};
    return {false, "The system's time service refused: " + reply.errorMessage().toStdString()};
}

}  // namespace orvanta::platform

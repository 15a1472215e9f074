// Setting the time through systemd-timedated: org.freedesktop.timedate1.SetTime on the
// system bus. polkit decides, asking the user for a password only when we let it.
#include "platform/posix/timedate_dbus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QVariant>

namespace orvanta::platform {

namespace {

// A person may take a while to type a password; without one polkit answers at once, and a
// bus that does not should not keep an unattended run waiting long.
constexpr int kAskingTimeoutMs = 120000;
constexpr int kUnattendedTimeoutMs = 10000;

bool PermissionRefusal(const QString& errorName) {
    return errorName ==
               QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
           errorName == QLatin1String("org.freedesktop.PolicyKit1.Error.NotAuthorized");
}

}  // namespace

ClockSetResult SetTimeThroughTimedated(std::int64_t deltaMicros, ClockSetMode mode) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {
            false, "The system's time service cannot be reached (no D-Bus system bus).", false, {}};
    const bool mayAsk = mode == ClockSetMode::MayAsk;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // usec_utc, relative, interactive.
    call << QVariant::fromValue(static_cast<qlonglong>(deltaMicros)) << true << mayAsk;
    call.setInteractiveAuthorizationAllowed(mayAsk);

    // Waited for in a local loop rather than a blocking call: the windows keep painting, and
    // when nobody is asked they keep answering the user as well.
    QDBusPendingCall pending =
        bus.asyncCall(call, mayAsk ? kAskingTimeoutMs : kUnattendedTimeoutMs);
    QDBusPendingCallWatcher watcher(pending);
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec(mayAsk ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
    }
    const QDBusMessage reply = watcher.reply();
    if (reply.type() == QDBusMessage::ReplyMessage) return {true, {}, false, {}};
    ClockSetResult r;
    r.errorText = "The system's time service refused: " + reply.errorMessage().toStdString();
    if (PermissionRefusal(reply.errorName())) {
        r.permissionMissing = true;
        r.grantHint = kTimedatePermissionHint;
    }
    return r;
}

}  // namespace orvanta::platform

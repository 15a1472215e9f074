// The clock on POSIX systems. Without CAP_SYS_TIME, clock_settime refuses; a desktop with
// systemd then sets the time through timedated, which asks the user the desktop's way when
// the user started the change and asks nobody otherwise.
#include <errno.h>
#include <string.h>
#include <time.h>

#include "platform/system_clock.h"
#ifdef ORVANTA_HAVE_TIMEDATE_DBUS
#include "platform/posix/timedate_dbus.h"
#endif

namespace orvanta::platform {

namespace {

constexpr char kCapabilityHint[] =
    "To let Orvanta set the clock, give it the CAP_SYS_TIME capability.";

std::int64_t Read(clockid_t id) {
    struct timespec ts {};
    ::clock_gettime(id, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

class PosixClock : public ISystemClock {
public:
    std::int64_t UtcMicros() const override { return Read(CLOCK_REALTIME); }
    std::int64_t TickMicros() const override { return Read(CLOCK_MONOTONIC); }

    ClockSetResult SetUtc(std::int64_t unixMicros, ClockSetMode mode) override {
        std::int64_t seconds = unixMicros / 1000000;
        std::int64_t micros = unixMicros % 1000000;
        if (micros < 0) {
            micros += 1000000;
            --seconds;
        }
        struct timespec ts {};
        ts.tv_sec = static_cast<time_t>(seconds);
        ts.tv_nsec = static_cast<long>(micros * 1000);
        if (::clock_settime(CLOCK_REALTIME, &ts) == 0) return {true, {}, false, {}};
        const int error = errno;
        ClockSetResult r;
        r.errorText = ::strerror(error);
        if (error != EPERM) return r;
        r.permissionMissing = true;
        r.grantHint = kCapabilityHint;
#ifdef ORVANTA_HAVE_TIMEDATE_DBUS
        // Relative, so the time the user takes to grant permission does not count.
        ClockSetResult viaDesktop = SetTimeThroughTimedated(unixMicros - UtcMicros(), mode);
        if (viaDesktop.ok) return viaDesktop;
        r.errorText += "\n" + viaDesktop.errorText;
        r.permissionMissing = viaDesktop.permissionMissing;
        r.grantHint = viaDesktop.grantHint;
#else
        (void)mode;
#endif
        return r;
    }
};

}  // namespace

std::shared_ptr<ISystemClock> MachineClock() {
    static auto clock = std::make_shared<PosixClock>();
    return clock;
}

}  // namespace orvanta::platform

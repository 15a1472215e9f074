// Zone rules from the C library: TZ, else /etc/localtime.
#include <time.h>

#include "platform/time_zone.h"

namespace orvanta::platform {

namespace {

class PosixZone : public ITimeZone {
public:
    ZoneInfo At(std::int64_t unixSeconds) const override {
        ZoneInfo z;
        // localtime_r need not look at TZ again; tests and users may have changed it.
        ::tzset();
        time_t t = time_t(unixSeconds);
        struct tm tm {};
        if (!::localtime_r(&t, &tm)) return z;
        z.known = true;
        z.utcOffsetMinutes = int(tm.tm_gmtoff / 60);
        z.daylight = tm.tm_isdst > 0;
        if (tm.tm_zone) z.abbreviation = tm.tm_zone;
        return z;
    }
};

}  // namespace

std::shared_ptr<const ITimeZone> SystemTimeZone() {
    static const auto zone = std::make_shared<PosixZone>();
    return zone;
}

}  // namespace orvanta::platform

#include "location/clock_sync.h"

#include <cstdio>

#include "orbit/julian_date.h"

namespace orvanta {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

std::int64_t UnixMicrosFromFields(const UtcClockFields& f) {
    const std::int64_t days = DaysFromCivil(f.year, f.month, f.day);
    const std::int64_t seconds = days * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
    return seconds * kMicrosPerSecond + f.microsecond;
}

UtcClockFields FieldsFromUnixMicros(std::int64_t unixMicros) {
    UtcClockFields f;
    const std::int64_t days = FloorDiv(unixMicros, kMicrosPerDay);
    std::int64_t rest = unixMicros - days * kMicrosPerDay;
    std::int64_t year = 0;
    CivilFromDays(days, year, f.month, f.day);
    f.year = static_cast<int>(year);
    f.hour = static_cast<int>(rest / (3600 * kMicrosPerSecond));
    rest %= 3600 * kMicrosPerSecond;
    f.minute = static_cast<int>(rest / (60 * kMicrosPerSecond));
    rest %= 60 * kMicrosPerSecond;
    f.second = static_cast<int>(rest / kMicrosPerSecond);
    f.microsecond = static_cast<int>(rest % kMicrosPerSecond);
    return f;
}

GpsClockComputation ComputeGpsClockTime(std::int64_t systemMicros, const GgaFix& fix,
                                        std::int64_t t0Micros, std::int64_t t1Micros) {
    GpsClockComputation r;
    // Without a fix the receiver's clock has not been set from the satellites either.
    if (fix.fixQuality == 0 || !fix.hasTime) return r;

    const UtcClockFields a = FieldsFromUnixMicros(systemMicros);
    UtcClockFields b = a;
    b.hour = fix.hours;
    b.minute = fix.minutes;
    b.second = fix.seconds;
    b.microsecond = fix.milliseconds * 1000;
    std::int64_t gps = UnixMicrosFromFields(b);
    if (a.hour == 23 && fix.hours == 0) gps += kMicrosPerDay;
    if (a.hour == 0 && fix.hours == 23) gps -= kMicrosPerDay;

    if (t1Micros < t0Micros) {
        r.status = GpsClockStatus::TimerRolledOver;
        return r;
    }
    r.status = GpsClockStatus::Ok;
    r.differenceSeconds = static_cast<double>(gps - systemMicros) / kMicrosPerSecond;
    r.newTimeMicros = gps + (t1Micros - t0Micros);
    return r;
}

std::string ClockAdjustedText(double seconds) {
    char buf[128];
    std::snprintf(buf, sizeof buf, kClockAdjusted, seconds);
    return buf;
}

std::string UtcTimeText(std::int64_t unixMicros) {
    const UtcClockFields f = FieldsFromUnixMicros(unixMicros);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d UTC", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return buf;
}

std::string ClockStepQuestion(const std::string& source, std::int64_t oldMicros,
                              std::int64_t newMicros) {
    char buf[512];
    std::snprintf(buf, sizeof buf, kClockStepQuestion, source.c_str(),
                  static_cast<double>(newMicros - oldMicros) / kMicrosPerSecond,
                  UtcTimeText(oldMicros).c_str(), UtcTimeText(newMicros).c_str());
    return buf;
}

}  // namespace orvanta

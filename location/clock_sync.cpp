#include "location/clock_sync.h"

#include <cstdio>

namespace orvanta {

namespace {

// Days since 1970-01-01 of a civil date, and back (Hinnant's algorithms), exact for every
// year a clock can show.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

std::int64_t UnixMicrosFromFields(const UtcClockFields& f) {
    const std::int64_t days =
        DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
    const std::int64_t seconds = days * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
    return seconds * kMicrosPerSecond + f.microsecond;
}

UtcClockFields FieldsFromUnixMicros(std::int64_t unixMicros) {
    UtcClockFields f;
    const std::int64_t days = FloorDiv(unixMicros, kMicrosPerDay);
    std::int64_t rest = unixMicros - days * kMicrosPerDay;
    CivilFromDays(days, f.year, f.month, f.day);
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

}  // namespace orvanta

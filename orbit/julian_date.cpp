#include "orbit/julian_date.h"

#include <cmath>
#include <cstdio>

#include "orbit/globals.h"

namespace orvanta {

namespace {

// std::fmod(x, y) for y a whole number, by one division: the same value to the last bit for
// x from 0 to 2^52 (then x - n y is a multiple of x's last place no larger than x, so it is
// exact, and a quotient rounded up to the next whole number is put right by adding y back).
// glibc's fmod works through the exponent difference bit by bit, and the sidereal time
// takes two a look angle: a sixth of a week's pass search.
double FmodWhole(double x, double y) {
    if (!(x >= 0.0 && x < 4503599627370496.0)) return std::fmod(x, y);
    const double r = x - std::floor(x / y) * y;
    return r < 0.0 ? r + y : r;
}

double JdFromYearDay(int year, double day) {
    const int y = year - 1;
    const int a = y / 100;
    const int b = 2 - a + a / 4;
    return std::trunc(365.25 * y) + 428.0 + 1720994.5 + b + day;
}

// Whole days since 1970-01-01 and the seconds into that day, flooring for times before 1970.
// Julian dates beyond this many days from day 0 (some 270 million years) are not converted
// to calendar dates: further out the year no longer fits in an int, and no date the program
// meets comes anywhere near.
constexpr double kMaxCalendarJd = 1e11;

bool CalendarCanHold(double jd) { return jd > -kMaxCalendarJd && jd < kMaxCalendarJd; }

void SplitUnixSeconds(std::int64_t t, std::int64_t& days, std::int64_t& secondOfDay) {
    days = t / 86400;
    secondOfDay = t % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

UtcSeconds UtcSecondsFromJd(double jd) {
    const std::int64_t ms = std::llround((jd - kUnixEpochJd) * 86400000.0);
    const std::int64_t secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const std::int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    const std::int64_t sod = secs - days * 86400;
    UtcSeconds f;
    CivilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(sod / 3600);
    f.minute = static_cast<int>(sod % 3600 / 60);
    f.second = static_cast<int>(sod % 60);
    return f;
}

std::optional<double> ParseIsoUtc(const std::string& text) {
    auto digits = [&](std::size_t pos, std::size_t count, int& value) {
        value = 0;
        for (std::size_t i = pos; i < pos + count; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, sec;
    if (text.size() < 20 || !digits(0, 4, y) || text[4] != '-' || !digits(5, 2, mo) || text[7] != '-' ||
        !digits(8, 2, d) || text[10] != 'T' || !digits(11, 2, h) || text[13] != ':' || !digits(14, 2, mi) ||
        text[16] != ':' || !digits(17, 2, sec) || text.back() != 'Z')
        return std::nullopt;
    double fraction = 0.0;
    if (text.size() > 20) {
        // ".f..." up to the final Z
        if (text[19] != '.' || text.size() < 22) return std::nullopt;
        double scale = 0.1;
        for (std::size_t i = 20; i + 1 < text.size(); ++i, scale /= 10.0) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            fraction += (text[i] - '0') * scale;
        }
    }
    static constexpr int MONTH_DAYS[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > MONTH_DAYS[mo - 1] || (mo == 2 && d == 29 && !leap))
        return std::nullopt;
    if (h > 23 || mi > 59 || sec > 59) return std::nullopt;
    const double days = static_cast<double>(DaysFromCivil(y, mo, d));
    return kUnixEpochJd + days + (h * 3600.0 + mi * 60.0 + sec + fraction) / 86400.0;
}


std::string FormatIsoUtcSeconds(double jd) {
    const UtcSeconds f = UtcSecondsFromJd(jd);
    char buf[64];
    if (f.year < 0 || f.year > 9999) {
        std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                      static_cast<long long>(f.year), f.month, f.day, f.hour, f.minute, f.second);
        return buf;
    }
    // Digits written directly: pass tables format tens of thousands of times, and snprintf
    // was most of the cost of writing them.
    const auto two = [&](int at, int v) {
        buf[at] = static_cast<char>('0' + v / 10);
        buf[at + 1] = static_cast<char>('0' + v % 10);
    };
    const int y = static_cast<int>(f.year);
    two(0, y / 100);
    two(2, y % 100);
    buf[4] = '-';
    two(5, f.month);
    buf[7] = '-';
    two(8, f.day);
    buf[10] = 'T';
    two(11, f.hour);
    buf[13] = ':';
    two(14, f.minute);
    buf[16] = ':';
    two(17, f.second);
    buf[19] = 'Z';
    return std::string(buf, 20);
}

cJulianDate::cJulianDate() : date(JdFromYearDay(2000, 1.0)) {}

cJulianDate::cJulianDate(int year, double day) : date(JdFromYearDay(year, day)) {}

cJulianDate::cJulianDate(std::int64_t unixSeconds) {
    std::int64_t days, rem;
    SplitUnixSeconds(unixSeconds, days, rem);
    std::int64_t y;
    int m, d;
    CivilFromDays(days, y, m, d);
    const std::int64_t yday = days - DaysFromCivil(y, 1, 1);
    const int hour = static_cast<int>(rem / 3600);
    const int minute = static_cast<int>(rem % 3600 / 60);
    const int second = static_cast<int>(rem % 60);
    date = JdFromYearDay(static_cast<int>(y),
                         yday + 1 + (hour + (minute + second / 60.0) / 60.0) / 24.0);
}

cJulianDate::cJulianDate(const SystemTime& utc) {
    const std::int64_t days =
        DaysFromCivil(utc.wYear, utc.wMonth, utc.wDay) - DaysFromCivil(utc.wYear, 1, 1);
    const double day = days + (utc.wHour * 3600.0 + utc.wMinute * 60.0 + utc.wSecond) / 86400.0;
    date = JdFromYearDay(utc.wYear, day + 1.0);
}

double cJulianDate::ToGmst() const {
    const double ut = FmodWhole(date + 0.5, 1.0);
    const double tu = (date - J2000_JD - ut) / 36525.0;
    double g = 24110.54841 + tu * (8640184.812866 + tu * (0.093104 - tu * 6.2e-6));
    g = FmodWhole(g + SEC_PER_DAY * EARTH_ROT_PER_DAY * ut, SEC_PER_DAY);
    if (g < 0.0) g += SEC_PER_DAY;
    return TWOPI * g / SEC_PER_DAY;
}

double cJulianDate::ToLmst(double lon) const {
    // The sum lies in [-pi, 3 pi): there fmod is the sum itself or the sum less 2 pi, which
    // is exact (Sterbenz), so the library's bit-by-bit remainder is needed only beyond.
    const double v = ToGmst() + lon;
    if (v > -TWOPI && v < TWOPI) return v;
    if (v >= TWOPI && v < 2.0 * TWOPI) return v - TWOPI;
    return std::fmod(v, TWOPI);
}

void cJulianDate::ToCalendar(int& year, int* month, double* dom) const {
    if (!CalendarCanHold(date)) {  // also NaN
        year = 0;
        if (month) *month = 1;
        if (dom) *dom = 1.0;
        return;
    }
    const double j = date + 0.5;
    const double z = std::trunc(j);
    const double fr = j - z;
    const double alpha = std::trunc((z - 1867216.25) / 36524.25);
    const double bv = z + 1.0 + alpha - std::trunc(alpha * 0.25) + 1524.0;
    const double c = std::trunc((bv - 122.1) / 365.25);
    const double dd = std::trunc(c * 365.25);
    const double e = std::trunc((bv - dd) / 30.6001);
    const double day = bv - dd - std::trunc(30.6001 * e) + fr;
    const int mon = static_cast<int>(e < 13.5 ? e - 1.0 : e - 13.0);
    year = static_cast<int>(mon > 2.5 ? c - 4716.0 : c - 4715.0);
    if (month) *month = mon;
    if (dom) *dom = day;
}

std::int64_t cJulianDate::ToUnixTime() const {
    if (!CalendarCanHold(date)) return -1;
    int year, month;
    double dom;
    ToCalendar(year, &month, &dom);
    const int mday = static_cast<int>(std::trunc(dom));
    // Fractions of a second are truncated, but a date built from whole seconds carries some
    // 40 microseconds of binary rounding; half a millisecond keeps such dates on their second.
    const std::int64_t secs = static_cast<std::int64_t>((dom - mday) * 86400.0 + 5e-4);
    return DaysFromCivil(year, month, mday) * 86400 + secs;
}

void cJulianDate::ToSystemTime(SystemTime& utc) const {
    // Through the second count, so a day fraction that rounds up to midnight carries into
    // the next day instead of giving hour 24.
    const std::int64_t t = ToUnixTime();
    std::int64_t days, rem;
    SplitUnixSeconds(t, days, rem);
    std::int64_t y;
    int m, d;
    CivilFromDays(days, y, m, d);
    utc.wYear = static_cast<std::uint16_t>(y);
    utc.wMonth = static_cast<std::uint16_t>(m);
    utc.wDay = static_cast<std::uint16_t>(d);
    utc.wHour = static_cast<std::uint16_t>(rem / 3600);
    utc.wMinute = static_cast<std::uint16_t>(rem % 3600 / 60);
    utc.wSecond = static_cast<std::uint16_t>(rem % 60);
    utc.wDayOfWeek = 0;
    utc.wMilliseconds = 0;
}

}  // namespace orvanta

#pragma once
// Julian dates (UT). The orbit model counts minutes from an element epoch; everything else in
// the program speaks in these dates.
#include <cstdint>
#include <optional>
#include <string>

namespace orvanta {

// Broken-down UTC time with the fields of the Windows SYSTEMTIME record, so clock code on
// either platform can hand it over unchanged.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;      // 1..12
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday
    std::uint16_t wDay = 0;        // 1..31
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// 1970-01-01 0h UTC.
inline constexpr double kUnixEpochJd = 2440587.5;

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12), and back (Hinnant's
// algorithms). Pure arithmetic, so the conversions neither depend on the platform's time
// zone nor fail for dates before 1970.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day);

// UTC calendar fields to the whole second.
struct UtcSeconds {
    std::int64_t year = 1970;
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// Rounded to the millisecond first, so a date on a whole second is not shown as the second
// before, then cut to the second. For dates within a few hundred thousand years.
UtcSeconds UtcSecondsFromJd(double jd);
// "YYYY-MM-DDTHH:MM:SSZ" of UtcSecondsFromJd.
std::string FormatIsoUtcSeconds(double jd);
// "YYYY-MM-DDTHH:MM:SS[.fff]Z" to a Julian date; nothing for anything else.
std::optional<double> ParseIsoUtc(const std::string& text);

class cJulianDate {
public:
    // 2000 January 1, 0h UT (JD 2451544.5).
    cJulianDate();
    // year: four-digit year; day: day of the year with fraction, 1.0 = January 1, 0h UT.
    cJulianDate(int year, double day);
    // Seconds since 1970-01-01 00:00 UTC.
    explicit cJulianDate(std::int64_t unixSeconds);
    explicit cJulianDate(const SystemTime& utc);
    // A double here would silently be taken for Unix seconds; use FromJd.
    cJulianDate(double) = delete;

    static cJulianDate FromJd(double jd) {
        cJulianDate d;
        d.date = jd;
        return d;
    }

    double Date() const { return date; }
    void AddDay(double days) { date += days; }
    void AddMin(double minutes) { date += minutes / 60.0 / 24.0; }
    void AddSec(double seconds) { date += seconds / 86400.0; }
    // Minutes from other to this date (positive when this is later).
    double SpanMin(const cJulianDate& other) const { return (date - other.date) * 1440.0; }
    double SpanDay(const cJulianDate& other) const { return date - other.date; }

    // Greenwich mean sidereal time, radians in [0, 2 pi).
    double ToGmst() const;
    // Local mean sidereal time at lon (radians, east positive). Not normalised: western
    // longitudes can give a negative angle.
    double ToLmst(double lon) const;

    // Gregorian calendar date; month and dom (day of month with fraction) are written when
    // non-null. A date the calendar cannot hold (not a number, or hundreds of millions of
    // years away) gives year 0, month 1, dom 1.0.
    void ToCalendar(int& year, int* month = nullptr, double* dom = nullptr) const;
    // Seconds since 1970 UTC, fractions of a second truncated; -1 for a date the calendar
    // cannot hold.
    std::int64_t ToUnixTime() const;
    // Fractions of a second truncated; wDayOfWeek and wMilliseconds are 0.
    void ToSystemTime(SystemTime& utc) const;

    friend bool operator<(const cJulianDate& a, const cJulianDate& b) { return a.date < b.date; }
    friend bool operator>(const cJulianDate& a, const cJulianDate& b) { return a.date > b.date; }
    friend bool operator<=(const cJulianDate& a, const cJulianDate& b) { return a.date <= b.date; }
    friend bool operator>=(const cJulianDate& a, const cJulianDate& b) { return a.date >= b.date; }
    friend bool operator==(const cJulianDate& a, const cJulianDate& b) { return a.date == b.date; }

private:
    double date;  // Julian date, days (UT); .0 at noon
};

}  // namespace orvanta

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/time_format.h"
#include "orbit/julian_date.h"
#include "platform/time_zone.h"
#include "tests/platform/scoped_env.h"

using namespace orvanta;
using orvanta::test::ScopedTz;

namespace {
// Half a second past the given second, so the truncation of seconds cannot fall on the
// wrong side of a boundary through rounding of the Julian date.
cJulianDate At(std::int64_t unixSeconds) {
    return cJulianDate::FromJd(2440587.5 + (double(unixSeconds) + 0.5) / 86400.0);
}
}  // namespace

TEST(CalendarArithmetic, UnixRoundTripAcrossLeapDaysAndCenturies) {
    // Published instants: 2000-03-01 is day 11017; 1970 is 0; 2038-01-19 03:14:08 is 2^31.
    EXPECT_EQ(CalendarFieldsToUnix({2000, 3, 1, 0, 0, 0}), 11017LL * 86400);
    EXPECT_EQ(CalendarFieldsToUnix({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(CalendarFieldsToUnix({2038, 1, 19, 3, 14, 8}), 2147483648LL);
    for (std::int64_t t : {-86401LL, -1LL, 0LL, 951782400LL, 4107542399LL, 13569465600LL}) {
        EXPECT_EQ(CalendarFieldsToUnix(UnixToCalendarFields(t)), t) << t;
    }
    EXPECT_EQ(UnixToCalendarFields(-1), (CalendarFields{1969, 12, 31, 23, 59, 59}));
    EXPECT_EQ(UnixToCalendarFields(951782400), (CalendarFields{2000, 2, 29, 0, 0, 0}));
}

// The conversions run through floating-point Julian dates: every second must still land
// on its own calendar second. The standard library's civil calendar is the reference.
TEST(CalendarArithmetic, WholeSecondsMatchTheCivilCalendarFrom1600To2600) {
    using namespace std::chrono;
    const std::int64_t from = -11676096000LL;  // 1600-01-01
    const std::int64_t to = 19880899200LL;     // 2600-01-01
    std::int64_t failures = 0;
    for (std::int64_t t = from; t < to && failures < 5; t += 86400 * 3 + 3607) {
        const sys_seconds s{seconds{t}};
        const sys_days d = floor<days>(s);
        const year_month_day ymd{d};
        const hh_mm_ss<seconds> hms{s - d};
        const CalendarFields expected{int(ymd.year()), int(unsigned(ymd.month())),
                                      int(unsigned(ymd.day())), int(hms.hours().count()),
                                      int(hms.minutes().count()), int(hms.seconds().count())};
        const CalendarFields got = UnixToCalendarFields(t);
        if (got != expected || CalendarFieldsToUnix(expected) != t) {
            ++failures;
            ADD_FAILURE() << "at " << t;
        }
    }
    // Fields that spill over are carried into the next unit.
    EXPECT_EQ(CalendarFieldsToUnix({2026, 13, 1, 0, 0, 0}),
              CalendarFieldsToUnix({2027, 1, 1, 0, 0, 0}));
    EXPECT_EQ(CalendarFieldsToUnix({2024, 2, 30, 24, 0, 0}),
              CalendarFieldsToUnix({2024, 3, 2, 0, 0, 0}));
}

TEST(CalendarArithmetic, AddMinutesCrossesDayMonthAndYear) {
    EXPECT_EQ(AddMinutes({2026, 12, 31, 23, 30, 15}, 60), (CalendarFields{2027, 1, 1, 0, 30, 15}));
    EXPECT_EQ(AddMinutes({2024, 3, 1, 0, 10, 0}, -20), (CalendarFields{2024, 2, 29, 23, 50, 0}));
    EXPECT_EQ(AddMinutes({2026, 1, 1, 0, 0, 0}, -300), (CalendarFields{2025, 12, 31, 19, 0, 0}));
}

TEST(CalendarArithmetic, JulianFieldsTruncateSeconds) {
    // J2000: 2000-01-01 12:00:00; 0.9 s later still shows second 0.
    EXPECT_EQ(JulianToCalendarFields(cJulianDate::FromJd(2451545.0 + 0.9 / 86400.0)),
              (CalendarFields{2000, 1, 1, 12, 0, 0}));
    EXPECT_EQ(JulianToCalendarFields(cJulianDate::FromJd(2451544.5)),
              (CalendarFields{2000, 1, 1, 0, 0, 0}));
    // Damaged dates format as something rather than as undefined arithmetic.
    EXPECT_EQ(JulianToCalendarFields(cJulianDate::FromJd(std::nan(""))), CalendarFields{});
    EXPECT_EQ(JulianToCalendarFields(cJulianDate::FromJd(1e300)), CalendarFields{});
}

TEST(ZoneLabel, LongNamesReduceToInitialAndCapitals) {
    EXPECT_EQ(AbbreviateZoneName("W. Europe Daylight Time"), "WEDT");
    EXPECT_EQ(AbbreviateZoneName("Eastern Standard Time"), "EST");
    // The second and third characters are never examined.
    EXPECT_EQ(AbbreviateZoneName("GMT Standard Time"), "GST");
    // Characters past the 33rd are ignored and the result stops at 9.
    EXPECT_EQ(AbbreviateZoneName("Abc Def Ghi Jkl Mno Pqr Stu Vwx Yz Q"), "ADGJMPSVY");
    EXPECT_EQ(AbbreviateZoneName("X  ABCDEFGHIJKL"), "XABCDEFGH");
    EXPECT_EQ(AbbreviateZoneName(""), "");

    platform::ZoneInfo z;
    EXPECT_EQ(ZoneLabel(z), "---");  // no zone reported
    z.known = true;
    z.standardName = "W. Europe Standard Time";
    z.daylightName = "W. Europe Daylight Time";
    EXPECT_EQ(ZoneLabel(z), "WEST");
    z.daylight = true;
    EXPECT_EQ(ZoneLabel(z), "WEDT");
    // POSIX systems name the zone only by its abbreviation.
    platform::ZoneInfo posix{true, 120, true, "CEST", "", ""};
    EXPECT_EQ(ZoneLabel(posix), "CEST");
}

#ifndef _WIN32  // the zone tests steer the POSIX rules through TZ
namespace {

constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

// The rules string, and the zone database's name for the same place when it is installed.
std::vector<std::string> Zones(const char* rules, const char* name) {
    std::vector<std::string> z{rules};
    if (std::filesystem::exists(std::string("/usr/share/zoneinfo/") + name)) z.push_back(name);
    return z;
}

TimeFormatter Local() { return TimeFormatter(platform::SystemTimeZone(), nullptr, false); }

}  // namespace

TEST(TimeFormatter, BerlinAcrossBothDaylightSavingChanges) {
    for (const std::string& zone : Zones(kBerlin, "Europe/Berlin")) {
        SCOPED_TRACE(zone);
        ScopedTz tz(zone.c_str());
        TimeFormatter f = Local();
        // 2026-03-29 01:00 UTC: clocks go from 02:00 CET to 03:00 CEST.
        EXPECT_EQ(f.FormatDateTime(At(1774746000 - 1)), "2026-03-29 01:59:59");
        EXPECT_EQ(f.FormatDateTime(At(1774746000)), "2026-03-29 03:00:00");
        EXPECT_EQ(f.DisplayOffsetMinutes(At(1774746000 - 1)), 60);
        EXPECT_EQ(f.DisplayOffsetMinutes(At(1774746000)), 120);
        // 2026-10-25 01:00 UTC: 03:00 CEST becomes 02:00 CET, so 02:xx is shown twice.
        EXPECT_EQ(f.FormatDateTime(At(1792890000 - 1)), "2026-10-25 02:59:59");
        EXPECT_EQ(f.FormatDateTime(At(1792890000)), "2026-10-25 02:00:00");
        EXPECT_EQ(f.FormatTime(At(1792890000)), "02:00:00");
        EXPECT_EQ(f.HeaderZoneLabel(1792890000 - 1), "CEST");
        EXPECT_EQ(f.HeaderZoneLabel(1792890000), "CET");
    }
}

TEST(TimeFormatter, NewYorkDaylightSavingAndDateChange) {
    for (const std::string& zone : Zones(kNewYork, "America/New_York")) {
        SCOPED_TRACE(zone);
        ScopedTz tz(zone.c_str());
        TimeFormatter f = Local();
        // 2026-03-08 07:00 UTC: 02:00 EST becomes 03:00 EDT.
        EXPECT_EQ(f.FormatDateTime(At(1772953200 - 1)), "2026-03-08 01:59:59");
        EXPECT_EQ(f.FormatDateTime(At(1772953200)), "2026-03-08 03:00:00");
        // 2026-11-01 06:00 UTC: 02:00 EDT becomes 01:00 EST.
        EXPECT_EQ(f.FormatDateTime(At(1793512800)), "2026-11-01 01:00:00");
        // Early UTC morning is the evening before in New York.
        EXPECT_EQ(f.FormatDateTime(At(CalendarFieldsToUnix({2027, 1, 1, 3, 4, 5}))),
                  "2026-12-31 22:04:05");
        EXPECT_EQ(f.HeaderZoneLabel(1793512800), "EST");
    }
}

TEST(TimeFormatter, DisplayUtcIgnoresTheZoneButEventTimesStayLocal) {
    ScopedTz tz(kBerlin);
    TimeFormatter utc(platform::SystemTimeZone(), nullptr, true);
    cJulianDate t = At(1780000000);  // 2026-05-28 20:26:40 UTC, CEST in force
    EXPECT_EQ(utc.FormatDateTime(t), "2026-05-28 20:26:40");
    EXPECT_EQ(utc.DisplayOffsetMinutes(t), 0);
    EXPECT_EQ(utc.HeaderZoneLabel(1780000000), "UTC");
    auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1780000000)) +
                std::chrono::milliseconds(999);
    EXPECT_EQ(utc.FormatEventTime(when), "2026-05-28   22:26:40");
}

TEST(TimeFormatter, UtcZoneAndMissingZone) {
    {
        for (const std::string& zone : Zones("UTC0", "UTC")) {
            ScopedTz tz(zone.c_str());
            EXPECT_EQ(Local().FormatDateTime(At(1774746000)), "2026-03-29 01:00:00");
            EXPECT_EQ(Local().HeaderZoneLabel(1774746000), "UTC");
        }
    }
    TimeFormatter none(platform::FixedTimeZone(0, "", false), nullptr, false);
    EXPECT_EQ(none.FormatDateTime(At(1774746000)), "2026-03-29 01:00:00");
    EXPECT_EQ(none.HeaderZoneLabel(0), "---");
}

#endif  // _WIN32

TEST(TimeFormatter, PluggedRendererAndProcessWideState) {
    struct Dotted : IDateTimeRenderer {
        std::string ShortDate(const CalendarFields& f) const override {
            return std::to_string(f.day) + "." + std::to_string(f.month) + "." + std::to_string(f.year);
        }
        std::string TimeOfDay(const CalendarFields& f) const override {
            return std::to_string(f.hour) + "h" + std::to_string(f.minute);
        }
    };
    SetDisplayTimeZone(platform::FixedTimeZone(330, "IST"));
    SetDateTimeRenderer(std::make_shared<Dotted>());
    SetDisplayUtc(false);
    cJulianDate t = At(CalendarFieldsToUnix({2026, 12, 31, 20, 0, 0}));
    EXPECT_EQ(FormatDateTime(t), "1.1.2027 1h30");
    EXPECT_EQ(FormatTime(t), "1h30");
    SetDisplayUtc(true);
    EXPECT_EQ(FormatDateTime(t), "31.12.2026 20h0");
    SetDisplayUtc(false);
    SetDisplayTimeZone(nullptr);
    SetDateTimeRenderer(nullptr);
    EXPECT_EQ(FormatDateTime(t), "2026-12-31 20:00:00");
}

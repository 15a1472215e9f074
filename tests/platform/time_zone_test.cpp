#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/time_zone.h"
#include "tests/platform/scoped_env.h"

using namespace orvanta::platform;
using orvanta::test::ScopedTz;

namespace {

// 2026-03-29 01:00 UTC (European spring change) and 2026-11-01 06:00 UTC (US autumn change).
constexpr std::int64_t kEuSpring = 1774746000;
constexpr std::int64_t kUsAutumn = 1793512800;

}  // namespace

TEST(SystemTimeZone, OffsetDaylightAndAbbreviationAtTheInstant) {
    auto zone = SystemTimeZone();
    {
        ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
        ZoneInfo before = zone->At(kEuSpring - 1), after = zone->At(kEuSpring);
        EXPECT_TRUE(before.known);
        EXPECT_EQ(before.utcOffsetMinutes, 60);
        EXPECT_FALSE(before.daylight);
        EXPECT_EQ(before.abbreviation, "CET");
        EXPECT_EQ(after.utcOffsetMinutes, 120);
        EXPECT_TRUE(after.daylight);
        EXPECT_EQ(after.abbreviation, "CEST");
    }
    {
        // A changed TZ takes effect at once.
        ScopedTz tz("EST5EDT,M3.2.0,M11.1.0");
        EXPECT_EQ(zone->At(kUsAutumn - 1).utcOffsetMinutes, -240);
        EXPECT_EQ(zone->At(kUsAutumn).utcOffsetMinutes, -300);
        EXPECT_EQ(zone->At(kUsAutumn).abbreviation, "EST");
    }
    {
        ScopedTz tz("UTC0");
        ZoneInfo z = zone->At(kEuSpring);
        EXPECT_EQ(z.utcOffsetMinutes, 0);
        EXPECT_FALSE(z.daylight);
        EXPECT_EQ(z.abbreviation, "UTC");
    }
}

TEST(SystemTimeZone, NamedZonesFromTheZoneDatabase) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin"))
        GTEST_SKIP() << "no zone database installed";
    auto zone = SystemTimeZone();
    ScopedTz tz("Europe/Berlin");
    EXPECT_EQ(zone->At(kEuSpring - 1).utcOffsetMinutes, 60);
    EXPECT_EQ(zone->At(kEuSpring).utcOffsetMinutes, 120);
    // Before 1980 Germany kept no summer time; the rules of the instant apply.
    EXPECT_EQ(zone->At(173000000).utcOffsetMinutes, 60);  // 1975-06-26
}

TEST(FixedTimeZone, ConstantOffsetOrNoZone) {
    auto india = FixedTimeZone(330, "IST");
    EXPECT_EQ(india->At(0).utcOffsetMinutes, 330);
    EXPECT_EQ(india->At(kEuSpring).abbreviation, "IST");
    auto none = FixedTimeZone(120, "X", false);
    EXPECT_FALSE(none->At(0).known);
    EXPECT_EQ(none->At(0).utcOffsetMinutes, 0);
}

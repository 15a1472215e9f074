// The GPS clock arithmetic: a GGA sentence has the time of day only, so the date comes
// from the system clock and midnight has to be crossed by hand.
#include <gtest/gtest.h>

#include "location/clock_sync.h"

using namespace orvanta;

namespace {

std::int64_t At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return UnixMicrosFromFields({y, mo, d, h, mi, s, ms * 1000});
}

GgaFix GpsTime(int h, int mi, int s, int ms = 0) {
    GgaFix fix;
    fix.fixQuality = 1;
    fix.hasPosition = true;
    fix.hasTime = true;
    fix.hours = h;
    fix.minutes = mi;
    fix.seconds = s;
    fix.milliseconds = ms;
    return fix;
}

}  // namespace

TEST(UtcClockFieldsTest, PublishedUnixTimesAndRoundTrips) {
    EXPECT_EQ(At(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(At(2000, 1, 1, 0, 0, 0), 946684800LL * kMicrosPerSecond);
    EXPECT_EQ(At(2038, 1, 19, 3, 14, 8), 2147483648LL * kMicrosPerSecond);
    EXPECT_EQ(At(1969, 12, 31, 23, 59, 59), -kMicrosPerSecond);
    EXPECT_EQ(At(2024, 3, 1, 0, 0, 0) - At(2024, 2, 28, 0, 0, 0), 2 * kMicrosPerDay);
    EXPECT_EQ(At(2100, 3, 1, 0, 0, 0) - At(2100, 2, 28, 0, 0, 0), kMicrosPerDay);
    for (std::int64_t t : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{951782400123456},
                           std::int64_t{4102444799999999}, std::int64_t{-2208988800000000}}) {
        EXPECT_EQ(UnixMicrosFromFields(FieldsFromUnixMicros(t)), t) << t;
    }
    const UtcClockFields f = FieldsFromUnixMicros(At(2026, 12, 8, 13, 45, 7, 250));
    EXPECT_EQ(f, (UtcClockFields{2026, 12, 8, 13, 45, 7, 250000}));
}

TEST(GpsClockTest, SetsTheGpsTimeOfDayKeepingTheSystemDate) {
    // System 12:00:05.000, GPS 12:00:00.500, no time spent in between.
    const auto r = ComputeGpsClockTime(At(2026, 6, 15, 12, 0, 5), GpsTime(12, 0, 0, 500), 1000, 1000);
    ASSERT_EQ(r.status, GpsClockStatus::Ok);
    EXPECT_EQ(r.newTimeMicros, At(2026, 6, 15, 12, 0, 0, 500));
    EXPECT_DOUBLE_EQ(r.differenceSeconds, -4.5);
    EXPECT_EQ(ClockAdjustedText(r.differenceSeconds), "System time has been adjusted by -4.50 seconds");
}

TEST(GpsClockTest, CrossesMidnightBothWays) {
    // System 23:59:59 on day D, GPS already past midnight: D + 1, two seconds ahead.
    auto r = ComputeGpsClockTime(At(2026, 12, 31, 23, 59, 59), GpsTime(0, 0, 1), 0, 0);
    ASSERT_EQ(r.status, GpsClockStatus::Ok);
    EXPECT_EQ(r.newTimeMicros, At(2027, 1, 1, 0, 0, 1));
    EXPECT_EQ(ClockAdjustedText(r.differenceSeconds), "System time has been adjusted by 2.00 seconds");

    // System 00:00:01 on day D, GPS still before midnight: D - 1.
    r = ComputeGpsClockTime(At(2024, 3, 1, 0, 0, 1), GpsTime(23, 59, 59), 0, 0);
    ASSERT_EQ(r.status, GpsClockStatus::Ok);
    EXPECT_EQ(r.newTimeMicros, At(2024, 2, 29, 23, 59, 59));
    EXPECT_DOUBLE_EQ(r.differenceSeconds, -2.0);

    // Hours that do not meet at midnight keep the date, however far apart.
    r = ComputeGpsClockTime(At(2026, 6, 15, 22, 0, 0), GpsTime(1, 0, 0), 0, 0);
    EXPECT_EQ(r.newTimeMicros, At(2026, 6, 15, 1, 0, 0));
}

TEST(GpsClockTest, CarriesTheTimeSpentSinceTheSentenceAndTheMilliseconds) {
    const auto r = ComputeGpsClockTime(At(2026, 6, 15, 8, 30, 0, 100), GpsTime(8, 30, 1, 999),
                                       5'000'000, 5'250'000);
    ASSERT_EQ(r.status, GpsClockStatus::Ok);
    EXPECT_EQ(r.newTimeMicros, At(2026, 6, 15, 8, 30, 2, 249));
    EXPECT_NEAR(r.differenceSeconds, 1.899, 1e-9);
}

TEST(GpsClockTest, RefusesWithoutFixWithoutTimeAndWhenTheTickWentBack) {
    GgaFix noFix = GpsTime(12, 0, 0);
    noFix.fixQuality = 0;
    EXPECT_EQ(ComputeGpsClockTime(At(2026, 1, 1, 12, 0, 0), noFix, 0, 0).status,
              GpsClockStatus::InvalidFix);
    GgaFix noTime = GpsTime(12, 0, 0);
    noTime.hasTime = false;
    EXPECT_EQ(ComputeGpsClockTime(At(2026, 1, 1, 12, 0, 0), noTime, 0, 0).status,
              GpsClockStatus::InvalidFix);
    EXPECT_EQ(ComputeGpsClockTime(At(2026, 1, 1, 12, 0, 0), GpsTime(12, 0, 0), 10, 9).status,
              GpsClockStatus::TimerRolledOver);
}

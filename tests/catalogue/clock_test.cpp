#include <gtest/gtest.h>

#include "common/clock.h"

using namespace orvanta;

TEST(Clock, NowIsUtcPlusOffsetAndFollowsTheSource) {
    double utc = 2461167.5;
    Clock clock([&] { return utc; }, [] { return 0.0; });
    EXPECT_DOUBLE_EQ(clock.Now(), 2461167.5);
    clock.AddMinutes(-1);
    EXPECT_NEAR((clock.Now() - utc) * 1440.0, -1.0, 1e-6);
    utc += 1.0 / 86400.0;
    EXPECT_NEAR((clock.Advance() - 2461167.5) * 86400.0, -59.0, 1e-4);
    clock.SetOffsetDays(0);
    EXPECT_DOUBLE_EQ(clock.Now(), utc);
}

TEST(Clock, SystemTimeChangeIsAJumpBetweenWallAndMonotonicClocks) {
    double utc = 2461167.5, mono = 100.0;
    Clock clock([&] { return utc; }, [&] { return mono; });
    // Ordinary ticks, even a late one, are not a change.
    utc += 1.0 / 86400.0, mono += 1.0;
    EXPECT_FALSE(clock.SystemTimeChanged());
    utc += 3.0 / 86400.0, mono += 3.0;
    EXPECT_FALSE(clock.SystemTimeChanged());
    // The user sets the clock an hour back: reported once.
    utc -= 3600.0 / 86400.0, mono += 1.0;
    EXPECT_TRUE(clock.SystemTimeChanged());
    utc += 1.0 / 86400.0, mono += 1.0;
    EXPECT_FALSE(clock.SystemTimeChanged());
    // A user time offset is not a system time change.
    clock.AddMinutes(30);
    utc += 1.0 / 86400.0, mono += 1.0;
    EXPECT_FALSE(clock.SystemTimeChanged());
}

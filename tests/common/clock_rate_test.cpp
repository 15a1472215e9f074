#include <gtest/gtest.h>

#include <limits>

#include "common/clock.h"

using namespace orvanta;

namespace {

constexpr double kStart = 2461167.5;
constexpr double kSecond = 1.0 / 86400.0;

// A wall clock and a monotonic clock the test moves by hand.
struct FakeTime {
    double utc = kStart;
    double mono = 1000.0;
    void Tick(double seconds) {
        utc += seconds * kSecond;
        mono += seconds;
    }
    Clock MakeClock() {
        return Clock([this] { return utc; }, [this] { return mono; });
    }
};

double SecondsFromStart(const Clock& clock) { return (clock.Now() - kStart) * 86400.0; }

}  // namespace

TEST(ClockRate, RealRateStillFollowsTheSystemClockWithTheOffset) {
    FakeTime t;
    Clock clock = t.MakeClock();
    EXPECT_DOUBLE_EQ(clock.Rate(), 1.0);
    EXPECT_TRUE(clock.IsRealTime());
    clock.AddMinutes(2);
    t.Tick(10);
    clock.Advance();
    EXPECT_DOUBLE_EQ(clock.Now(), t.utc + 2.0 / 1440.0);
    // At real rate a set system clock moves the program with it, as before.
    t.utc += 3600.0 * kSecond;
    EXPECT_DOUBLE_EQ(clock.Advance(), t.utc + 2.0 / 1440.0);
    EXPECT_DOUBLE_EQ(clock.OffsetDays(), 2.0 / 1440.0);
}

TEST(ClockRate, FastPausedAndBackwardsRunOnTheMonotonicClock) {
    FakeTime t;
    Clock clock = t.MakeClock();
    ASSERT_TRUE(clock.SetRate(60));
    t.Tick(1);
    EXPECT_NEAR(SecondsFromStart(clock), 0.0, 1e-3);  // Now() waits for Advance()
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 60.0, 1e-3);
    t.Tick(9);
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 600.0, 1e-3);
    EXPECT_NEAR(clock.OffsetDays() * 86400.0, 590.0, 1e-3);
    EXPECT_FALSE(clock.IsRealTime());

    clock.Pause();
    t.Tick(30);
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 600.0, 1e-3);
    EXPECT_DOUBLE_EQ(clock.Rate(), 60.0);
    clock.Resume();  // on from the frozen instant, not from where it would have been
    t.Tick(1);
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 660.0, 1e-3);

    ASSERT_TRUE(clock.SetRate(-3600));
    t.Tick(2);
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 660.0 - 7200.0, 1e-3);

    ASSERT_TRUE(clock.SetRate(0));
    t.Tick(5);
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 660.0 - 7200.0, 1e-3);
}

TEST(ClockRate, RefusesRatesOutsideTheRange) {
    FakeTime t;
    Clock clock = t.MakeClock();
    ASSERT_TRUE(clock.SetRate(-3600));
    EXPECT_FALSE(clock.SetRate(3600.5));
    EXPECT_FALSE(clock.SetRate(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(clock.SetRate(-std::numeric_limits<double>::infinity()));
    EXPECT_DOUBLE_EQ(clock.Rate(), -3600.0);
}

TEST(ClockRate, SystemClockStepDoesNotMoveSimulatedTime) {
    FakeTime t;
    Clock clock = t.MakeClock();
    clock.Pause();
    t.utc -= 3600.0 * kSecond;  // someone sets the machine an hour back
    t.mono += 1.0;
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 0.0, 1e-3);
    EXPECT_TRUE(clock.SystemTimeChanged());

    clock.Resume();
    ASSERT_TRUE(clock.SetRate(60));
    t.utc += 7200.0 * kSecond;
    t.mono += 1.0;
    clock.Advance();
    EXPECT_NEAR(SecondsFromStart(clock), 60.0, 1e-3);
    // The offset absorbs the step, so program minus offset is still the system time.
    EXPECT_NEAR((clock.Now() - clock.OffsetDays() - t.utc) * 86400.0, 0.0, 1e-3);
}

TEST(ClockRate, ProgramTimeJumpsKeepTheRateAndMinuteSteps) {
    FakeTime t;
    Clock clock = t.MakeClock();
    const double target = kStart + 0.25;
    clock.SetProgramTime(target);
    EXPECT_DOUBLE_EQ(clock.Rate(), 1.0);
    EXPECT_NEAR(clock.OffsetDays(), 0.25, 1e-9);
    t.Tick(5);
    EXPECT_NEAR((clock.Advance() - target) * 86400.0, 5.0, 1e-3);

    ASSERT_TRUE(clock.SetRate(600));
    clock.SetProgramTime(target);
    t.Tick(2);
    EXPECT_NEAR((clock.Advance() - target) * 86400.0, 1200.0, 1e-3);
    EXPECT_DOUBLE_EQ(clock.Rate(), 600.0);
    // The views' Up key moves a minute at any rate, paused too.
    clock.AddMinutes(1);
    EXPECT_NEAR((clock.Now() - target) * 86400.0, 1260.0, 1e-3);
    clock.Pause();
    clock.AddMinutes(-2);
    t.Tick(3);
    EXPECT_NEAR((clock.Advance() - target) * 86400.0, 1140.0, 1e-3);
}

TEST(ClockRate, RealTimeMeansNoOffsetRateOneAndRunning) {
    FakeTime t;
    Clock clock = t.MakeClock();
    clock.AddMinutes(1);
    EXPECT_FALSE(clock.IsRealTime());
    clock.AddMinutes(-1);
    EXPECT_TRUE(clock.IsRealTime());
    clock.SetProgramTime(t.utc + 0.4 * kSecond);
    EXPECT_TRUE(clock.IsRealTime());
    clock.SetProgramTime(t.utc + 0.6 * kSecond);
    EXPECT_FALSE(clock.IsRealTime());

    clock.SetRate(-1);
    clock.Pause();
    t.Tick(100);
    clock.ResetToNow();
    EXPECT_TRUE(clock.IsRealTime());
    EXPECT_FALSE(clock.Paused());
    EXPECT_DOUBLE_EQ(clock.Rate(), 1.0);
    EXPECT_DOUBLE_EQ(clock.Now(), t.utc);
    // Back at rate 1 after a simulated stretch, the program keeps the instant reached.
    clock.SetRate(10);
    t.Tick(6);
    clock.Advance();
    clock.SetRate(1);
    t.Tick(1);
    EXPECT_NEAR((clock.Advance() - t.utc) * 86400.0, 54.0, 1e-3);
    EXPECT_FALSE(clock.IsRealTime());
}

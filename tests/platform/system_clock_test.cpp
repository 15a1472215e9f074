// The machine's clock is only read here: setting it is never tried by a test.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/system_clock.h"

using namespace orvanta;

TEST(MachineClockTest, ReadsTheWallClockAndAClockThatOnlyMovesForward) {
    auto clock = platform::MachineClock();
    using namespace std::chrono;
    const std::int64_t before =
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const std::int64_t utc = clock->UtcMicros();
    const std::int64_t after =
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    EXPECT_GE(utc, before - 1000);
    EXPECT_LE(utc, after + 1000);

    const std::int64_t t0 = clock->TickMicros();
    std::this_thread::sleep_for(milliseconds(20));
    const std::int64_t t1 = clock->TickMicros();
    EXPECT_GE(t1 - t0, 19000);
}

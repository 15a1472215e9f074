// The GPS clock synchronisation end to end: a thread plays the receiver on a pseudo-
// terminal, the clock is a stand-in. Checks the time that would be set and every report.
#include <gtest/gtest.h>


#include "common/event_log.h"
#include "common/prompt.h"
#include "fake_system_clock.h"
#include "location/clock_sync.h"
#include "location/ui/clock_sync_runner.h"
#include "platform/pty.h"
#include "tests/support/fake_gps_receiver.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {


class GpsClockSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty.Ok()) GTEST_SKIP() << kNoPty;
    }

    platform::PseudoTerminal pty;
    // 2026-06-15 12:00:05 UTC, standing still, so no time passes between t0 and t1.
    FakeSystemClock clock{UnixMicrosFromFields({2026, 6, 15, 12, 0, 5, 0})};
    ScriptedPrompt prompt;
    EventRecorder log;
    ClockSyncOptions options{ClockSyncMode::Interactive, 3000, 3000, nullptr};
};

}  // namespace

TEST_F(GpsClockSyncTest, SetsTheSentencesTimeAndLogsTheAdjustment) {
    const std::string sentence =
        Nmea("GPGGA,120000.500,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,");
    FakeGpsReceiver gps(pty, sentence);
    EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, options), ClockSyncResult::Adjusted);
    ASSERT_EQ(clock.sets.size(), 1u);
    EXPECT_EQ(clock.sets[0], UnixMicrosFromFields({2026, 6, 15, 12, 0, 0, 500000}));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(log.Contains("System time has been adjusted by -4.50 seconds", LOG_SUCCESS));
    EXPECT_FALSE(pty.SlaveOpen()) << "each synchronisation closes the port";
}

TEST_F(GpsClockSyncTest, NoFixRefusedClockAndMissingPortAreReported) {
    {
        FakeGpsReceiver gps(pty, Nmea("GPGGA,120000.000,,,,,0,00,,,M,,M,,"));
        EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, options), ClockSyncResult::Failed);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.asked[0].caption, "Error");
        EXPECT_EQ(prompt.asked[0].text, kGpsClockInvalidFix);
        EXPECT_TRUE(clock.sets.empty());
    }
    prompt.asked.clear();
    {
        const std::string sentence =
            Nmea("GPGGA,120001.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,");
        FakeGpsReceiver gps(pty, sentence);
        clock.refusal = "Operation not permitted";
        EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, options), ClockSyncResult::Failed);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.asked[0].caption, "GetLastError");
        const auto entries = log.Entries();
        ASSERT_GE(entries.size(), 2u);
        EXPECT_EQ(entries[entries.size() - 2].text + "\r\n", sentence);
        EXPECT_EQ(entries[entries.size() - 2].level, LOG_ERROR);
        EXPECT_EQ(entries.back().text, kClockNotSet);
    }
    prompt.asked.clear();
    const std::string missing = pty.SlavePath() + "-missing";
    EXPECT_EQ(SyncClockFromGps(missing, prompt, clock, options), ClockSyncResult::Failed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Unable to open " + missing + "!");
}

TEST_F(GpsClockSyncTest, AStepOfMoreThanAnHourIsAskedOrLeftAlone) {
    const std::string sentence =
        Nmea("GPGGA,140005.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,");
    {
        FakeGpsReceiver gps(pty, sentence);
        prompt.answers = {PromptAnswer::No};
        EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, options),
                  ClockSyncResult::NotApplied);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_NE(prompt.asked[0].text.find("New time: 2026-06-15 14:00:05 UTC"), std::string::npos);
        EXPECT_TRUE(clock.sets.empty());
    }
    {
        FakeGpsReceiver gps(pty, sentence);
        ClockSyncOptions unattended = options;
        unattended.mode = ClockSyncMode::Unattended;
        EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, unattended),
                  ClockSyncResult::NotApplied);
        EXPECT_TRUE(clock.sets.empty());
        EXPECT_TRUE(log.Contains("System time differs by 7200.00 seconds from the GPS", LOG_WARNING));
    }
    {
        FakeGpsReceiver gps(pty, sentence);
        prompt.answers = {PromptAnswer::Yes};
        EXPECT_EQ(SyncClockFromGps(pty.SlavePath(), prompt, clock, options),
                  ClockSyncResult::Adjusted);
        ASSERT_EQ(clock.sets.size(), 1u);
        EXPECT_EQ(clock.sets[0], UnixMicrosFromFields({2026, 6, 15, 14, 0, 5, 0}));
    }
}

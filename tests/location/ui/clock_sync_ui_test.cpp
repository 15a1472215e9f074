// The SNTP client against a time server on 127.0.0.1, and the clock synchronisation with
// the clock injected: what would be set, what is said and logged. The machine's clock is
// never touched.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <chrono>
#include <filesystem>

#include "common/event_log.h"
#include "common/prompt.h"
#include "fake_system_clock.h"
#include "location/clock_sync.h"
#include "location/ui/clock_sync_runner.h"
#include "location/ui/sntp_client.h"
#include "location/ui/time_server_query.h"
#include "tests/support/cli_runner.h"
#include "tests/support/sntp_responder.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

constexpr std::uint64_t kNtpSecond = 1ULL << 32;

std::int64_t SystemMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// A server whose clock is the machine's plus offsetSeconds.
SntpResponder::AnswerFn OffsetServer(double offsetSeconds) {
    return [offsetSeconds](const SntpPacket& request) -> std::optional<SntpPacket> {
        const NtpTimestamp t = NtpFromUnixMicros(SystemMicros() + std::llround(offsetSeconds * 1e6));
        return ServerAnswer(request, t, t);
    };
}

// A server that is offsetSeconds ahead of the time the request carries, taking no time.
SntpResponder::AnswerFn AheadOfRequest(double offsetSeconds) {
    return [offsetSeconds](const SntpPacket& request) -> std::optional<SntpPacket> {
        const auto ahead = static_cast<std::int64_t>(offsetSeconds * kNtpSecond);
        const NtpTimestamp t = PacketTimestamp(request, 40) + static_cast<std::uint64_t>(ahead);
        return ServerAnswer(request, t, t);
    };
}

std::string Local(quint16 port) {
    return "127.0.0.1:" + std::to_string(port);
}

}  // namespace

TEST(SntpClientTest, FindsAKnownOffsetWithinTenMilliseconds) {
    SntpResponder server(OffsetServer(2.5));
    ASSERT_NE(server.Port(), 0);
    const SntpOutcome o = QueryTimeServer("127.0.0.1", server.Port(), 5000);
    ASSERT_TRUE(o.Ok()) << DescribeSntpFailure(o);
    EXPECT_EQ(o.stratum, 1);
    // The server stamps between our two readings of the same clock, so the error is at
    // most half the round trip; on loopback that is well below 10 ms unless the machine
    // stalled us, in which case the bound itself is what holds.
    EXPECT_NEAR(o.offsetSeconds, 2.5, std::max(0.010, o.delaySeconds / 2 + 0.001));
    EXPECT_GE(o.delaySeconds, 0.0);
}

TEST(SntpClientTest, OffsetAndDelayAreExactWithAnInjectedClock) {
    // Our clock advances 1 ms per reading; the server answers 0.5 ms after T1 by its clock,
    // which is 42.25 s ahead.
    SntpResponder server([](const SntpPacket& request) -> std::optional<SntpPacket> {
        const NtpTimestamp t = PacketTimestamp(request, 40) + 42 * kNtpSecond + kNtpSecond / 4 +
                               kNtpSecond / 2000;
        return ServerAnswer(request, t, t, 2);
    });
    std::int64_t now = 1765200000000000;
    const SntpOutcome o =
        QueryTimeServer("127.0.0.1", server.Port(), 5000, [&now] { return now += 1000; });
    ASSERT_TRUE(o.Ok()) << DescribeSntpFailure(o);
    EXPECT_NEAR(o.offsetSeconds, 42.25, 1e-6);
    EXPECT_NEAR(o.delaySeconds, 0.001, 1e-6);
    EXPECT_EQ(o.stratum, 2);
}

TEST(SntpClientTest, KissOfDeathUnsynchronisedAndSilentServersAreRefused) {
    {
        SntpResponder server([](const SntpPacket& r) -> std::optional<SntpPacket> {
            return ServerAnswer(r, 0, 0, 0, 0, "RATE");
        });
        const SntpOutcome o = QueryTimeServer("127.0.0.1", server.Port(), 5000);
        EXPECT_EQ(o.status, SntpStatus::KissOfDeath);
        EXPECT_EQ(o.kissCode, "RATE");
    }
    {
        SntpResponder server([](const SntpPacket& r) -> std::optional<SntpPacket> {
            const NtpTimestamp t = NtpFromUnixMicros(SystemMicros());
            return ServerAnswer(r, t, t, 3, 3);
        });
        EXPECT_EQ(QueryTimeServer("127.0.0.1", server.Port(), 5000).status,
                  SntpStatus::Unsynchronised);
    }
    {
        // Silence, and an answer to some other request: both end in the time-out.
        SntpResponder silent([](const SntpPacket&) { return std::optional<SntpPacket>(); });
        QElapsedTimer t;
        t.start();
        const SntpOutcome o = QueryTimeServer("127.0.0.1", silent.Port(), 300);
        EXPECT_EQ(o.status, SntpStatus::NoAnswer);
        EXPECT_GE(t.elapsed(), 250);
        EXPECT_EQ(silent.Requests(), 1);
        SntpResponder stray([](const SntpPacket& r) -> std::optional<SntpPacket> {
            SntpPacket other = r;
            other[47] ^= 1;
            const NtpTimestamp now = NtpFromUnixMicros(SystemMicros());
            return ServerAnswer(other, now, now);
        });
        EXPECT_EQ(QueryTimeServer("127.0.0.1", stray.Port(), 300).status, SntpStatus::NoAnswer);
    }
}

class ClockSyncTest : public ::testing::Test {
protected:
    // 2026-12-08 13:00:00 UTC.
    FakeSystemClock clock{UnixMicrosFromFields({2026, 12, 8, 13, 0, 0, 0})};
    ScriptedPrompt prompt;
    EventRecorder log;
    ClockSyncOptions interactive{ClockSyncMode::Interactive, 2000, 3000, nullptr};
    ClockSyncOptions unattended{ClockSyncMode::Unattended, 2000, 3000, nullptr};
};

TEST_F(ClockSyncTest, TimeServerOffsetIsAppliedThroughTheInjectedClock) {
    SntpResponder server(AheadOfRequest(2.5));
    const std::int64_t before = clock.utc;
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, interactive),
              ClockSyncResult::Adjusted);
    ASSERT_EQ(clock.sets.size(), 1u);
    EXPECT_EQ(clock.sets[0], before + 2'500'000);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(log.Contains("System time has been adjusted by 2.50 seconds", LOG_SUCCESS));
}

TEST_F(ClockSyncTest, UnattendedRunsLeaveLargeOffsetsToTheUser) {
    SntpResponder server(AheadOfRequest(-1500.0));
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, unattended),
              ClockSyncResult::NotApplied);
    EXPECT_TRUE(clock.sets.empty());
    EXPECT_TRUE(log.Contains("System time differs by -1500.00 seconds", LOG_WARNING));
    // The button applies it.
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, interactive),
              ClockSyncResult::Adjusted);
    EXPECT_EQ(clock.sets.size(), 1u);
    EXPECT_TRUE(log.Contains("System time has been adjusted by -1500.00 seconds", LOG_SUCCESS));
}

TEST_F(ClockSyncTest, RefusedClockShowsTheSystemsTextAndLogsTheFailure) {
    SntpResponder server(AheadOfRequest(1.0));
    clock.refusal = "Operation not permitted";
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, interactive),
              ClockSyncResult::Failed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "GetLastError");
    EXPECT_EQ(prompt.asked[0].text, "Operation not permitted");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Information);
    EXPECT_TRUE(log.Contains(kClockNotSet, LOG_ERROR));
    EXPECT_FALSE(log.Contains("System time has been adjusted"));
}

TEST_F(ClockSyncTest, FailuresAreToldWhenAskedAndLoggedWhenUnattended) {
    SntpResponder kiss([](const SntpPacket& r) -> std::optional<SntpPacket> {
        return ServerAnswer(r, 0, 0, 0, 0, "DENY");
    });
    const std::string server = Local(kiss.Port());
    EXPECT_EQ(SyncClockFromServer(server, prompt, clock, interactive), ClockSyncResult::Failed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "An error occured while trying to synchronize time with the time server " + server +
                  ": the server refused the request (kiss code DENY)");
    prompt.asked.clear();
    EXPECT_EQ(SyncClockFromServer(server, prompt, clock, unattended), ClockSyncResult::Failed);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(log.Contains("(kiss code DENY)", LOG_ERROR));
    EXPECT_TRUE(clock.sets.empty());

    Settings settings;
    settings.timeSync = TIME_SYNC_INTERNET;  // no server chosen yet
    EXPECT_EQ(SynchronizeClock(settings, prompt, clock, interactive), ClockSyncResult::Failed);
    EXPECT_EQ(prompt.asked.back().text, kNoTimeServer);
    settings.timeSync = TIME_SYNC_NONE;
    EXPECT_EQ(SynchronizeClock(settings, prompt, clock, interactive), ClockSyncResult::NotApplied);
    EXPECT_EQ(prompt.asked.back().text, kNoTimeSyncMode);
    EXPECT_EQ(prompt.asked.back().caption, "Error");
    const std::size_t asked = prompt.asked.size();
    EXPECT_EQ(SynchronizeClock(settings, prompt, clock, unattended), ClockSyncResult::NotApplied);
    EXPECT_EQ(prompt.asked.size(), asked) << "nobody is asked when nobody watches";
}

TEST_F(ClockSyncTest, SchedulerRunsAMinuteAfterStartFromTheChosenSource) {
    SntpResponder server(AheadOfRequest(0.75));
    Settings settings;
    settings.timeSync = TIME_SYNC_INTERNET;
    settings.timeServer = Local(server.Port());
    auto shared = std::make_shared<FakeSystemClock>(clock.utc);
    ClockSyncScheduler scheduler(settings, prompt, shared);
    scheduler.Start();
    EXPECT_TRUE(scheduler.Timer().isActive());
    EXPECT_EQ(scheduler.Timer().interval(), 60 * 1000);
    EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::Adjusted);
    EXPECT_EQ(shared->sets.size(), 1u);
    settings.timeSync = TIME_SYNC_NONE;  // changed in the dialog meanwhile
    EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::NotApplied);
    EXPECT_EQ(shared->sets.size(), 1u);
    EXPECT_TRUE(prompt.asked.empty());
    scheduler.Stop();
    EXPECT_FALSE(scheduler.Timer().isActive());
}

TEST(TimeOffsetCliTest, PrintsTheOffsetAndFailsOnRefusalOrSilence) {
    const std::string cli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
    const auto work = std::filesystem::temp_directory_path() /
                      ("orvanta-time-offset-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(work);

    SntpResponder server(OffsetServer(-3.0));
    CliRun run = RunCli(cli, "time-offset --server " + Local(server.Port()), work);
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.out.size(), 2u);
    EXPECT_EQ(run.out[0], "server,offset_s,delay_s,stratum");
    const auto f = SplitCsv(run.out[1]);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], Local(server.Port()));
    EXPECT_NEAR(std::stod(f[1]), -3.0, std::max(0.010, std::stod(f[2]) / 2 + 0.002));
    EXPECT_EQ(f[3], "1");

    SntpResponder kiss([](const SntpPacket& r) -> std::optional<SntpPacket> {
        return ServerAnswer(r, 0, 0, 0, 0, "RSTR");
    });
    run = RunCli(cli, "time-offset --server " + Local(kiss.Port()), work);
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.out.empty());
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_NE(run.err[0].find("kiss code RSTR"), std::string::npos);

    SntpResponder silent([](const SntpPacket&) { return std::optional<SntpPacket>(); });
    run = RunCli(cli, "time-offset --server " + Local(silent.Port()) + " --timeout 0.3", work);
    EXPECT_EQ(run.status, 3);
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_NE(run.err[0].find("no answer"), std::string::npos);

    EXPECT_EQ(RunCli(cli, "time-offset --server", work).status, 2);
    EXPECT_EQ(RunCli(cli, "time-offset --server host:99999", work).status, 2);
    run = RunCli(cli, "--version", work);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::vector<std::string>{"1.1.14"});
    std::filesystem::remove_all(work);
}

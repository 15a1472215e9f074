// What keeps a bad or far answer from moving the clock: replies refused by the client and
// the command line, the question before a large step, and the unattended runs that neither
// ask for permission nor repeat a lasting complaint every 3 hours.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>

#include "common/event_log.h"
#include "common/prompt.h"
#include "fake_system_clock.h"
#include "location/clock_sync.h"
#include "location/ui/clock_sync_runner.h"
#include "location/ui/time_server_query.h"
#include "tests/support/cli_runner.h"
#include "tests/support/sntp_responder.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

constexpr std::uint64_t kNtpSecond = 1ULL << 32;

// A server whole seconds ahead of (or behind) the time the request carries.
SntpResponder::AnswerFn SecondsAhead(std::int64_t seconds) {
    return [seconds](const SntpPacket& request) -> std::optional<SntpPacket> {
        const NtpTimestamp t =
            PacketTimestamp(request, 40) + static_cast<std::uint64_t>(seconds) * kNtpSecond;
        return ServerAnswer(request, t, t);
    };
}

// The answer that once measured +144,603,932 s: a transmit time but no receive time.
SntpResponder::AnswerFn NoReceiveTime() {
    return [](const SntpPacket& request) -> std::optional<SntpPacket> {
        return ServerAnswer(request, 0, PacketTimestamp(request, 40) + kNtpSecond);
    };
}

constexpr std::int64_t kNinetyFiveYears = 95LL * 31556952;

std::string Local(quint16 port) {
    return "127.0.0.1:" + std::to_string(port);
}

std::size_t CountLines(const EventRecorder& log, const std::string& part) {
    const auto entries = log.Entries();
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(),
                      [&](const auto& e) { return e.text.find(part) != std::string::npos; }));
}

class ClockGuardTest : public ::testing::Test {
protected:
    // 2026-12-08 13:00:00 UTC.
    FakeSystemClock clock{UnixMicrosFromFields({2026, 12, 8, 13, 0, 0, 0})};
    ScriptedPrompt prompt;
    EventRecorder log;
    ClockSyncOptions interactive{ClockSyncMode::Interactive, 2000, 3000, nullptr};
    ClockSyncOptions unattended{ClockSyncMode::Unattended, 2000, 3000, nullptr};
};

}  // namespace

TEST(SntpClientGuardTest, ZeroAndFarTimesAreRefused) {
    SntpResponder zero(NoReceiveTime());
    EXPECT_EQ(QueryTimeServer("127.0.0.1", zero.Port(), 3000).status, SntpStatus::ZeroReceive);
    SntpResponder far(SecondsAhead(kNinetyFiveYears));
    EXPECT_EQ(QueryTimeServer("127.0.0.1", far.Port(), 3000).status, SntpStatus::TooFar);
}

TEST(SntpClientGuardTest, CommandLineFailsOnARefusedReply) {
    const std::string cli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
    const auto work = std::filesystem::temp_directory_path() /
                      ("orvanta-time-guard-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(work);
    SntpResponder zero(NoReceiveTime());
    CliRun run = RunCli(cli, "time-offset --server " + Local(zero.Port()), work);
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.out.empty());
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_NE(run.err[0].find("the answer carried no time"), std::string::npos);
    SntpResponder far(SecondsAhead(kNinetyFiveYears));
    run = RunCli(cli, "time-offset --server " + Local(far.Port()), work);
    EXPECT_EQ(run.status, 3);
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_NE(run.err[0].find("more than 34 years"), std::string::npos);
    std::filesystem::remove_all(work);
}

TEST_F(ClockGuardTest, RefusedRepliesNeverReachTheClock) {
    SntpResponder zero(NoReceiveTime());
    EXPECT_EQ(SyncClockFromServer(Local(zero.Port()), prompt, clock, interactive),
              ClockSyncResult::Failed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_NE(prompt.asked[0].text.find("the answer carried no time"), std::string::npos);
    EXPECT_TRUE(clock.sets.empty());
}

TEST_F(ClockGuardTest, ButtonAsksBeforeAStepOfMoreThanAnHour) {
    SntpResponder server(SecondsAhead(2 * 3600));
    prompt.answers = {PromptAnswer::No};
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, interactive),
              ClockSyncResult::NotApplied);
    EXPECT_TRUE(clock.sets.empty());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].text,
              "The time from " + Local(server.Port()) +
                  " differs from the system time by 7200.00 seconds.\n\n"
                  "System time: 2026-12-08 13:00:00 UTC\nNew time: 2026-12-08 15:00:00 UTC\n\n"
                  "Do you want to set the system time?");

    prompt.answers = {PromptAnswer::Yes};
    EXPECT_EQ(SyncClockFromServer(Local(server.Port()), prompt, clock, interactive),
              ClockSyncResult::Adjusted);
    ASSERT_EQ(clock.sets.size(), 1u);
    EXPECT_EQ(clock.sets[0], UnixMicrosFromFields({2026, 12, 8, 15, 0, 0, 0}));
    EXPECT_EQ(clock.modes[0], platform::ClockSetMode::MayAsk);

    // Up to the hour, nothing is asked.
    SntpResponder hour(SecondsAhead(-3600));
    prompt.asked.clear();
    EXPECT_EQ(SyncClockFromServer(Local(hour.Port()), prompt, clock, interactive),
              ClockSyncResult::Adjusted);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(ClockGuardTest, UnattendedRunsAskNobodyAndSayALastingProblemOnce) {
    SntpResponder server(SecondsAhead(5));
    clock.refusal = "Operation not permitted";
    clock.grantHint = "Grant it so.";
    Settings settings;
    settings.timeSync = TIME_SYNC_INTERNET;
    settings.timeServer = Local(server.Port());
    auto shared = std::make_shared<FakeSystemClock>(clock);
    {
        ClockSyncScheduler scheduler(settings, prompt, shared);
        scheduler.Options().serverTimeoutMs = 3000;
        EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::Failed);
        EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::Failed);
        ASSERT_EQ(shared->modes.size(), 2u);
        EXPECT_EQ(shared->modes[0], platform::ClockSetMode::NoQuestions);
        EXPECT_EQ(shared->modes[1], platform::ClockSetMode::NoQuestions);
        EXPECT_EQ(CountLines(log, "Grant it so."), 1u);
        EXPECT_TRUE(log.Contains(std::string(kClockNotSet) + " Grant it so.", LOG_ERROR));

        // "Use the Internet" with no server chosen: once, not every 3 hours.
        settings.timeServer.clear();
        EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::Failed);
        EXPECT_EQ(scheduler.RunOnce(), ClockSyncResult::Failed);
        EXPECT_EQ(CountLines(log, kNoTimeServer), 1u);
        EXPECT_TRUE(prompt.asked.empty());
    }
    // The next start says both again.
    ClockSyncScheduler again(settings, prompt, shared);
    EXPECT_EQ(again.RunOnce(), ClockSyncResult::Failed);
    EXPECT_EQ(CountLines(log, kNoTimeServer), 2u);

    // A refusal for some other reason is still logged every time.
    settings.timeServer = Local(server.Port());
    shared->grantHint.clear();
    EXPECT_EQ(again.RunOnce(), ClockSyncResult::Failed);
    EXPECT_EQ(again.RunOnce(), ClockSyncResult::Failed);
    EXPECT_EQ(CountLines(log, kClockNotSet), 3u);  // the hint's line and these two
}

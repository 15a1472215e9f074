// Host statistics, tile figures, the host list records and the monitor threads.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "common/event_log.h"
#include "common/registry.h"
#include "hostmon/host_monitor.h"
#include "hostmon/host_statistics.h"
#include "tests/common/memory_settings_fixture.h"

namespace orvanta {
namespace {

HostRecord Host(const std::string& tag = "gw", const std::string& address = "127.0.0.1") {
    HostRecord h;
    h.tag = tag;
    h.address = address;
    return h;
}

TEST(HostStatistics, NewHostShowsNothingYetInTheFailureColour) {
    const HostRecord h = Host();
    const PingParameters p;
    EXPECT_EQ(TileColour(h, p), p.failureColour);
    const TileTexts t = MakeTileTexts(h);
    EXPECT_EQ(t.rate, "0.00%");
    EXPECT_EQ(t.average, "N/A");
    EXPECT_EQ(t.last, "0");
    EXPECT_FALSE(t.lastBoxed);
}

TEST(HostStatistics, ResultsCountAndShiftTheHistory) {
    HostRecord h = Host();
    BeginCycle(h);
    RecordPing(h, PING_SUCCESS, 12, "127.0.0.1", "localhost");
    BeginCycle(h);
    RecordPing(h, PING_SUCCESS, 7, "127.0.0.1", "");
    BeginCycle(h);
    RecordPing(h, PING_TIMED_OUT, 0, "", "");
    EXPECT_EQ(h.cycles, 3);
    EXPECT_EQ(h.successes, 2);
    EXPECT_EQ(h.failures, 1);
    EXPECT_EQ(h.sum, 19);
    EXPECT_EQ(h.lastResult, -1);
    EXPECT_EQ(h.reverseName, kNoReverseName);
    EXPECT_EQ(h.history[0], 0);
    EXPECT_EQ(h.history[1], 7);
    EXPECT_EQ(h.history[2], 12);
    TileTexts t = MakeTileTexts(h);
    EXPECT_EQ(t.rate, "66.67%");
    EXPECT_EQ(t.average, "9");  // integer division
    EXPECT_EQ(t.last, "timeout");
    EXPECT_TRUE(t.lastBoxed);
    RecordPing(h, PING_UNRESOLVED, 0, "", "");
    EXPECT_EQ(MakeTileTexts(h).last, "DNS fail");
    // The 101st result pushes the oldest out.
    for (int i = 0; i < 100; ++i) RecordPing(h, PING_SUCCESS, 1000 + i, "", "x");
    EXPECT_EQ(h.history[0], 1099);
    EXPECT_EQ(h.history[99], 1000);
}

TEST(HostStatistics, WindowRestartsAfter5760CyclesKeepingTheHistory) {
    HostRecord h = Host();
    h.cycles = kCyclesPerWindow - 1;
    h.successes = 5000;
    h.failures = 3;
    h.sum = 123456;
    h.spare = 9;
    h.history[0] = 42;
    BeginCycle(h);
    EXPECT_EQ(h.cycles, kCyclesPerWindow);
    EXPECT_EQ(h.successes, 5000);
    BeginCycle(h);
    EXPECT_EQ(h.cycles, 1);
    EXPECT_EQ(h.successes, 0);
    EXPECT_EQ(h.failures, 0);
    EXPECT_EQ(h.sum, 0);
    EXPECT_EQ(h.spare, 0);
    EXPECT_EQ(h.lastResult, 0);
    EXPECT_EQ(h.history[0], 42);
    ResetStatistics(h);
    EXPECT_EQ(h.cycles, 1);
    EXPECT_EQ(h.history[0], 0);
}

TEST(HostStatistics, ColourLimitsAreInclusive) {
    PingParameters p;
    HostRecord h = Host();
    h.successes = 99;
    h.failures = 1;  // exactly 99 %
    EXPECT_EQ(TileColour(h, p), p.okColour);
    h.successes = 98;
    h.failures = 2;
    EXPECT_EQ(TileColour(h, p), p.warningColour);
    h.successes = 80;
    h.failures = 20;
    EXPECT_EQ(TileColour(h, p), p.warningColour);
    h.successes = 61;
    h.failures = 39;  // above the failure limit, below the warning limit
    EXPECT_EQ(TileColour(h, p), p.failureColour);
}

TEST(HostStatistics, GraphScalesToTheLargestShownEntry) {
    HostRecord h = Host();
    h.history[0] = 10;
    h.history[1] = 30;
    h.history[2] = 29;
    h.history[60] = 3000;  // beyond a 48-pixel tile: not shown, not scaling
    auto g = GraphHeights(h, 48);
    ASSERT_EQ(g.size(), 49u);
    EXPECT_EQ(g[1], 15);
    EXPECT_EQ(g[0], 5);
    EXPECT_EQ(g[2], 14);  // 14.5 truncated
    g = GraphHeights(h, 500);
    EXPECT_EQ(g.size(), 100u);
    EXPECT_EQ(g[60], 15);
    EXPECT_EQ(g[1], 0);
    EXPECT_EQ(GraphHeights(Host(), 48)[0], 0);  // all zero: no division by zero
}

TEST(HostStatistics, TooltipAndDialogTexts) {
    HostRecord h = Host("gw", "router.local");
    h.reverseName = "r1";
    h.ipText = "10.1.2.3";
    h.cycles = 5760 - 30;  // 30 cycles of 15 s: 7.5 minutes left
    EXPECT_EQ(TooltipText(h),
              "Host tag:\tgw\rHost address:\trouter.local\rReverse DNS:\tr1\rIP Address:\t"
              "10.1.2.3\r24h reset in:\t0h 08m");
    h.cycles = 1;
    EXPECT_NE(TooltipText(h).find("23h 60m"), std::string::npos)
        << "the minutes round as the format always did";
    EXPECT_EQ(HostListLine(h), "gw (router.local)");
    EXPECT_EQ(PingErrorText(PING_TIMED_OUT), "packet timed out!");
    EXPECT_EQ(PingErrorText(PING_NOT_A_REPLY), "Unspecified network error!");
    EXPECT_EQ(TestPingReplyText("127.0.0.1", "localhost", 3),
              "127.0.0.1 [localhost], replied in 3ms");
}

using HostListStore = test::MemorySettingsTest;

TEST_F(HostListStore, ListAndParametersRoundTripAndDefault) {
    CRegistry reg;
    EXPECT_TRUE(LoadHostList(reg).empty());
    EXPECT_EQ(LoadPingParameters(reg), PingParameters{});  // missing: 99 / 80 / 60

    std::vector<HostRecord> hosts{Host("a", "1.2.3.4"), Host("b", "example.org")};
    hosts[1].successes = 17;
    hosts[1].history[3] = 250;
    hosts[0].tile = 77;
    ASSERT_TRUE(SaveHostList(reg, hosts));
    EXPECT_EQ(reg.ReadDword("Hosts", 0), 2);
    EXPECT_EQ(reg.ValueSize("Hostlist"), 2 * HOST_RECORD_SIZE);
    const auto back = LoadHostList(reg);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1], hosts[1]);
    EXPECT_EQ(back[0].tile, 0u);

    PingParameters p;
    p.okLimit = 95.5f;
    p.okColour = 0x00123456;
    ASSERT_TRUE(SavePingParameters(reg, p));
    EXPECT_EQ(LoadPingParameters(reg), p);
    // A stored OK limit of 0 brings all the defaults back.
    p.okLimit = 0;
    SavePingParameters(reg, p);
    EXPECT_EQ(LoadPingParameters(reg), PingParameters{});
}

// The count is only a claim: the list is as long as the records actually stored.
TEST_F(HostListStore, CountIsBoundedByTheStoredRecords) {
    CRegistry reg;
    ASSERT_TRUE(SaveHostList(reg, {Host("a", "1.2.3.4"), Host("b", "5.6.7.8")}));
    ASSERT_TRUE(reg.WriteDword("Hosts", 0x7fffffff));  // once a 1.26 TB allocation
    auto hosts = LoadHostList(reg);
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[1].tag, "b");

    ASSERT_TRUE(reg.WriteDword("Hosts", 1));  // fewer than stored: the first ones
    hosts = LoadHostList(reg);
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(hosts[0].tag, "a");

    ASSERT_TRUE(reg.WriteDword("Hosts", -1));
    EXPECT_TRUE(LoadHostList(reg).empty());

    // A stored list longer than any sensible one is cut at the maximum.
    std::vector<std::uint8_t> big((kMaxHosts + 5) * HOST_RECORD_SIZE, 0);
    ASSERT_TRUE(reg.WriteBinary("Hostlist", big));
    ASSERT_TRUE(reg.WriteDword("Hosts", static_cast<std::int32_t>(kMaxHosts + 5)));
    EXPECT_EQ(LoadHostList(reg).size(), kMaxHosts);
    ASSERT_TRUE(reg.WriteBinary("Hostlist", big.data(), HOST_RECORD_SIZE - 1));
    EXPECT_TRUE(LoadHostList(reg).empty());
}

// Waits on a condition with a generous bound; the machine may be slow.
template <typename F>
bool WaitFor(F done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(HostMonitorThreads, EachHostGetsItsOwnResultsAndStopWaitsForAll) {
    EventRecorder log;
    HostMonitor::Hooks hooks;
    hooks.ping = [](const std::string& address, const std::atomic<bool>*) {
        PingOutcome o;
        if (address == "down") {
            o.code = PING_TIMED_OUT;
        } else if (address == "nowhere") {
            o.code = PING_UNRESOLVED;
        } else {
            o.code = PING_SUCCESS;
            o.address = {127, 0, 0, 1};
            o.rttMs = 5;
        }
        return o;
    };
    hooks.reverseLookup = [](const Ipv4Address&) { return std::string("localhost"); };
    hooks.sleepStep = std::chrono::milliseconds(1);
    hooks.sleepSteps = 1;
    HostMonitor m(hooks);
    m.Hosts() = {Host("up", "127.0.0.1"), Host("dn", "down"), Host("dns", "nowhere"),
                 Host("off", "127.0.0.1")};
    m.Hosts()[3].disabled = 1;
    m.Start();
    EXPECT_TRUE(log.Contains("Starting to monitor host up (127.0.0.1)", LOG_INFORMATION));
    EXPECT_FALSE(log.Contains("Starting to monitor host off"));
    ASSERT_TRUE(WaitFor([&] {
        return m.Snapshot(0).cycles >= 3 && m.Snapshot(1).cycles >= 3 && m.Snapshot(2).cycles >= 3;
    }));
    m.Stop();
    EXPECT_FALSE(m.Running());
    const HostRecord up = m.Snapshot(0), down = m.Snapshot(1), dns = m.Snapshot(2);
    EXPECT_EQ(up.failures, 0);
    EXPECT_EQ(up.successes, up.cycles);
    EXPECT_EQ(up.reverseName, "localhost");
    EXPECT_EQ(up.ipText, "127.0.0.1");
    EXPECT_EQ(down.successes, 0);
    EXPECT_EQ(down.lastResult, -1);
    EXPECT_EQ(dns.lastResult, -2);
    EXPECT_EQ(m.Snapshot(3).cycles, 0);
    EXPECT_NE(m.Tooltip(0).find("Host tag:\tup\r"), std::string::npos);
    // Stopped means stopped: nothing changes any more.
    const long done = m.Completed();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m.Completed(), done);
}

TEST(HostMonitorThreads, StopDuringAPingNeitherHangsNorCountsIt) {
    std::atomic<int> pinging{0};
    HostMonitor::Hooks hooks;
    hooks.ping = [&](const std::string&, const std::atomic<bool>* stop) {
        ++pinging;
        while (!stop->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return PingOutcome{};  // cut short: reads as a time-out
    };
    HostMonitor m(hooks);
    m.Hosts() = {Host("a"), Host("b")};
    m.Start();
    ASSERT_TRUE(WaitFor([&] { return pinging.load() == 2; }));
    m.Stop();
    EXPECT_EQ(m.Snapshot(0).failures, 0);
    EXPECT_EQ(m.Snapshot(1).cycles, 0);
}

// Stands in for getaddrinfo: deaf to the stop flag until the test lets it return.
struct StuckLookup {
    std::mutex m;
    std::condition_variable cv;
    int entered = 0, returned = 0;
    bool release = false;
    PingOutcome Ping() {
        std::unique_lock lock(m);
        ++entered;
        cv.notify_all();
        // Bounded, so that a monitor that waits for it fails the test instead of hanging.
        cv.wait_for(lock, std::chrono::seconds(10), [&] { return release; });
        ++returned;
        cv.notify_all();
        PingOutcome o;
        o.code = PING_SUCCESS;  // would count if the abandoned thread still wrote
        o.rttMs = 1;
        return o;
    }
    template <typename P>
    bool Await(P p) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(30), [&] { return p(*this); });
    }
    void Release() {
        std::lock_guard lock(m);
        release = true;
        cv.notify_all();
    }
};

TEST(HostMonitorThreads, StopAbandonsAPingStuckInANameLookup) {
    auto lookup = std::make_shared<StuckLookup>();
    auto sentinel = std::make_shared<int>(0);
    const std::weak_ptr<int> sharedStateAlive = sentinel;
    HostMonitor::Hooks hooks;
    hooks.ping = [lookup, sentinel](const std::string& address, const std::atomic<bool>*) {
        if (address == "slow.example") return lookup->Ping();
        PingOutcome o;
        o.code = PING_SUCCESS;
        o.rttMs = 1;
        return o;
    };
    hooks.sleepStep = std::chrono::milliseconds(1);
    hooks.sleepSteps = 1;
    hooks.stopWait = std::chrono::milliseconds(300);
    sentinel.reset();
    auto m = std::make_unique<HostMonitor>(std::move(hooks));
    m->Hosts() = {Host("fast", "127.0.0.1"), Host("slow", "slow.example")};
    m->Start();
    ASSERT_TRUE(lookup->Await([](StuckLookup& l) { return l.entered == 1; }));
    ASSERT_TRUE(WaitFor([&] { return m->Snapshot(0).cycles >= 2; }));

    // The window keeps being served while Stop waits, and Stop returns with the lookup
    // still out.
    int served = 0;
    m->Stop([&] { ++served; });
    EXPECT_GT(served, 0);
    EXPECT_EQ(m->Abandoned(), 1);
    EXPECT_FALSE(m->Running());
    {
        std::lock_guard lock(lookup->m);
        EXPECT_EQ(lookup->returned, 0) << "Stop waited for the name lookup";
    }
    // When the lookup returns at last, its result lands nowhere.
    const long done = m->Completed();
    lookup->Release();
    ASSERT_TRUE(lookup->Await([](StuckLookup& l) { return l.returned == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m->Snapshot(1).cycles, 0);
    EXPECT_EQ(m->Completed(), done);

    // Stuck again and the monitor destroyed meanwhile: the thread outlives it, then frees
    // what it shared.
    {
        std::lock_guard lock(lookup->m);
        lookup->release = false;
    }
    m->Start();
    ASSERT_TRUE(lookup->Await([](StuckLookup& l) { return l.entered == 2; }));
    m.reset();
    EXPECT_FALSE(sharedStateAlive.expired());
    lookup->Release();
    EXPECT_TRUE(WaitFor([&] { return sharedStateAlive.expired(); }));
}

TEST(HostMonitorThreads, SocketRefusalIsLoggedOnce) {
    EventRecorder log;
    HostMonitor::Hooks hooks;
    hooks.ping = [](const std::string&, const std::atomic<bool>*) {
        PingOutcome o;
        o.code = PING_SOCKET_FAILED;
        o.socketError = "ping needs test privileges";
        return o;
    };
    hooks.sleepStep = std::chrono::milliseconds(1);
    hooks.sleepSteps = 1;
    HostMonitor m(hooks);
    m.Hosts() = {Host("a"), Host("b")};
    m.Start();
    // Both hosts must have a result: under load one thread may finish all six first.
    ASSERT_TRUE(WaitFor([&] {
        return m.Completed() >= 6 && m.Snapshot(0).lastResult == -1 &&
               m.Snapshot(1).lastResult == -1;
    }));
    m.Stop();
    int count = 0;
    for (const auto& e : log.Entries()) count += e.text == "ping needs test privileges";
    EXPECT_EQ(count, 1);
    EXPECT_EQ(m.Snapshot(0).lastResult, -1);
}

}  // namespace
}  // namespace orvanta

// Ping and trace route over real sockets: 127.0.0.1, and small networks of namespaces
// that each test builds and removes itself. Nothing here sends beyond this machine: the
// namespaces have no link to the machine's own network.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "hostmon/icmp.h"
#include "tests/support/cli_runner.h"
#include "tests/support/unique_temp_dir.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using platform::IcmpSocketKind;
using testing::CliRun;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
// A name with an empty label: the resolver refuses it without asking any server.
const char kUnresolvable[] = "no..such.invalid";

bool Sh(const std::string& cmd) {
    return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

// Network namespaces named after this process, removed again however the test ends.
class Namespaces {
public:
    Namespaces() : prefix_("orvt" + std::to_string(::getpid()) + "-") {}
    ~Namespaces() {
        for (const auto& n : made_) Sh("ip netns delete " + n);
    }
    // Creates the namespace with its loopback up; empty when this machine cannot.
    std::string Make(const std::string& role) {
        const std::string name = prefix_ + role;
        if (::geteuid() != 0 || !Sh("ip netns add " + name)) return {};
        made_.push_back(name);
        if (!Sh("ip -n " + name + " link set lo up")) return {};
        return name;
    }
    static bool Exec(const std::string& ns, const std::string& cmd) {
        return Sh("ip netns exec " + ns + " " + cmd);
    }
    static bool Ip(const std::string& ns, const std::string& args) {
        return Sh("ip -n " + ns + " " + args);
    }

private:
    std::string prefix_;
    std::vector<std::string> made_;
};

#define MAKE_NS_OR_SKIP(var, nss, role)                                          \
    const std::string var = (nss).Make(role);                                    \
    if (var.empty())                                                             \
    GTEST_SKIP() << "network namespaces cannot be made here (needs root and ip " \
                    "netns); skipped"

class NetTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = testing::MakeUniqueTempDir("orvanta-icmp-"); }
    void TearDown() override { fs::remove_all(dir_); }
    CliRun InNamespace(const std::string& ns, const std::string& args) {
        return testing::RunCli("ip", "netns exec " + ns + " \"" + kCli + "\" " + args, dir_);
    }
    fs::path dir_;
};

bool CanOpen(IcmpSocketKind kind) {
    return platform::OpenIcmpSocket(kind) != nullptr;
}

// The shortest pause between requests this user may ask for, so that tests pinging more
// than once stay quick.
const std::string kFast = ::geteuid() == 0 ? " --interval 0.01" : " --interval 0.2";

TEST(IcmpLoopback, RawSocketPingsLocalhost) {
    if (!CanOpen(IcmpSocketKind::Raw)) GTEST_SKIP() << "no raw ICMP socket for this user";
    PingRequest r;
    r.host = "127.0.0.1";
    r.socketKind = IcmpSocketKind::Raw;
    r.timeoutMs = 10000;
    const PingOutcome o = PingHost(r);
    EXPECT_EQ(o.code, PING_SUCCESS);
    EXPECT_EQ(o.address, (Ipv4Address{127, 0, 0, 1}));
    EXPECT_GE(o.rttMs, 0);
}

TEST(IcmpLoopback, DatagramSocketPingsLocalhostWherePermitted) {
    if (!CanOpen(IcmpSocketKind::Datagram))
        GTEST_SKIP() << "net.ipv4.ping_group_range excludes this user here; the namespace "
                        "test covers the datagram socket";
    PingRequest r;
    r.host = "127.0.0.1";
    r.socketKind = IcmpSocketKind::Datagram;
    r.timeoutMs = 10000;
    EXPECT_EQ(PingHost(r).code, PING_SUCCESS);
}

// Several threads pinging at once on raw sockets each see all the replies; each must
// still count its own.
TEST(IcmpLoopback, ConcurrentPingersEachGetTheirOwnReply) {
    if (!CanOpen(IcmpSocketKind::Raw)) GTEST_SKIP() << "no raw ICMP socket for this user";
    constexpr int kThreads = 6, kPings = 5;
    std::vector<int> successes(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &successes] {
            for (int k = 0; k < kPings; ++k) {
                PingRequest r;
                r.host = "127.0.0.1";
                r.socketKind = IcmpSocketKind::Raw;
                r.timeoutMs = 10000;
                successes[t] += PingHost(r).code == PING_SUCCESS;
            }
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(successes[t], kPings) << "thread " << t;
}

TEST_F(NetTest, CliPingReportsEachRequestAndItsExitStatus) {
    const CliRun bad = testing::RunCli(kCli, "ping 127.0.0.1 --count 0", dir_);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(testing::RunCli(kCli, "ping", dir_).status, 2);
    EXPECT_EQ(testing::RunCli(kCli, "traceroute 127.0.0.1 --ttl 3", dir_).status, 2);

    const CliRun dns = testing::RunCli(kCli, std::string("ping ") + kUnresolvable, dir_);
    EXPECT_EQ(dns.status, 3);
    ASSERT_EQ(dns.out.size(), 2u);
    EXPECT_EQ(dns.out[0], "seq,result,address,rtt_ms");
    EXPECT_EQ(dns.out[1], "1,3,,");

    if (!CanOpen(IcmpSocketKind::Automatic)) GTEST_SKIP() << "no ICMP socket for this user";
    const CliRun ok =
        testing::RunCli(kCli, "ping 127.0.0.1 --count 2 --timeout-ms 10000" + kFast, dir_);
    EXPECT_EQ(ok.status, 0);
    ASSERT_EQ(ok.out.size(), 3u);
    for (int i = 1; i <= 2; ++i) {
        const auto f = testing::SplitCsv(ok.out[i]);
        ASSERT_EQ(f.size(), 4u) << ok.out[i];
        EXPECT_EQ(f[0], std::to_string(i));
        EXPECT_EQ(f[1], "12");
        EXPECT_EQ(f[2], "127.0.0.1");
        EXPECT_FALSE(f[3].empty());
    }
}

// Requests go out an interval apart, as ping sends them; only root may go below 0.2 s.
TEST_F(NetTest, CliPingPacesItsRequests) {
    EXPECT_EQ(testing::RunCli(kCli, "ping 127.0.0.1 --interval -1", dir_).status, 2);
    EXPECT_EQ(testing::RunCli(kCli, "ping 127.0.0.1 --interval 1s", dir_).status, 2);
    const std::string asNobody = "--reuid=65534 --regid=65534 --clear-groups \"" + kCli + "\" ";
    if (::geteuid() != 0 || Sh("setpriv " + asNobody + "help")) {
        const CliRun tooFast =
            ::geteuid() == 0
                ? testing::RunCli("setpriv", asNobody + "ping 127.0.0.1 --interval 0.1", dir_)
                : testing::RunCli(kCli, "ping 127.0.0.1 --interval 0.1", dir_);
        EXPECT_EQ(tooFast.status, 2);
        EXPECT_TRUE(tooFast.out.empty());
        ASSERT_EQ(tooFast.err.size(), 1u);
        EXPECT_EQ(tooFast.err[0], "orvanta-cli: ping: an --interval below 0.2 s needs root");
    }

    if (!CanOpen(IcmpSocketKind::Automatic)) GTEST_SKIP() << "no ICMP socket for this user";
    const auto start = std::chrono::steady_clock::now();
    const CliRun paced =
        testing::RunCli(kCli, "ping 127.0.0.1 --count 3 --interval 0.3 --timeout-ms 10000", dir_);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(paced.status, 0);
    EXPECT_EQ(paced.out.size(), 4u);
    // Two pauses between three requests: never shorter, however fast the replies.
    EXPECT_GE(took, std::chrono::milliseconds(600));
}

TEST_F(NetTest, DatagramSocketInANamespaceThatAllowsIt) {
    Namespaces nss;
    MAKE_NS_OR_SKIP(ns, nss, "dgram");
    // Without the group range the datagram socket is refused, and the user is told why.
    const CliRun refused = InNamespace(ns, "ping 127.0.0.1 --socket datagram --count 1");
    EXPECT_EQ(refused.status, 3);
    ASSERT_FALSE(refused.err.empty());
    EXPECT_NE(refused.err[0].find("ping_group_range"), std::string::npos) << refused.err[0];
    ASSERT_EQ(refused.out.size(), 2u);
    EXPECT_EQ(refused.out[1], "1,4,127.0.0.1,");

    ASSERT_TRUE(Namespaces::Exec(ns, "sysctl -w net.ipv4.ping_group_range=\"0 2147483647\""));
    const CliRun ok =
        InNamespace(ns, "ping 127.0.0.1 --socket datagram --count 2 --timeout-ms 10000" + kFast);
    EXPECT_EQ(ok.status, 0);
    ASSERT_EQ(ok.out.size(), 3u);
    EXPECT_EQ(testing::SplitCsv(ok.out[2])[1], "12");
}

// A user without CAP_NET_RAW still pings, through the datagram socket, where the group
// range lets it; where not, it is told what to grant.
TEST_F(NetTest, AnUnprivilegedUserFallsBackToTheDatagramSocket) {
    Namespaces nss;
    MAKE_NS_OR_SKIP(ns, nss, "user");
    const std::string asNobody =
        "netns exec " + ns + " setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (!Sh("ip " + asNobody + "test -x \"" + kCli + "\""))
        GTEST_SKIP() << "setpriv missing or the build is not readable by other users";
    const CliRun refused =
        testing::RunCli("ip", asNobody + "\"" + kCli + "\" ping 127.0.0.1 --count 1", dir_);
    EXPECT_EQ(refused.status, 3);
    ASSERT_EQ(refused.err.size(), 1u);
    EXPECT_NE(refused.err[0].find("ping needs CAP_NET_RAW or the user's group in "
                                  "net.ipv4.ping_group_range"),
              std::string::npos)
        << refused.err[0];

    ASSERT_TRUE(Namespaces::Exec(ns, "sysctl -w net.ipv4.ping_group_range=\"0 2147483647\""));
    const CliRun ok = testing::RunCli(
        "ip", asNobody + "\"" + kCli + "\" ping 127.0.0.1 --count 1 --timeout-ms 10000", dir_);
    EXPECT_EQ(ok.status, 0);
    ASSERT_EQ(ok.out.size(), 2u);
    EXPECT_EQ(testing::SplitCsv(ok.out[1])[1], "12");
}

TEST_F(NetTest, AHostThatDropsEchoRequestsTimesOut) {
    Namespaces nss;
    MAKE_NS_OR_SKIP(ns, nss, "drop");
    ASSERT_TRUE(Namespaces::Exec(ns, "sysctl -w net.ipv4.icmp_echo_ignore_all=1"));
    const CliRun r = InNamespace(ns, "ping 127.0.0.1 --count 1 --timeout-ms 300");
    EXPECT_EQ(r.status, 3);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_EQ(r.out[1], "1,6,127.0.0.1,");
}

// src -- r1 -- r2 -- dst, addresses from the benchmarking range 198.18.0.0/15.
class ThreeHops : public NetTest {
protected:
    bool Build() {
        src_ = nss_.Make("src");
        r1_ = nss_.Make("r1");
        r2_ = nss_.Make("r2");
        dst_ = nss_.Make("dst");
        if (src_.empty() || r1_.empty() || r2_.empty() || dst_.empty()) return false;
        built_ = Link(src_, "198.18.1.1", r1_, "198.18.1.2") &&
                 Link(r1_, "198.18.2.1", r2_, "198.18.2.2") &&
                 Link(r2_, "198.18.3.1", dst_, "198.18.3.2") &&
                 Namespaces::Ip(src_, "route add default via 198.18.1.2") &&
                 Namespaces::Ip(r1_, "route add 198.18.3.0/24 via 198.18.2.2") &&
                 Namespaces::Ip(r2_, "route add 198.18.1.0/24 via 198.18.2.1") &&
                 Namespaces::Ip(dst_, "route add default via 198.18.3.1") &&
                 Namespaces::Exec(r1_, "sysctl -w net.ipv4.ip_forward=1") &&
                 Namespaces::Exec(r2_, "sysctl -w net.ipv4.ip_forward=1");
        return built_;
    }
    // A veth pair made inside the namespaces, never in the machine's own.
    bool Link(const std::string& a, const std::string& aAddr, const std::string& b,
              const std::string& bAddr) {
        const std::string ia = "v" + std::to_string(++links_) + "a";
        const std::string ib = "v" + std::to_string(links_) + "b";
        return Namespaces::Ip(a, "link add " + ia + " type veth peer name " + ib + " netns " + b) &&
               Namespaces::Ip(a, "addr add " + aAddr + "/24 dev " + ia) &&
               Namespaces::Ip(b, "addr add " + bAddr + "/24 dev " + ib) &&
               Namespaces::Ip(a, "link set " + ia + " up") &&
               Namespaces::Ip(b, "link set " + ib + " up");
    }
    std::vector<std::vector<std::string>> Trace(const std::string& extra = "") {
        const CliRun r = InNamespace(src_, "traceroute 198.18.3.2" + extra);
        EXPECT_EQ(r.status, 0);
        std::vector<std::vector<std::string>> rows;
        EXPECT_FALSE(r.out.empty());
        if (!r.out.empty()) {
            EXPECT_EQ(r.out[0], "hop,address,rtt_ms,message");
        }
        for (std::size_t i = 1; i < r.out.size(); ++i) rows.push_back(testing::SplitCsv(r.out[i]));
        return rows;
    }
    static void ExpectHop(const std::vector<std::string>& row, int hop, const std::string& addr) {
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(row[0], std::to_string(hop));
        EXPECT_EQ(row[1], addr);
        if (addr.empty()) {
            EXPECT_EQ(row[2], "");
        } else {
            EXPECT_FALSE(row[2].empty());
        }
        EXPECT_EQ(row[3], "");
    }

    Namespaces nss_;
    std::string src_, r1_, r2_, dst_;
    int links_ = 0;
    bool built_ = false;
};

TEST_F(ThreeHops, TraceFindsTheHopsInOrderWithEitherSocket) {
    if (!Build()) GTEST_SKIP() << "network namespaces cannot be made here; skipped";
    auto rows = Trace();
    ASSERT_EQ(rows.size(), 3u);
    ExpectHop(rows[0], 1, "198.18.1.2");
    ExpectHop(rows[1], 2, "198.18.2.2");
    ExpectHop(rows[2], 3, "198.18.3.2");

    // The unprivileged socket gets the routers' reports through its error queue.
    ASSERT_TRUE(Namespaces::Exec(src_, "sysctl -w net.ipv4.ping_group_range=\"0 2147483647\""));
    rows = Trace(" --socket datagram");
    ASSERT_EQ(rows.size(), 3u);
    ExpectHop(rows[0], 1, "198.18.1.2");
    ExpectHop(rows[1], 2, "198.18.2.2");
    ExpectHop(rows[2], 3, "198.18.3.2");

    const CliRun ping = InNamespace(src_, "ping 198.18.3.2 --count 1 --timeout-ms 10000");
    EXPECT_EQ(ping.status, 0);
    // With the time-to-live too short, the first router answers for the target.
    const CliRun short_ = InNamespace(src_, "ping 198.18.3.2 --count 1 --ttl 1 --timeout-ms 10000");
    EXPECT_EQ(short_.status, 3);
    ASSERT_EQ(short_.out.size(), 2u);
    EXPECT_EQ(short_.out[1], "1,13,198.18.1.2,");
}

TEST_F(ThreeHops, ASilentRouterGetsARowOfItsOwn) {
    if (!Build()) GTEST_SKIP() << "network namespaces cannot be made here; skipped";
    // r2 still forwards, but whatever it would send itself is dropped.
    ASSERT_TRUE(Namespaces::Ip(r2_, "route add blackhole default table 100"));
    ASSERT_TRUE(Namespaces::Ip(r2_, "rule add iif lo lookup 100 pref 10"));
    const auto rows = Trace();
    ASSERT_EQ(rows.size(), 3u);
    ExpectHop(rows[0], 1, "198.18.1.2");
    ExpectHop(rows[1], 2, "");
    ExpectHop(rows[2], 3, "198.18.3.2");
}

TEST_F(ThreeHops, AnUnreachableNetworkEndsTheTrace) {
    if (!Build()) GTEST_SKIP() << "network namespaces cannot be made here; skipped";
    ASSERT_TRUE(Namespaces::Ip(r2_, "route add unreachable 198.18.9.0/24"));
    ASSERT_TRUE(Namespaces::Ip(r1_, "route add 198.18.9.0/24 via 198.18.2.2"));
    const CliRun r = InNamespace(src_, "traceroute 198.18.9.9");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 3u);
    EXPECT_EQ(testing::SplitCsv(r.out[1])[1], "198.18.1.2");
    const auto last = testing::SplitCsv(r.out[2]);
    ASSERT_EQ(last.size(), 4u);
    EXPECT_EQ(last[1], "198.18.2.2");  // r2 answers from the side facing us
    EXPECT_EQ(last[3], "Destination unreachable!");
}

}  // namespace
}  // namespace orvanta

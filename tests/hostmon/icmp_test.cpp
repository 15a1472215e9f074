// ICMP messages, reply checks and PingHost / TraceRoute over a scripted socket.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <optional>
#include <thread>

#include "hostmon/icmp.h"

namespace orvanta {
namespace {

using platform::IcmpDatagram;
using platform::IcmpReceive;

TEST(IcmpChecksum, Rfc1071ExampleAndOddLength) {
    // RFC 1071 section 3: words 0001 f203 f4f5 f6f7 sum to ddf2, checksum 220d. The sum is
    // independent of byte order, so the stored bytes are the same on this host.
    const std::uint8_t rfc[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    const std::uint16_t c = InternetChecksum(rfc, sizeof rfc);
    EXPECT_EQ(c & 0xFF, 0x22);
    EXPECT_EQ(c >> 8, 0x0d);
    // An odd last byte is the low byte of a final word: 0x0201 + 0x0003 = 0x0204.
    const std::uint8_t odd[] = {0x01, 0x02, 0x03};
    EXPECT_EQ(InternetChecksum(odd, sizeof odd), 0xFDFB);
}

TEST(IcmpMessages, LayoutsMatchTheirTables) {
    const auto req = BuildEchoRequest(0x1234, 7, 0xA1B2C3D4, 32);
    ASSERT_EQ(req.size(), 44u);
    EXPECT_EQ(req[0], 8);
    EXPECT_EQ(req[1], 0);
    EXPECT_EQ(req[4], 0x34);
    EXPECT_EQ(req[5], 0x12);
    EXPECT_EQ(req[6], 7);
    EXPECT_EQ(req[8], 0xD4);
    EXPECT_EQ(req[11], 0xA1);
    for (std::size_t i = 12; i < req.size(); ++i) ASSERT_EQ(req[i], 0x45);
    EXPECT_EQ(InternetChecksum(req.data(), req.size()), 0);  // verifies as a receiver would

    const auto probe = BuildTraceProbe(0xBEEF, 3);
    ASSERT_EQ(probe.size(), 32u);
    EXPECT_EQ(probe[8], 0xEF);
    EXPECT_EQ(probe[11], 0xDE);
    EXPECT_EQ(probe[31], 0xDE);
    EXPECT_EQ(InternetChecksum(probe.data(), probe.size()), 0);
}

// A request as PingHost or TraceRoute sent it.
struct Sent {
    std::vector<std::uint8_t> message;
    Ipv4Address to{127, 0, 0, 1};
    int ttl = 0;
    std::uint16_t Id() const { return static_cast<std::uint16_t>(message[4] | (message[5] << 8)); }
    std::uint16_t Seq() const { return static_cast<std::uint16_t>(message[6] | (message[7] << 8)); }
};

Sent Request(std::uint16_t id, std::uint16_t seq, Ipv4Address to = {127, 0, 0, 1}) {
    return Sent{BuildEchoRequest(id, seq, 0xA1B2C3D4, 32), to};
}

// The same request with another identifier and sequence: someone else's, or an earlier one.
Sent Renumbered(Sent s, std::uint16_t id, std::uint16_t seq) {
    s.message[4] = static_cast<std::uint8_t>(id);
    s.message[5] = static_cast<std::uint8_t>(id >> 8);
    s.message[6] = static_cast<std::uint8_t>(seq);
    s.message[7] = static_cast<std::uint8_t>(seq >> 8);
    return s;
}

EchoExpectation Expected(const Sent& s) {
    return ExpectationFor(s.message, s.to);
}

// The answer as a raw socket delivers it: 20-byte IP header, then the request echoed with
// the given type, from the target unless said otherwise.
IcmpDatagram RawReply(std::uint8_t type, const Sent& s, std::optional<Ipv4Address> from = {}) {
    IcmpDatagram d;
    d.form = IcmpDatagram::Form::IpPacket;
    d.bytes.assign(20, 0);
    d.bytes[0] = 0x45;
    auto icmp = s.message;
    icmp[0] = type;
    d.bytes.insert(d.bytes.end(), icmp.begin(), icmp.end());
    d.from = from.value_or(s.to);
    return d;
}

// An error message quoting the request (IP header with options and the request's
// destination, then the request's first quotedBytes bytes).
IcmpDatagram RawError(std::uint8_t type, const Sent& s, Ipv4Address from,
                      std::size_t quotedBytes = 8) {
    IcmpDatagram d;
    d.form = IcmpDatagram::Form::IpPacket;
    d.bytes.assign(20, 0);
    d.bytes[0] = 0x45;
    const std::uint8_t header[8] = {type, 0, 0, 0, 0, 0, 0, 0};
    d.bytes.insert(d.bytes.end(), header, header + 8);
    std::vector<std::uint8_t> quotedIp(24, 0);
    quotedIp[0] = 0x46;  // 24-byte header: the quoted request starts after its options
    std::copy(s.to.begin(), s.to.end(), quotedIp.begin() + 16);
    d.bytes.insert(d.bytes.end(), quotedIp.begin(), quotedIp.end());
    const std::size_t n = std::min(quotedBytes, s.message.size());
    d.bytes.insert(d.bytes.end(), s.message.begin(), s.message.begin() + n);
    d.from = from;
    return d;
}

TEST(IcmpReplies, OnlyOurIdentifierAndSequenceCount) {
    const Sent ours = Request(42, 5);
    const auto want = Expected(ours);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, ours)), want), PING_SUCCESS);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, Renumbered(ours, 43, 5))), want),
              PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, Renumbered(ours, 42, 4))), want),
              PING_NOT_A_REPLY)
        << "a late reply to an earlier request";
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(8, ours)), want), PING_NOT_A_REPLY)
        << "our own request seen on the loopback";
    const Ipv4Address router{198, 18, 1, 2};
    const auto te = ParseIcmp(RawError(11, ours, router));
    EXPECT_EQ(ClassifyReply(te, want), PING_TIME_EXCEEDED);
    EXPECT_EQ(te.from, router);
    // Time exceeded for someone else's request is not ours, whatever the type.
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawError(11, Renumbered(ours, 99, 5), router)), want),
              PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawError(3, ours, router)), want), PING_UNREACHABLE);
    // Truncated packets never read past their end.
    IcmpDatagram shortOne = RawReply(0, ours);
    shortOne.bytes.resize(26);
    EXPECT_FALSE(ParseIcmp(shortOne).valid);
    IcmpDatagram cut = RawError(11, ours, router);
    cut.bytes.resize(cut.bytes.size() - 3);
    EXPECT_EQ(ClassifyReply(ParseIcmp(cut), want), PING_NOT_A_REPLY);
    // The datagram socket's error queue hands back our request with the kernel's identifier.
    IcmpDatagram report;
    report.form = IcmpDatagram::Form::ErrorReport;
    const Sent kernel = Request(7, 9, {198, 18, 3, 2});
    report.bytes = kernel.message;
    report.errorType = 11;
    report.from = router;
    EXPECT_EQ(ClassifyReply(ParseIcmp(report), Expected(kernel)), PING_TIME_EXCEEDED);
}

// Identifier and sequence are easily matched by another program's ping (or a forged
// reply); the sender and the echoed data are ours alone.
TEST(IcmpReplies, AnotherSenderOrOtherDataNeverCounts) {
    const Sent ours = Request(42, 5, {192, 0, 2, 7});
    const auto want = Expected(ours);
    EXPECT_EQ(ClassifyReply(RawReply(0, ours), want), PING_SUCCESS);
    EXPECT_EQ(ClassifyReply(RawReply(0, ours, Ipv4Address{192, 0, 2, 8}), want), PING_NOT_A_REPLY)
        << "a reply from a host we did not ping";

    Sent foreign = ours;  // as another program's ping fills its data
    for (std::size_t i = 8; i < foreign.message.size(); ++i)
        foreign.message[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(ClassifyReply(RawReply(0, foreign), want), PING_NOT_A_REPLY);
    Sent otherStamp = ours;
    otherStamp.message[8] ^= 1;
    EXPECT_EQ(ClassifyReply(RawReply(0, otherStamp), want), PING_NOT_A_REPLY);
    IcmpDatagram shortened = RawReply(0, ours);
    shortened.bytes.pop_back();
    EXPECT_EQ(ClassifyReply(shortened, want), PING_NOT_A_REPLY);
    IcmpDatagram longer = RawReply(0, ours);
    longer.bytes.push_back(0x45);
    EXPECT_EQ(ClassifyReply(longer, want), PING_NOT_A_REPLY);

    // Errors come from any router, but about a datagram to our target with our data.
    const Ipv4Address router{198, 18, 1, 2};
    EXPECT_EQ(ClassifyReply(RawError(11, ours, router, ours.message.size()), want),
              PING_TIME_EXCEEDED);
    Sent elsewhere = ours;
    elsewhere.to = {192, 0, 2, 99};
    EXPECT_EQ(ClassifyReply(RawError(11, elsewhere, router), want), PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(RawError(3, elsewhere, router), want), PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(RawError(11, foreign, router, 20), want), PING_NOT_A_REPLY);

    // Over the datagram socket the kernel has stripped the IP header; the sender remains.
    IcmpDatagram bare;
    bare.form = IcmpDatagram::Form::IcmpMessage;
    bare.bytes = ours.message;
    bare.bytes[0] = 0;
    bare.from = ours.to;
    EXPECT_EQ(ClassifyReply(bare, want), PING_SUCCESS);
    bare.from = {127, 0, 0, 1};
    EXPECT_EQ(ClassifyReply(bare, want), PING_NOT_A_REPLY);
}

// Plays back queued messages; records what was sent.
class ScriptedSocket : public platform::IcmpSocket {
public:
    struct Shared {
        std::deque<std::function<IcmpDatagram(const Sent& request)>> script;
        std::vector<int> ttls;
        std::atomic<int> receives{0};
    };
    explicit ScriptedSocket(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    platform::IcmpSocketKind Kind() const override { return platform::IcmpSocketKind::Raw; }
    int KernelIdentifier() const override { return 0x4321; }
    bool SetTimeToLive(int ttl) override {
        ttl_ = ttl;
        return true;
    }
    bool Send(const std::vector<std::uint8_t>& m, const Ipv4Address& to) override {
        sent_ = Sent{m, to, ttl_};
        s_->ttls.push_back(ttl_);
        silent_ = false;
        return true;
    }
    IcmpReceive Receive(int timeoutMs, IcmpDatagram& out) override {
        ++s_->receives;
        if (silent_ || s_->script.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 20)));
            return IcmpReceive::TimedOut;
        }
        auto next = std::move(s_->script.front());
        s_->script.pop_front();
        out = next(sent_);
        if (out.bytes.empty()) {  // an empty entry: nothing more until the next request
            silent_ = true;
            return IcmpReceive::TimedOut;
        }
        return IcmpReceive::Message;
    }

private:
    std::shared_ptr<Shared> s_;
    Sent sent_;
    int ttl_ = 0;
    bool silent_ = false;
};

IcmpSocketOpener Opener(std::shared_ptr<ScriptedSocket::Shared> s) {
    return [s](std::string*) { return std::make_unique<ScriptedSocket>(s); };
}

TEST(PingHostScripted, ForeignAndLateRepliesAreSkippedUntilOurs) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    s->script.push_back(
        [](const Sent& r) { return RawReply(0, Renumbered(r, r.Id() + 1, r.Seq())); });
    s->script.push_back(
        [](const Sent& r) { return RawReply(0, Renumbered(r, r.Id(), r.Seq() - 1)); });
    s->script.push_back([](const Sent& r) {
        return RawError(11, Renumbered(r, r.Id() + 1, r.Seq()), {9, 9, 9, 9});
    });
    s->script.push_back([](const Sent& r) { return RawReply(0, r); });
    PingRequest r;
    r.host = "127.0.0.7";
    r.opener = Opener(s);
    const PingOutcome o = PingHost(r);
    EXPECT_EQ(o.code, PING_SUCCESS);
    EXPECT_EQ(o.address, (Ipv4Address{127, 0, 0, 7}));
    EXPECT_EQ(s->ttls, std::vector<int>{255});
}

// Another program pinging at the same time: its replies match our numbers by chance, but
// not our target or our data; only the true echo ends the ping.
TEST(PingHostScripted, RepliesFromElsewhereOrWithOtherDataAreSkipped) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    s->script.push_back([](const Sent& r) { return RawReply(0, r, Ipv4Address{127, 0, 0, 9}); });
    s->script.push_back([](const Sent& r) {
        Sent other = r;
        std::fill(other.message.begin() + 8, other.message.end(), 0x10);
        return RawReply(0, other);
    });
    s->script.push_back([](const Sent& r) { return RawReply(0, r); });
    PingRequest r;
    r.host = "127.0.0.1";
    r.opener = Opener(s);
    r.timeoutMs = 2000;
    const PingOutcome o = PingHost(r);
    EXPECT_EQ(o.code, PING_SUCCESS);
    EXPECT_EQ(o.address, (Ipv4Address{127, 0, 0, 1}));
    EXPECT_TRUE(s->script.empty()) << "a reply that was not ours ended the ping";
}

TEST(PingHostScripted, FailureCodes) {
    PingRequest r;
    r.host = "127.0.0.1";
    r.dataSize = 7;
    EXPECT_EQ(PingHost(r).code, PING_DATA_TOO_SMALL);

    r.dataSize = 32;
    r.opener = [](std::string* why) {
        *why = "refused";
        return std::unique_ptr<platform::IcmpSocket>();
    };
    const auto refused = PingHost(r);
    EXPECT_EQ(refused.code, PING_SOCKET_FAILED);
    EXPECT_EQ(refused.socketError, "refused");

    r.host = "no..such.invalid";
    EXPECT_EQ(PingHost(r).code, PING_UNRESOLVED);

    auto s = std::make_shared<ScriptedSocket::Shared>();
    r.host = "127.0.0.1";
    r.opener = Opener(s);
    r.timeoutMs = 100;
    EXPECT_EQ(PingHost(r).code, PING_TIMED_OUT);
}

TEST(PingHostScripted, StopEndsTheWaitEarly) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    std::atomic<bool> stop{true};
    PingRequest r;
    r.host = "127.0.0.1";
    r.opener = Opener(s);
    r.timeoutMs = 600000;  // would hang the test if the flag went unseen
    r.stop = &stop;
    EXPECT_EQ(PingHost(r).code, PING_TIMED_OUT);
}

TEST(TraceRouteScripted, HopsSilenceAndTheEnd) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    // Hop 1 answers, hop 2 is silent (another trace's report arrives meanwhile), hop 3 is the
    // target.
    s->script.push_back([](const Sent& r) { return RawError(11, r, {10, 0, 0, 1}); });
    s->script.push_back([](const Sent& r) {
        return RawError(11, Renumbered(r, r.Id() + 1, r.Seq()), {10, 9, 9, 9});
    });
    s->script.push_back([](const Sent&) { return IcmpDatagram{}; });
    s->script.push_back([](const Sent& r) { return RawReply(0, r); });
    std::vector<TraceRow> rows;
    TraceRequest r;
    r.host = "198.18.0.3";
    r.opener = Opener(s);
    r.hopTimeoutMs = 200;
    ASSERT_TRUE(TraceRoute(r, [&](const TraceRow& row) { rows.push_back(row); }));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].address, (Ipv4Address{10, 0, 0, 1}));
    EXPECT_FALSE(rows[1].answered);
    EXPECT_EQ(rows[2].address, (Ipv4Address{198, 18, 0, 3}));
    EXPECT_EQ(s->ttls, (std::vector<int>{1, 2, 3}));
}

TEST(TraceRouteScripted, AnAnswerAtHopOneStillProbesHopTwo) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    for (int k = 0; k < 2; ++k) s->script.push_back([](const Sent& r) { return RawReply(0, r); });
    std::vector<TraceRow> rows;
    TraceRequest r;
    r.host = "127.0.0.1";
    r.opener = Opener(s);
    ASSERT_TRUE(TraceRoute(r, [&](const TraceRow& row) { rows.push_back(row); }));
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(s->ttls, (std::vector<int>{1, 2}));
}

TEST(TraceRouteScripted, UnreachableEndsAndSilenceStopsAtTheLimit) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    s->script.push_back([](const Sent& r) { return RawError(3, r, {10, 0, 0, 1}); });
    std::vector<TraceRow> rows;
    TraceRequest r;
    r.host = "198.18.0.3";
    r.opener = Opener(s);
    ASSERT_TRUE(TraceRoute(r, [&](const TraceRow& row) { rows.push_back(row); }));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].message, "Destination unreachable!");

    auto quiet = std::make_shared<ScriptedSocket::Shared>();
    rows.clear();
    r.opener = Opener(quiet);
    r.hopTimeoutMs = 30;
    r.maxHops = 4;
    ASSERT_TRUE(TraceRoute(r, [&](const TraceRow& row) { rows.push_back(row); }));
    EXPECT_EQ(rows.size(), 4u);

    std::string why;
    r.host = "no..such.invalid";
    EXPECT_FALSE(TraceRoute(
        r, [](const TraceRow&) {}, &why));
    EXPECT_EQ(why, "Hostname could not be resolved (DNS problem)!");
}

}  // namespace
}  // namespace orvanta

// ICMP messages, reply checks and PingHost / TraceRoute over a scripted socket.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
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

// A reply as a raw socket delivers it: 20-byte IP header, then the ICMP message.
IcmpDatagram RawReply(std::uint8_t type, std::uint16_t id, std::uint16_t seq,
                      Ipv4Address from = {127, 0, 0, 1}) {
    IcmpDatagram d;
    d.form = IcmpDatagram::Form::IpPacket;
    d.bytes.assign(20, 0);
    d.bytes[0] = 0x45;
    auto icmp = BuildEchoRequest(id, seq, 0, 32);
    icmp[0] = type;
    d.bytes.insert(d.bytes.end(), icmp.begin(), icmp.end());
    d.from = from;
    return d;
}

// An error message quoting our request (IP header with options, then its first 8 bytes).
IcmpDatagram RawError(std::uint8_t type, std::uint16_t id, std::uint16_t seq, Ipv4Address from) {
    IcmpDatagram d;
    d.form = IcmpDatagram::Form::IpPacket;
    d.bytes.assign(20, 0);
    d.bytes[0] = 0x45;
    const std::uint8_t header[8] = {type, 0, 0, 0, 0, 0, 0, 0};
    d.bytes.insert(d.bytes.end(), header, header + 8);
    std::vector<std::uint8_t> quotedIp(24, 0);
    quotedIp[0] = 0x46;  // 24-byte header: the quoted request starts after its options
    d.bytes.insert(d.bytes.end(), quotedIp.begin(), quotedIp.end());
    const auto req = BuildTraceProbe(id, seq);
    d.bytes.insert(d.bytes.end(), req.begin(), req.begin() + 8);
    d.from = from;
    return d;
}

TEST(IcmpReplies, OnlyOurIdentifierAndSequenceCount) {
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, 42, 5)), 42, 5), PING_SUCCESS);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, 43, 5)), 42, 5), PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(0, 42, 4)), 42, 5), PING_NOT_A_REPLY)
        << "a late reply to an earlier request";
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawReply(8, 42, 5)), 42, 5), PING_NOT_A_REPLY)
        << "our own request seen on the loopback";
    const Ipv4Address router{198, 18, 1, 2};
    const auto te = ParseIcmp(RawError(11, 42, 5, router));
    EXPECT_EQ(ClassifyReply(te, 42, 5), PING_TIME_EXCEEDED);
    EXPECT_EQ(te.from, router);
    // Time exceeded for someone else's request is not ours, whatever the type.
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawError(11, 99, 5, router)), 42, 5), PING_NOT_A_REPLY);
    EXPECT_EQ(ClassifyReply(ParseIcmp(RawError(3, 42, 5, router)), 42, 5), PING_UNREACHABLE);
    // Truncated packets never read past their end.
    IcmpDatagram shortOne = RawReply(0, 42, 5);
    shortOne.bytes.resize(26);
    EXPECT_FALSE(ParseIcmp(shortOne).valid);
    IcmpDatagram cut = RawError(11, 42, 5, router);
    cut.bytes.resize(cut.bytes.size() - 3);
    EXPECT_EQ(ClassifyReply(ParseIcmp(cut), 42, 5), PING_NOT_A_REPLY);
    // The datagram socket's error queue hands back our request with the kernel's identifier.
    IcmpDatagram report;
    report.form = IcmpDatagram::Form::ErrorReport;
    report.bytes = BuildEchoRequest(7, 9, 0, 32);
    report.errorType = 11;
    report.from = router;
    EXPECT_EQ(ClassifyReply(ParseIcmp(report), 7, 9), PING_TIME_EXCEEDED);
}

// Plays back queued messages; records what was sent.
class ScriptedSocket : public platform::IcmpSocket {
public:
    struct Shared {
        std::deque<std::function<IcmpDatagram(std::uint16_t id, std::uint16_t seq, int ttl)>>
            script;
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
    bool Send(const std::vector<std::uint8_t>& m, const Ipv4Address&) override {
        id_ = static_cast<std::uint16_t>(m[4] | (m[5] << 8));
        seq_ = static_cast<std::uint16_t>(m[6] | (m[7] << 8));
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
        out = next(id_, seq_, ttl_);
        if (out.bytes.empty()) {  // an empty entry: nothing more until the next request
            silent_ = true;
            return IcmpReceive::TimedOut;
        }
        return IcmpReceive::Message;
    }

private:
    std::shared_ptr<Shared> s_;
    std::uint16_t id_ = 0, seq_ = 0;
    int ttl_ = 0;
    bool silent_ = false;
};

IcmpSocketOpener Opener(std::shared_ptr<ScriptedSocket::Shared> s) {
    return [s](std::string*) { return std::make_unique<ScriptedSocket>(s); };
}

TEST(PingHostScripted, ForeignAndLateRepliesAreSkippedUntilOurs) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    s->script.push_back([](auto id, auto seq, int) { return RawReply(0, id + 1, seq); });
    s->script.push_back([](auto id, auto seq, int) { return RawReply(0, id, seq - 1); });
    s->script.push_back([](auto id, auto seq, int) {
        return RawError(11, id + 1, seq, {9, 9, 9, 9});
    });
    s->script.push_back([](auto id, auto seq, int) {
        return RawReply(0, id, seq, {127, 0, 0, 7});
    });
    PingRequest r;
    r.host = "127.0.0.1";
    r.opener = Opener(s);
    const PingOutcome o = PingHost(r);
    EXPECT_EQ(o.code, PING_SUCCESS);
    EXPECT_EQ(o.address, (Ipv4Address{127, 0, 0, 7}));
    EXPECT_EQ(s->ttls, std::vector<int>{255});
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
    s->script.push_back([](auto id, auto seq, int) {
        return RawError(11, id, seq, {10, 0, 0, 1});
    });
    s->script.push_back([](auto id, auto seq, int) {
        return RawError(11, id + 1, seq, {10, 9, 9, 9});
    });
    s->script.push_back([](auto, auto, int) { return IcmpDatagram{}; });
    s->script.push_back([](auto id, auto seq, int) { return RawReply(0, id, seq, {10, 0, 0, 3}); });
    std::vector<TraceRow> rows;
    TraceRequest r;
    r.host = "198.18.0.3";
    r.opener = Opener(s);
    r.hopTimeoutMs = 200;
    ASSERT_TRUE(TraceRoute(r, [&](const TraceRow& row) { rows.push_back(row); }));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].address, (Ipv4Address{10, 0, 0, 1}));
    EXPECT_FALSE(rows[1].answered);
    EXPECT_EQ(rows[2].address, (Ipv4Address{10, 0, 0, 3}));
    EXPECT_EQ(s->ttls, (std::vector<int>{1, 2, 3}));
}

TEST(TraceRouteScripted, AnAnswerAtHopOneStillProbesHopTwo) {
    auto s = std::make_shared<ScriptedSocket::Shared>();
    for (int k = 0; k < 2; ++k)
        s->script.push_back([](auto id, auto seq, int) { return RawReply(0, id, seq); });
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
    s->script.push_back([](auto id, auto seq, int) { return RawError(3, id, seq, {10, 0, 0, 1}); });
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

// SNTP packets and arithmetic (RFC 4330): time stamps of both eras, the checks a client
// must make on an answer, and offset and delay from the four time stamps.
#include <gtest/gtest.h>

#include <array>

#include "location/sntp.h"

using namespace orvanta;

namespace {

constexpr std::uint64_t kSecond = 1ULL << 32;

// A server's answer built byte by byte, independently of the code under test.
std::array<std::uint8_t, 48> Reply(int leap, int version, int mode, int stratum,
                                   NtpTimestamp originate, NtpTimestamp receive,
                                   NtpTimestamp transmit, const char* refid = "GPS\0") {
    std::array<std::uint8_t, 48> p{};
    p[0] = static_cast<std::uint8_t>(leap << 6 | version << 3 | mode);
    p[1] = static_cast<std::uint8_t>(stratum);
    for (int i = 0; i < 4; ++i) p[12 + i] = static_cast<std::uint8_t>(refid[i]);
    auto put = [&](int at, std::uint64_t v) {
        for (int i = 7; i >= 0; --i, v >>= 8) p[at + i] = static_cast<std::uint8_t>(v);
    };
    put(24, originate);
    put(32, receive);
    put(40, transmit);
    return p;
}

}  // namespace

TEST(SntpTest, TimestampsOfBothErasRoundTrip) {
    // RFC 5905: the Unix epoch is NTP second 2208988800; era 1 starts 2036-02-07 06:28:16.
    EXPECT_EQ(NtpFromUnixMicros(0), 2208988800ULL << 32);
    EXPECT_EQ(NtpFromUnixMicros(2085978496LL * 1000000), 0ULL);
    EXPECT_EQ(NtpFromUnixMicros(500000) & 0xffffffffu, 0x80000000u);
    for (std::int64_t t : {std::int64_t{0}, std::int64_t{1765200000123456},
                           std::int64_t{2085978495999999}, std::int64_t{2085978496000001},
                           std::int64_t{3000000000000000}})
        EXPECT_EQ(UnixMicrosFromNtp(NtpFromUnixMicros(t)), t) << t;
}

TEST(SntpTest, RequestIsVersionFourClientWithOurTransmitTime) {
    const auto p = BuildSntpRequest(0x0123456789abcdefULL);
    EXPECT_EQ(p[0], 0x23);
    for (int i = 1; i < 40; ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(p[40], 0x01);
    EXPECT_EQ(p[47], 0xef);
}

TEST(SntpTest, AcceptsOnlyASynchronisedServersAnswerToOurRequest) {
    const NtpTimestamp sent = 0xE0000000ULL << 32;
    const NtpTimestamp t = sent + 5 * kSecond;
    auto parse = [&](const std::array<std::uint8_t, 48>& p, std::size_t size = 48) {
        return ParseSntpReply(p.data(), size, sent);
    };
    EXPECT_EQ(parse(Reply(0, 4, 4, 1, sent, t, t)).status, SntpStatus::Ok);
    EXPECT_EQ(parse(Reply(0, 3, 4, 2, sent, t, t)).stratum, 2);
    EXPECT_EQ(parse(Reply(0, 4, 4, 1, sent, t, t), 47).status, SntpStatus::ShortReply);
    EXPECT_EQ(parse(Reply(0, 4, 3, 1, sent, t, t)).status, SntpStatus::NotServerMode);
    EXPECT_EQ(parse(Reply(0, 4, 4, 1, sent + 1, t, t)).status, SntpStatus::OriginMismatch);
    EXPECT_EQ(parse(Reply(3, 4, 4, 1, sent, t, t)).status, SntpStatus::Unsynchronised);
    EXPECT_EQ(parse(Reply(0, 4, 4, 16, sent, t, t)).status, SntpStatus::Unsynchronised);
    EXPECT_EQ(parse(Reply(0, 4, 4, 1, sent, t, 0)).status, SntpStatus::ZeroTransmit);
    const SntpReply kiss = parse(Reply(0, 4, 4, 0, sent, 0, 0, "RATE"));
    EXPECT_EQ(kiss.status, SntpStatus::KissOfDeath);
    EXPECT_EQ(kiss.kissCode, "RATE");
    SntpOutcome o;
    o.status = SntpStatus::KissOfDeath;
    o.kissCode = "DENY";
    EXPECT_EQ(DescribeSntpFailure(o), "the server refused the request (kiss code DENY)");
    o.status = SntpStatus::NoAnswer;
    EXPECT_EQ(DescribeSntpFailure(o, 5000), "no answer within 5 seconds");
}

TEST(SntpTest, OffsetAndDelayFromTheFourTimestamps) {
    // Server 10 s ahead; 4 ms out, 1 ms in the server, 6 ms back.
    const NtpTimestamp t1 = 0xEC000000ULL << 32;
    const NtpTimestamp t2 = t1 + 10 * kSecond + kSecond / 1000 * 4;
    const NtpTimestamp t3 = t2 + kSecond / 1000;
    const NtpTimestamp t4 = t3 - 10 * kSecond + kSecond / 1000 * 6;
    double offset = 0, delay = 0;
    MeasureSntp(t1, t2, t3, t4, offset, delay);
    EXPECT_NEAR(offset, 10.0 - 0.001, 1e-6);
    EXPECT_NEAR(delay, 0.010, 1e-6);

    // Across the 2036 era boundary: our clock just before it, the server's just after.
    const NtpTimestamp before = NtpFromUnixMicros(2085978496LL * 1000000 - 1500000);
    const NtpTimestamp after = NtpFromUnixMicros(2085978496LL * 1000000 + 500000);
    MeasureSntp(before, after, after, before, offset, delay);
    EXPECT_NEAR(offset, 2.0, 1e-6);
    EXPECT_NEAR(delay, 0.0, 1e-6);
}

TEST(SntpTest, ServerAddressesWithAndWithoutPorts) {
    auto host = [](const std::string& text) {
        auto a = ParseServerAddress(text);
        return a ? a->host + "|" + std::to_string(a->port) : std::string("none");
    };
    EXPECT_EQ(host("ntp0.fau.de"), "ntp0.fau.de|123");
    EXPECT_EQ(host("127.0.0.1:12345"), "127.0.0.1|12345");
    EXPECT_EQ(host("[::1]:1230"), "::1|1230");
    EXPECT_EQ(host("[::1]"), "::1|123");
    EXPECT_EQ(host("fe80::1"), "fe80::1|123");
    for (const char* bad : {"", ":123", "host:", "host:0", "host:65536", "host:12a", "[::1",
                            "[::1]x", "a b"})
        EXPECT_EQ(host(bad), "none") << bad;
}

TEST(SntpTest, AnswersWithoutATimeAreRefused) {
    const NtpTimestamp sent = 0xEC000000ULL << 32;
    const NtpTimestamp t = sent + kSecond;
    auto status = [&](NtpTimestamp receive, NtpTimestamp transmit) {
        const auto p = Reply(0, 4, 4, 2, sent, receive, transmit);
        return ParseSntpReply(p.data(), p.size(), sent).status;
    };
    // A zero receive time once measured +144,603,932 s with a delay of 289,207,864 s.
    EXPECT_EQ(status(0, t), SntpStatus::ZeroReceive);
    EXPECT_EQ(status(t, 0), SntpStatus::ZeroTransmit);
    EXPECT_EQ(status(0, 0), SntpStatus::ZeroReceive);
    SntpOutcome o;
    o.status = SntpStatus::ZeroReceive;
    EXPECT_EQ(DescribeSntpFailure(o), "the answer carried no time");
}

TEST(SntpTest, InconsistentTimesAreRefusedNotMeasured) {
    const NtpTimestamp t1 = NtpFromUnixMicros(1765200000000000);
    const NtpTimestamp ms = kSecond / 1000;
    double offset = 0, delay = 0;
    // Ordinary: 20 ms round trip, 1 ms at the server, 3 s ahead.
    EXPECT_EQ(MeasureSntp(t1, t1 + 3 * kSecond + 10 * ms, t1 + 3 * kSecond + 11 * ms, t1 + 21 * ms,
                          offset, delay, 5000),
              SntpStatus::Ok);
    EXPECT_NEAR(offset, 3.0, 1e-6);
    EXPECT_NEAR(delay, 0.020, 1e-6);
    // The answer arrived before the request left (our clock stepped back meanwhile).
    EXPECT_EQ(MeasureSntp(t1, t1, t1, t1 - ms, offset, delay, 5000), SntpStatus::BadTimes);
    // The server sent its answer before it had the request.
    EXPECT_EQ(MeasureSntp(t1, t1 + 2 * ms, t1 + ms, t1 + 3 * ms, offset, delay, 5000),
              SntpStatus::BadTimes);
    // More time at the server than the whole round trip: a negative delay.
    EXPECT_EQ(MeasureSntp(t1, t1, t1 + 5 * ms, t1 + 2 * ms, offset, delay, 5000),
              SntpStatus::BadTimes);
    // A delay longer than we waited cannot be.
    EXPECT_EQ(MeasureSntp(t1, t1, t1, t1 + 5001 * ms, offset, delay, 5000), SntpStatus::BadTimes);
    EXPECT_EQ(MeasureSntp(t1, t1, t1, t1 + 5000 * ms, offset, delay, 5000), SntpStatus::Ok);
    EXPECT_EQ(MeasureSntp(t1, t1, t1, t1, offset, delay, 5000), SntpStatus::Ok);
}

TEST(SntpTest, FarServerTimesAreRefusedNotWrapped) {
    const std::int64_t now = 1765200000000000;  // 2025-12-08
    const NtpTimestamp t1 = NtpFromUnixMicros(now);
    constexpr std::int64_t kYear = 31556952LL * 1000000;  // mean Gregorian year
    double offset = 0, delay = 0;
    auto measure = [&](std::int64_t serverMicros) {
        const NtpTimestamp s = NtpFromUnixMicros(serverMicros);
        return MeasureSntp(t1, s, s, t1, offset, delay, 5000);
    };
    // 95 years ahead once read as -1,294,967,296 s and was accepted.
    EXPECT_EQ(measure(now + 95 * kYear), SntpStatus::TooFar);
    EXPECT_EQ(measure(now + 60 * kYear), SntpStatus::TooFar);
    EXPECT_EQ(measure(now - 40 * kYear), SntpStatus::TooFar);
    // Within reach, across the 2036 era boundary both ways, in 64 bits.
    EXPECT_EQ(measure(now + 30 * kYear), SntpStatus::Ok);
    EXPECT_NEAR(offset, 30.0 * 31556952, 1e-3);
    EXPECT_EQ(measure(now - 30 * kYear), SntpStatus::Ok);
    EXPECT_NEAR(offset, -30.0 * 31556952, 1e-3);
    SntpOutcome o;
    o.status = SntpStatus::TooFar;
    EXPECT_EQ(DescribeSntpFailure(o), "the server's time is more than 34 years from ours");

    // The era nearest our clock: the same 32-bit seconds are 2030 seen from 2025 and 2166
    // seen from 2150.
    const NtpTimestamp y2030 = NtpFromUnixMicros(now + 5 * kYear);
    EXPECT_EQ(UnixMicrosNearest(y2030, now), now + 5 * kYear);
    const std::int64_t era = 4294967296LL * 1000000;
    EXPECT_EQ(UnixMicrosNearest(y2030, now + era - 10 * kYear), now + 5 * kYear + era);
    EXPECT_EQ(UnixMicrosNearest(y2030, now - era + 10 * kYear), now + 5 * kYear - era);
}

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "location/nmea.h"

using namespace orvanta;

namespace {

// "$" + body + "*hh" with the body's XOR checksum.
std::string WithChecksum(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char cs[4];
    std::snprintf(cs, sizeof cs, "%02X", sum);
    return "$" + body + "*" + cs;
}

// The GGA example of the NMEA literature, laid out with a ten-character time, nine- and
// ten-character latitude and longitude and a four-character HDOP.
const std::string kClassicBody =
    "GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,";

std::string Fmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%f", v);
    return buf;
}

// The fixed character positions of the classic layout, as an independent reference.
struct FixedPositionReading {
    double latitude, longitude, hdop;
    int altitude;
    char fix;
};
FixedPositionReading ReadAtFixedPositions(const std::string& s) {
    FixedPositionReading r;
    double lat = std::stoi(s.substr(18, 2)) + std::stoi(s.substr(20, 2)) / 60.0 +
                 std::stod(s.substr(22, 5)) / 60.0;
    double lon = std::stoi(s.substr(30, 3)) + std::stoi(s.substr(33, 2)) / 60.0 +
                 std::stod(s.substr(35, 5)) / 60.0;
    r.latitude = s[28] == 'S' ? -lat : lat;
    r.longitude = s[41] == 'W' ? -lon : lon;
    r.fix = s[43];
    r.hdop = std::stod(s.substr(48, 4));
    r.altitude = std::stoi(s.substr(53));
    return r;
}

}  // namespace

TEST(Gga, ClassicExampleGivesThePublishedPosition) {
    auto fix = ParseGga(WithChecksum(kClassicBody));
    ASSERT_TRUE(fix);
    EXPECT_EQ(Fmt(fix->latitude), "48.117300");
    EXPECT_EQ(Fmt(fix->longitude), "11.516667");
    EXPECT_EQ(fix->altitudeMetres, 545);
    EXPECT_DOUBLE_EQ(fix->hdop, 0.94);
    EXPECT_FALSE(HdopNeedsConfirmation(*fix));
    EXPECT_EQ(fix->fixQuality, 1);
    EXPECT_EQ(fix->satellites, 8);
    EXPECT_EQ(fix->talker, "GP");
    EXPECT_TRUE(fix->hasTime);
    EXPECT_EQ(fix->hours, 12);
    EXPECT_EQ(fix->minutes, 35);
    EXPECT_EQ(fix->seconds, 19);
    EXPECT_EQ(fix->milliseconds, 0);
}

TEST(Gga, SouthAndWestAreNegative) {
    auto fix = ParseGga(
        WithChecksum("GPGGA,123519.000,4807.0380,S,01131.0000,W,1,08,0.94,545.4,M,46.9,M,,"));
    ASSERT_TRUE(fix);
    EXPECT_EQ(Fmt(fix->latitude), "-48.117300");
    EXPECT_EQ(Fmt(fix->longitude), "-11.516667");
}

TEST(Gga, CommaReadingAgreesWithFixedPositionsOnTheClassicLayout) {
    const char* variants[] = {
        "GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,",
        "GPGGA,000001.250,0000.0001,S,17959.9999,W,2,12,1.20,-12.7,M,0.0,M,,",
        "GPGGA,235959.999,8959.9999,N,00000.0000,E,1,04,9.99,8848,M,,M,,",
        "GPGGA,101010.100,3352.1280,S,15112.5000,E,0,00,3.01,0.0,M,,M,,",
    };
    for (const char* body : variants) {
        std::string s = WithChecksum(body);
        auto fix = ParseGga(s);
        ASSERT_TRUE(fix) << s;
        auto ref = ReadAtFixedPositions(s);
        EXPECT_EQ(Fmt(fix->latitude), Fmt(ref.latitude)) << s;
        EXPECT_EQ(Fmt(fix->longitude), Fmt(ref.longitude)) << s;
        EXPECT_EQ(fix->altitudeMetres, ref.altitude) << s;
        EXPECT_DOUBLE_EQ(fix->hdop, ref.hdop) << s;
        EXPECT_EQ(fix->fixQuality == 0, ref.fix == '0') << s;
    }
}

TEST(Gga, HdopLimitIsInclusive) {
    auto at = [](const char* hdop) {
        auto fix =
            ParseGga(WithChecksum(std::string("GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,") +
                                  hdop + ",545.4,M,46.9,M,,"));
        EXPECT_TRUE(fix) << hdop;
        return fix && HdopNeedsConfirmation(*fix);
    };
    EXPECT_FALSE(at("3.00"));
    EXPECT_FALSE(at("3.0"));
    EXPECT_TRUE(at("3.01"));
    EXPECT_TRUE(at("12.5"));
    EXPECT_FALSE(at(""));  // no HDOP reported: nothing to warn about
}

TEST(Gga, ShortAndLongFieldsReadByCommas) {
    // No milliseconds, three-decimal minutes, one-digit satellite count, short HDOP.
    auto a = ParseGga(WithChecksum("GNGGA,123519,4807.038,N,01131.000,E,1,8,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->talker, "GN");
    EXPECT_EQ(Fmt(a->latitude), "48.117300");
    EXPECT_EQ(Fmt(a->longitude), "11.516667");
    EXPECT_EQ(a->altitudeMetres, 545);
    EXPECT_DOUBLE_EQ(a->hdop, 0.9);
    EXPECT_EQ(a->milliseconds, 0);
    // Five-decimal minutes, two-digit fraction of a second, no checksum at all.
    auto b = ParseGga("$GPGGA,092750.05,5321.6802123,N,00630.3372456,W,1,11,0.8,1.2,M,,M,,");
    ASSERT_TRUE(b);
    EXPECT_NEAR(b->latitude, 53 + 21.6802123 / 60, 1e-12);
    EXPECT_NEAR(b->longitude, -(6 + 30.3372456 / 60), 1e-12);
    EXPECT_EQ(b->milliseconds, 50);
    EXPECT_EQ(b->altitudeMetres, 1);
}

TEST(Gga, RejectsDamagedOrForeignSentences) {
    std::string good = WithChecksum(kClassicBody);
    std::string badSum = good;
    badSum[badSum.size() - 1] = badSum.back() == '0' ? '1' : '0';
    EXPECT_FALSE(ParseGga(badSum));
    std::string flipped = good;
    flipped[20] = '9';  // one changed digit, checksum kept
    EXPECT_FALSE(ParseGga(flipped));
    EXPECT_FALSE(ParseGga(good.substr(0, good.size() - 1)));  // "*h"
    EXPECT_FALSE(ParseGga(good + "X"));                       // junk after the checksum
    EXPECT_FALSE(
        ParseGga(WithChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")));
    EXPECT_FALSE(
        ParseGga(WithChecksum("XXGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")));
    EXPECT_FALSE(ParseGga(WithChecksum("GPGGA,123519,4807.038,N")));  // truncated
    EXPECT_FALSE(
        ParseGga(WithChecksum("GPGGA,123519,48x7.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")));
    EXPECT_FALSE(
        ParseGga(WithChecksum("GPGGA,123519,4867.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")));
    EXPECT_FALSE(
        ParseGga(WithChecksum("GPGGA,123519,4807.038,X,01131.000,E,1,08,0.9,545.4,M,,M,,")));
    EXPECT_FALSE(
        ParseGga(WithChecksum("GPGGA,256000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")));
    EXPECT_FALSE(ParseGga(""));
    EXPECT_FALSE(ParseGga("$"));
}

TEST(Gga, NoFixSentencesParseWithoutPosition) {
    // What receivers send before their first fix: empty position fields.
    auto fix = ParseGga(WithChecksum("GPGGA,002153.000,,,,,0,00,,,M,,M,,"));
    ASSERT_TRUE(fix);
    EXPECT_EQ(fix->fixQuality, 0);
    EXPECT_FALSE(fix->hasPosition);
    EXPECT_FALSE(fix->hasHdop);
    EXPECT_FALSE(fix->hasAltitude);
    EXPECT_TRUE(fix->hasTime);
    // Quality 1 without a position is damage, not a fix.
    EXPECT_FALSE(ParseGga(WithChecksum("GPGGA,002153.000,,,,,1,04,1.0,,M,,M,,")));
}

TEST(NmeaAssembler, SentencesSplitAcrossReadsAndResynchronise) {
    NmeaSentenceAssembler a;
    EXPECT_TRUE(a.Feed("noise$GPGS").empty());
    auto done = a.Feed("V,1,2*00\r\n$GPG");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "$GPGSV,1,2*00");
    // A "$" mid-line drops the broken start; bare line ends give nothing.
    done = a.Feed("GA,1$GPZDA,1\r\n\r\n\n");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "$GPZDA,1");
    // An endless line without an end is dropped, and the next sentence still comes through.
    a.Feed("$" + std::string(5000, 'A'));
    done = a.Feed("\n$GPXYZ\n");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "$GPXYZ");
}

TEST(GgaCaptureTest, SkipsOtherSentencesAndBadChecksumsUntilAWholeGga) {
    GgaCapture cap;
    std::string good = WithChecksum(kClassicBody);
    std::string bad = good;
    bad[bad.size() - 2] = bad[bad.size() - 2] == 'F' ? 'E' : 'F';
    EXPECT_FALSE(cap.Feed(
        WithChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") + "\r\n"));
    EXPECT_FALSE(cap.Feed(
        WithChecksum("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00") + "\r\n"));
    EXPECT_FALSE(cap.Feed(bad + "\r\n"));
    // The header alone is not enough: the capture waits for the line end.
    EXPECT_FALSE(cap.Feed(good.substr(0, 30)));
    EXPECT_TRUE(cap.Feed(good.substr(30) + "\r\n$GPGGA,ignored"));
    EXPECT_EQ(cap.Sentence(), good);
    EXPECT_EQ(cap.SkippedSentences(), 3);
    EXPECT_EQ(cap.Fix().altitudeMetres, 545);
}

TEST(GgaFuzz, MutatedSentencesNeverGiveAnImpossiblePosition) {
    // Damage of every kind a serial line produces: flipped, dropped and doubled bytes.
    const std::string good = WithChecksum(kClassicBody) + "\r\n";
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string s = good;
        int edits = 1 + next() % 4;
        for (int e = 0; e < edits && !s.empty(); ++e) {
            std::size_t at = next() % s.size();
            switch (next() % 3) {
                case 0:
                    s[at] = static_cast<char>(next() & 0xFF);
                    break;
                case 1:
                    s.erase(at, 1);
                    break;
                default:
                    s.insert(at, 1, s[at]);
                    break;
            }
        }
        GgaCapture cap;
        if (cap.Feed(s) && cap.Feed("")) {
            ++accepted;
            const GgaFix& f = cap.Fix();
            EXPECT_LE(std::abs(f.latitude), 90.0) << s;
            EXPECT_LE(std::abs(f.longitude), 180.0) << s;
            EXPECT_GE(f.hdop, 0.0) << s;
        }
        ParseGga(s);
    }
    // Some damage leaves a valid sentence (line ends, byte pairs that cancel in the XOR).
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 2000);
}

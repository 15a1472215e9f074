// The Hamlib exchange, the rotator plan, Doppler and the tracker's decisions, without daemons.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "orbit/tle_file.h"
#include "radio/hamlib_commands.h"
#include "radio/hamlib_exchange.h"
#include "radio/rotator_plan.h"
#include "radio/tracker.h"
#include "radio/transmitters.h"

namespace orvanta {
namespace {

TEST(HamlibExchange, RepliesSplitAnywhereAndOneCommandAtATime) {
    HamlibExchange x;
    x.Queue("P 180.00 45.00", HamlibReplyShape::STATUS);
    x.Queue("p", HamlibReplyShape::VALUES, 2);
    EXPECT_EQ(x.TakeOutgoing(), "P 180.00 45.00\n");
    EXPECT_EQ(x.TakeOutgoing(), "");  // the second waits for the first reply
    x.Feed("RP");
    x.Feed("RT 0\r");
    EXPECT_TRUE(x.TakeReplies().empty());
    x.Feed("\n");
    auto r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].ok);
    EXPECT_EQ(r[0].command, "P 180.00 45.00");

    EXPECT_EQ(x.TakeOutgoing(), "p\n");
    x.Feed("180.000000\n4");
    EXPECT_TRUE(x.TakeReplies().empty());
    x.Feed("5.000000\n");
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].ok);
    const auto where = ParseRotatorPosition(r[0].values);
    ASSERT_TRUE(where);
    EXPECT_DOUBLE_EQ(where->az, 180.0);
    EXPECT_DOUBLE_EQ(where->el, 45.0);
}

TEST(HamlibExchange, ErrorsTimeOutsAndGarbage) {
    HamlibExchange x;
    // A get command answered by a status is a failure, whatever the code.
    x.Queue("f", HamlibReplyShape::VALUES, 1);
    x.TakeOutgoing();
    x.Feed("RPRT -11\n");
    auto r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_FALSE(r[0].ok);
    EXPECT_EQ(r[0].code, -11);
    EXPECT_EQ(HamlibErrorText(-11), "not available (RPRT -11)");

    // A refused set command.
    x.Queue("F abc", HamlibReplyShape::STATUS);
    x.TakeOutgoing();
    x.Feed("RPRT -1\n");
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_FALSE(r[0].ok);

    // No answer: the waiting command fails, the queue is dropped, a late answer is ignored.
    x.Queue("P 1 2", HamlibReplyShape::STATUS);
    x.Queue("P 3 4", HamlibReplyShape::STATUS);
    x.TakeOutgoing();
    x.Reset();
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, HamlibExchange::BROKEN);
    EXPECT_EQ(x.Queued(), 0u);
    x.Feed("RPRT 0\n");
    EXPECT_TRUE(x.TakeReplies().empty());

    // Something that is not a Hamlib daemon: an endless line fails the command.
    x.Queue("p", HamlibReplyShape::VALUES, 2);
    x.TakeOutgoing();
    x.Feed(std::string(5000, 'x'));
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, HamlibExchange::BROKEN);
}

// A peer that floods lines instead of answering: every reply shape stops at the same cap
// and fails its command, so the lines stored stay bounded whatever it sends.
TEST(HamlibExchange, FloodedRepliesFailAtTheCap) {
    HamlibExchange x;
    x.Queue("P 1 2", HamlibReplyShape::STATUS);
    x.TakeOutgoing();
    x.Feed(std::string(HamlibExchange::MAX_REPLY_LINES - 1, '\n'));
    EXPECT_TRUE(x.TakeReplies().empty());  // a few echoed lines before the status are fine
    x.Feed(std::string(1000000, '\n'));
    auto r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_FALSE(r[0].ok);
    EXPECT_EQ(r[0].code, HamlibExchange::TOO_LONG);
    EXPECT_LE(r[0].values.size(), HamlibExchange::MAX_REPLY_LINES);
    EXPECT_EQ(HamlibErrorText(r[0].code), "reply too long (not a Hamlib daemon?)");
    EXPECT_FALSE(x.AwaitingReply());

    // Long lines reach the byte cap before the line cap.
    const std::string line(HamlibExchange::MAX_LINE - 1, 'v');
    x.Queue("P 3 4", HamlibReplyShape::STATUS);
    x.TakeOutgoing();
    std::string flood;
    for (std::size_t i = 0; i < HamlibExchange::MAX_REPLY_BYTES / line.size() + 1; ++i)
        flood += line + "\n";
    x.Feed(flood);
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, HamlibExchange::TOO_LONG);

    // \dump_state that never says "done".
    QueueRotatorLimits(x);
    x.TakeOutgoing();
    for (int i = 0; i < 1000; ++i) x.Feed("min_az=0\n");
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, HamlibExchange::TOO_LONG);

    // The next command is read normally once the flood is over.
    x.Queue("S", HamlibReplyShape::STATUS);
    x.TakeOutgoing();
    x.Feed("RPRT 0\n");
    r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].ok);
}

TEST(HamlibCommands, LimitsFromDumpStateAndOtherAnswers) {
    HamlibExchange x;
    QueueRotatorLimits(x);
    EXPECT_EQ(x.TakeOutgoing(), "\\dump_state\n");
    x.Feed("1\n1\nmin_az=-180.000000\nmax_az=450.000000\nmin_el=0.000000\nmax_el=90.000000\n"
           "south_zero=0\nrot_type=AzEl\ndone\n");
    const auto r = x.TakeReplies();
    ASSERT_EQ(r.size(), 1u);
    const auto limits = ParseRotatorLimits(r[0].values);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->azMin, -180.0);
    EXPECT_EQ(limits->azMax, 450.0);
    EXPECT_EQ(limits->elMax, 90.0);
    // Older daemons' layout, and nonsense, leave the configured limits alone.
    EXPECT_FALSE(ParseRotatorLimits({"2", "0.000000", "360.000000"}));
    EXPECT_FALSE(ParseRotatorLimits({"min_az=0", "max_az=10", "min_el=0", "max_el=90"}));

    EXPECT_EQ(ParseRadioFrequency({"145800000"}), 145800000);
    EXPECT_FALSE(ParseRadioFrequency({"VFOA"}));
    QueueRadioFrequencies(x, 437808827, 145987056);
    EXPECT_EQ(x.TakeOutgoing(), "F 437808827\n");
    QueueRadioMode(x, "fm");

    std::string host;
    int port = 0;
    EXPECT_TRUE(ParseHostPort("127.0.0.1:4533", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 4533);
    EXPECT_TRUE(ParseHostPort("[::1]:4532", host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_FALSE(ParseHostPort("localhost", host, port));
    EXPECT_FALSE(ParseHostPort("localhost:0", host, port));
    EXPECT_FALSE(ParseHostPort("localhost:70000", host, port));
}

// A track from az0 to az1 (degrees, continuous, may pass 360) with a peak elevation.
std::vector<LookAngle> Track(double az0, double az1, double peak) {
    std::vector<LookAngle> t;
    for (int i = 0; i <= 100; ++i) {
        const double f = i / 100.0;
        t.push_back({std::fmod(az0 + (az1 - az0) * f + 720.0, 360.0), peak * std::sin(M_PI * f)});
    }
    return t;
}

TEST(RotatorPlan, APassAcrossNorthIsFlownFlippedOnlyWhereItMustBe) {
    const RotatorLimits plain{0, 360, 0, 90};
    const RotatorLimits overTheTop{0, 360, 0, 180};
    const RotatorLimits overlap{-180, 540, 0, 90};

    // West to east through north: the 0/360 stop lies inside the pass.
    const auto north = Track(300, 420, 70);
    const RotatorPlan flipped = PlanPass(north, overTheTop);
    EXPECT_EQ(flipped.mode, RotatorMode::FLIPPED);
    EXPECT_TRUE(flipped.fits);
    EXPECT_NEAR(flipped.startAz, 120.0, 1e-9);
    EXPECT_NEAR(flipped.startEl, 180.0, 1e-9);
    // Flown flipped, every command stays inside 0..360 and moves smoothly: no full turn.
    double previous = flipped.startAz;
    for (const LookAngle& look : north) {
        const LookAngle c = RotatorCommand(flipped, look, previous, overTheTop);
        EXPECT_GE(c.az, 0.0);
        EXPECT_LE(c.az, 360.0);
        EXPECT_LT(std::abs(c.az - previous), 5.0);
        EXPECT_NEAR(c.el, 180.0 - look.el, 1e-9);
        previous = c.az;
    }
    // A rotator with room past the stop flies it as it is, from 300 on to 420.
    const RotatorPlan wide = PlanPass(north, overlap);
    EXPECT_EQ(wide.mode, RotatorMode::NORMAL);
    EXPECT_NEAR(wide.startAz, 300.0, 1e-9);
    EXPECT_NEAR(RotatorCommand(wide, north.back(), 419.0, overlap).az, 420.0, 1e-9);
    // Without either, no plan avoids the swing, and the plan says so.
    EXPECT_FALSE(PlanPass(north, plain).fits);

    // East to west through south never meets the stop: flown normally everywhere.
    const auto south = Track(100, 250, 60);
    for (const RotatorLimits& limits : {plain, overTheTop, overlap}) {
        const RotatorPlan plan = PlanPass(south, limits);
        EXPECT_EQ(plan.mode, RotatorMode::NORMAL);
        EXPECT_TRUE(plan.fits);
        EXPECT_NEAR(plan.startAz, 100.0, 1e-9);
    }
}

TEST(Doppler, ShiftsByTheRangeRate) {
    // 7 km/s towards the station on 437.8 MHz: 10.22 kHz up on the downlink, and the uplink
    // sent as much low so the satellite hears it on frequency.
    EXPECT_NEAR(DopplerDownlink(437.8e6, -7.0), 437.8e6 + 10222.405, 0.001);
    EXPECT_NEAR(DopplerUplink(437.8e6, -7.0), 437.8e6 - 10222.405, 0.001);
    EXPECT_EQ(DopplerDownlink(145.8e6, 0.0), 145.8e6);
}

std::vector<TleRecord> Sample() {
    TleReadResult file;
    std::string error;
    EXPECT_TRUE(ReadTleFile(std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle", file, error))
        << error;
    return file.records;
}

cElementSet Iss() {
    for (const TleRecord& r : Sample())
        if (cElementSet(r.name, r.line1, r.line2).CatalogueNumber() == 25544)
            return cElementSet(r.name, r.line1, r.line2);
    ADD_FAILURE() << "no ISS in the sample";
    return cElementSet("", "", "");
}

constexpr double kSecond = 1.0 / 86400.0;
// 2026-05-08 20:24:00 UTC.
constexpr double kEvening = 2461169.35;

TEST(SatelliteTracker, ParksBeforeAosTracksWithinThresholdsAndParksAfterLos) {
    const ObserverLocation greenwich{46, 51.4779, -0.0015};
    TrackerSettings settings;
    settings.downlinkHz = 437.8e6;
    settings.uplinkHz = 145.99e6;
    settings.parkAz = 10.0;
    settings.parkEl = 5.0;
    SatelliteTracker tracker(Iss(), greenwich, settings);

    int rotatorSends = 0, radioSends = 0, tracking = 0;
    bool parkedSeen = false;
    std::optional<LookAngle> lastSent;
    for (int k = 0; k < 20 * 60; ++k) {
        const double jd = kEvening + k * kSecond;
        const TrackStep s = tracker.Step(jd);
        ASSERT_TRUE(s.computed);
        ASSERT_NE(tracker.Aos(), 0.0);
        const double toAos = (tracker.Aos() - jd) * 86400.0;
        if (s.phase == TrackPhase::WAITING && !parkedSeen) {
            EXPECT_GT(toAos, 119.0);
            EXPECT_FALSE(s.rotator);
        }
        if (s.phase == TrackPhase::PARKING) {
            EXPECT_LE(toAos, 120.0);
            ASSERT_TRUE(s.rotator);
            EXPECT_NEAR(s.rotator->az, tracker.Plan().startAz, 1e-9);
            // The radio is preset for the first second of the pass.
            ASSERT_TRUE(s.downlinkHz);
            EXPECT_GT(*s.downlinkHz, 437.8e6);  // approaching
        }
        if (s.phase == TrackPhase::TRACKING) {
            ++tracking;
            ASSERT_TRUE(s.rotator);
            // The command in effect never lags the satellite by more than the threshold.
            EXPECT_LE(std::abs(s.rotator->az - s.look.az), 1.0 + 1e-9);
            EXPECT_LE(std::abs(s.rotator->el - s.look.el), 1.0 + 1e-9);
            // and the radio never by more than 10 Hz.
            EXPECT_LE(std::abs(*s.downlinkHz -
                               std::llround(DopplerDownlink(437.8e6, s.rangeRateKmS))),
                      10);
            EXPECT_LE(std::abs(*s.uplinkHz - std::llround(DopplerUplink(145.99e6, s.rangeRateKmS))),
                      10);
        }
        if (s.phase == TrackPhase::PARKED) {
            parkedSeen = true;
            ASSERT_TRUE(s.sendRotator);
            EXPECT_EQ(s.rotator->az, 10.0);
            EXPECT_EQ(s.rotator->el, 5.0);
        }
        if (s.sendRotator) {
            ++rotatorSends;
            if (lastSent && s.phase == TrackPhase::TRACKING) {
                EXPECT_TRUE(std::abs(lastSent->az - s.rotator->az) > 1.0 ||
                            std::abs(lastSent->el - s.rotator->el) > 1.0);
            }
            lastSent = s.rotator;
        }
        radioSends += s.sendRadio;
    }
    EXPECT_TRUE(parkedSeen);
    EXPECT_GT(tracking, 500);  // the 9.5-minute pass of that evening
    // Slow rotators are not flooded: far fewer commands than seconds.
    EXPECT_LT(rotatorSends, tracking / 3);
    EXPECT_GT(radioSends, tracking / 2);  // Doppler moves more than 10 Hz most seconds
}

TEST(SatelliteTracker, ResendsWhatDidNotArriveAndFollowsTheRotatorsLimits) {
    const ObserverLocation greenwich{46, 51.4779, -0.0015};
    TrackerSettings settings;
    settings.limits = {0, 360, 0, 180};
    SatelliteTracker tracker(Iss(), greenwich, settings);
    // 2026-05-08 00:25 UTC: the pass through the north of the zenith that night.
    const double night = 2461168.517361111;
    TrackStep s = tracker.Step(night);
    ASSERT_EQ(s.phase, TrackPhase::PARKING);
    EXPECT_EQ(tracker.Plan().mode, RotatorMode::FLIPPED);
    EXPECT_TRUE(s.sendRotator);
    s = tracker.Step(night + kSecond);
    EXPECT_FALSE(s.sendRotator);
    tracker.RotatorNotSent();
    s = tracker.Step(night + 2 * kSecond);
    EXPECT_TRUE(s.sendRotator);
    // A rotator that reports room past the stop flies the same pass normally.
    tracker.SetLimits({-180, 540, 0, 90});
    EXPECT_EQ(tracker.Plan().mode, RotatorMode::NORMAL);
    EXPECT_TRUE(tracker.Plan().fits);
}

TEST(Transmitters, TableUserEntriesAndOffsets) {
    int skipped = 0;
    const auto table = ParseTransmitterTable(
        "# comment\n"
        "25544,437800000,FM,\"Mode V/U FM, Voice Repeater\"\n"
        "25544,145800000,FM,Mode V\n"
        "25544,x,FM,broken\n"
        "0,145800000,FM,no satellite\n"
        "43017,435350000,FM,AO-91\r\n",
        &skipped);
    EXPECT_EQ(skipped, 2);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].description, "Mode V/U FM, Voice Repeater");

    std::vector<Transmitter> user{{25544, "my; repeater\n", 437800000, 145990000, "FM", true}};
    const auto stored = FormatUserTransmitters(user);
    const auto back = ParseUserTransmitters(stored + "garbage\n1;2\n");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].uplinkHz, 145990000);
    EXPECT_EQ(back[0].description, "my  repeater ");

    const auto list = TransmittersOf(25544, table, back);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].user);
    EXPECT_EQ(list[1].downlinkHz, 145800000);  // built-in ones by frequency
    EXPECT_EQ(TransmitterLabel(list[1]), "145.800 MHz FM - Mode V");

    const auto offsets = ParseFrequencyOffsets("25544=-1200\n43017=350\nbad\n7=99999999999\n");
    ASSERT_EQ(offsets.size(), 2u);
    EXPECT_EQ(offsets.at(25544), -1200);
    EXPECT_EQ(ParseFrequencyOffsets(FormatFrequencyOffsets(offsets)), offsets);
}

TEST(Transmitters, BuiltInTableLoadsWhole) {
    std::ifstream in(std::string(ORVANTA_SOURCE_DIR) + "/resources/transmitters.gz",
                     std::ios::binary);
    ASSERT_TRUE(in);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    int skipped = -1;
    const auto table = LoadTransmitterTable(bytes, &skipped);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(table.size(), 2925u);
    bool repeater = false;
    for (const Transmitter& t : TransmittersOf(25544, table, {}))
        repeater |= t.downlinkHz == 437800000 && t.mode == "FM" && t.uplinkHz == 145990000;
    EXPECT_TRUE(repeater) << "the ISS repeater with its uplink";
    // SO-50's repeater and RS-44's inverting linear transponder (SatNOGS DB).
    bool so50 = false, rs44 = false;
    for (const Transmitter& t : TransmittersOf(27607, table, {}))
        so50 |= t.downlinkHz == 436795000 && t.uplinkHz == 145850000 && !t.IsTransponder();
    for (const Transmitter& t : TransmittersOf(44909, table, {}))
        rs44 |= t.downlinkHz == 435610000 && t.downlinkHighHz == 435670000 &&
                t.uplinkHz == 145935000 && t.uplinkHighHz == 145995000 && t.inverting;
    EXPECT_TRUE(so50);
    EXPECT_TRUE(rs44);
}

TEST(Transmitters, UplinksPassbandsAndAnInvertingTransponder) {
    int skipped = 0;
    const auto table = ParseTransmitterTable(
        "44909,435610000,USB,Lin,145935000,435670000,145995000,1\n"
        "27607,436795000,FM,Voice,145850000,0,0,0\n"
        "1,435610000,USB,high edge below low,145935000,435600000,145995000,0\n"
        "1,435610000,USB,inverting 2,145935000,435670000,145995000,2\n"
        "1,435610000,USB,five fields,145935000\n",
        &skipped);
    EXPECT_EQ(skipped, 3);
    ASSERT_EQ(table.size(), 2u);
    const Transmitter& lin = table[0];
    ASSERT_TRUE(lin.IsTransponder());
    EXPECT_FALSE(table[1].IsTransponder());
    EXPECT_EQ(TransponderUplinkHz(table[1], 436795000), 145850000);
    EXPECT_EQ(TransmitterLabel(lin),
              "435.610-435.670 MHz, up 145.935-145.995 MHz inverting USB - Lin");

    // Inverting: uplink up means downlink down, the band edges swapped; never outside it.
    EXPECT_EQ(TransponderUplinkHz(lin, 435650000), 145955000);
    EXPECT_EQ(TransponderUplinkHz(lin, 435670000), 145935000);
    EXPECT_EQ(TransponderUplinkHz(lin, 435610000), 145995000);
    EXPECT_EQ(TransponderUplinkHz(lin, 435000000), 145995000);
    Transmitter straight = lin;
    straight.inverting = false;
    EXPECT_EQ(TransponderUplinkHz(straight, 435650000), 145975000);

    // Doppler on each side, approaching at 3 km/s: the downlink is heard 4359.5 Hz high, the
    // uplink is sent 1460.6 Hz low so the satellite hears 145.955 MHz.
    const double down = DopplerDownlink(435650000.0, -3.0);
    const double up = DopplerUplink(static_cast<double>(TransponderUplinkHz(lin, 435650000)), -3.0);
    EXPECT_NEAR(down, 435654359.52, 0.01);
    EXPECT_NEAR(up, 145953539.44, 0.01);
}

}  // namespace
}  // namespace orvanta

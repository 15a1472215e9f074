// Iridium flares and lunar passes: the candidate rule, the antenna geometry, the flare and
// lunar state machines, and the engine's skipping checked against stepping every second.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "astro/sun_moon.h"
#include "catalogue/flare.h"
#include "catalogue/lunar_pass.h"
#include "catalogue/pass_finder.h"
#include "orbit/globals.h"
#include "pass_test_util.h"

namespace orvanta {
namespace {

const std::string kData = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/";

TEST(FlareCandidate, NamesAndGenerations) {
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 8 [+]           ", "97020A  "));
    // The satellites known not to flare, by exact name.
    for (const char* name : {"IRIDIUM 73", "IRIDIUM 69", "IRIDIUM 24", "IRIDIUM 71", "IRIDIUM 2",
                             "IRIDIUM 914", "IRIDIUM 911", "IRIDIUM 16", "IRIDIUM 920",
                             "IRIDIUM 921", "IRIDIUM 44", "IRIDIUM 38", "IRIDIUM 17"}) {
        EXPECT_FALSE(IsFlareCandidate(name, "97020A  ")) << name;
        EXPECT_TRUE(IsFlareCandidate(std::string(name) + "0", "97020A  ")) << name;
    }
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 7"));
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 21"));
    // Only the whole name is excluded: a further digit or a trailing blank is a candidate.
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 730"));
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 73 "));
    EXPECT_TRUE(IsFlareCandidate("DUMMY IRIDIUM 5"));
    EXPECT_FALSE(IsFlareCandidate("Iridium 5"));  // case-sensitive
    EXPECT_FALSE(IsFlareCandidate("ISS (ZARYA)"));
    // The second generation (launched from 2017) has no flaring antennas.
    EXPECT_FALSE(IsFlareCandidate("IRIDIUM 106", "17003A  "));
    EXPECT_TRUE(IsFlareCandidate("IRIDIUM 91", "02005A  "));
    EXPECT_EQ(LaunchYear("97020A  "), 1997);
    EXPECT_EQ(LaunchYear("17003A  "), 2017);
    EXPECT_EQ(LaunchYear("        "), 0);
}

TEST(FlareMagnitudeRule, FormulaAndLimits) {
    EXPECT_DOUBLE_EQ(FlareMagnitude(0.0), -8.0);
    EXPECT_NEAR(FlareMagnitude(1.999), -0.2374, 1e-3);
    EXPECT_NEAR(FlareMagnitude(1.0), -1.6716, 1e-12);
    EXPECT_DOUBLE_EQ(FlareMagnitude(100.0), 1.0);
}

// A circular orbit along +y at x = 7000 km: velocity +y, orbit normal +z, away from the
// Earth +x. Antenna 0 (azimuth 0, tilt -40) faces along v, tilted 40 degrees Earthwards.
struct Frame {
    cVector pos{7000.0, 0.0, 0.0};
    cVector vel{0.0, 7.5, 0.0};
    cVector m0{-std::sin(DegToRad(40.0)), std::cos(DegToRad(40.0)), 0.0};
};

TEST(FlareGeometry, MirrorSendsSunlightBackAlongTheNormal) {
    const Frame f;
    // Observer straight in front of antenna 0: the line of sight runs along -m; the Sun
    // must then lie along +m (behind the observer) for a perfect flare.
    const cVector los{-1000.0 * f.m0.x, -1000.0 * f.m0.y, 0.0};
    const double sunRa = RadToDeg(std::atan2(f.m0.y, f.m0.x));
    EXPECT_NEAR(FlareAngle(f.pos, f.vel, los, sunRa, 0.0, -40.0, 0.0), 0.0, 1e-6);
    EXPECT_NEAR(FlareAngle(f.pos, f.vel, los, sunRa + 180.0, 0.0, -40.0, 0.0), 180.0, 1e-6);
    EXPECT_NEAR(FlareAngle(f.pos, f.vel, los, sunRa, 10.0, -40.0, 0.0), 10.0, 1e-6);
    // Seen from behind the antenna: 180 whatever the Sun does.
    const cVector behind{1000.0 * f.m0.x, 1000.0 * f.m0.y, 0.0};
    EXPECT_EQ(FlareAngle(f.pos, f.vel, behind, sunRa, 0.0, -40.0, 0.0), 180.0);
    bool faces = true;
    FlareSeparation(f.pos, f.vel, behind, sunRa, 0.0, -40.0, 0.0, &faces);
    EXPECT_FALSE(faces);
}

TEST(FlareGeometry, AllAntennasFaceTheGroundBelow) {
    const Frame f;
    const cVector below{800.0, 0.0, 0.0};  // observer under the satellite, looking up
    for (double az : FLARE_ANTENNA_AZIMUTH_DEG) {
        bool faces = false;
        FlareSeparation(f.pos, f.vel, below, 0.0, 0.0, FLARE_ANTENNA_TILT_DEG, az, &faces);
        EXPECT_TRUE(faces) << az;
    }
}

TEST(FlareStateMachine, ThresholdStartEndAndNoSecondFlare) {
    FlareTracker tracker;
    tracker.Reset();
    PassRecord r{};
    FlareTracker::Geometry g;
    g.azimuthDeg = 123.0;
    g.elevationDeg = 45.0;
    g.rangeKm = 900.0;
    auto step = [&](double jd, double theta) {
        return tracker.StepAngles(jd, {theta, 50.0, 180.0}, g, r);
    };
    EXPECT_EQ(step(1.0, 2.0), 0u);  // exactly 2 neither starts ...
    EXPECT_EQ(r.flareStart[0], 0.0);
    EXPECT_EQ(step(2.0, 1.5), 0u);
    EXPECT_EQ(r.flareStart[0], 2.0);
    EXPECT_EQ(step(3.0, 0.4), 0u);
    EXPECT_EQ(step(4.0, 2.0), 0u);  // ... nor ends
    EXPECT_EQ(r.flareEnd[0], 0.0);
    EXPECT_EQ(step(5.0, 2.5), 1u);  // ends: antenna 0
    EXPECT_EQ(r.flareEnd[0], 5.0);
    EXPECT_NEAR(r.flareMagnitude, FlareMagnitude(0.4), 1e-12);
    EXPECT_EQ(r.flareAzimuth, 123.0);
    EXPECT_EQ(r.flareElevation, 45.0);
    EXPECT_EQ(r.flareRange, 900.0);
    EXPECT_EQ(r.LastCompletedFlare(), 0);
    // The same antenna does not flare again within this record.
    EXPECT_EQ(step(6.0, 0.1), 0u);
    EXPECT_EQ(step(7.0, 5.0), 0u);
    EXPECT_EQ(r.flareStart[0], 2.0);
    EXPECT_EQ(r.flareEnd[0], 5.0);
    EXPECT_EQ(FlareDetailsText("12:00:00", r), "Flare at: 12:00:00 M: -3.6 Az: 123.0 El: 45.0");
}

TEST(FlareStateMachine, TwoAntennasEndingInOneStepAnnounceTheirOwnValues) {
    FlareTracker tracker;
    tracker.Reset();
    PassRecord r{};
    FlareTracker::Geometry g;
    g.azimuthDeg = 200.0;
    g.elevationDeg = 30.0;
    g.rangeKm = 1200.0;
    EXPECT_EQ(tracker.StepAngles(1.0, {1.5, 1.9, 180.0}, g, r), 0u);
    EXPECT_EQ(tracker.StepAngles(2.0, {0.1, 1.0, 180.0}, g, r), 0u);
    std::vector<std::string> lines;
    const auto announce = [&](int i, const PassRecord& rec) {
        lines.push_back(std::to_string(i) + " " + FlareDetailsText("12:00:00", rec));
    };
    g.azimuthDeg = 210.0;
    EXPECT_EQ(tracker.StepAngles(3.0, {2.5, 3.0, 180.0}, g, r, announce), 3u);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0 Flare at: 12:00:00 M: -6.4 Az: 210.0 El: 30.0");  // smallest 0.1
    EXPECT_EQ(lines[1], "1 Flare at: 12:00:00 M: -1.7 Az: 210.0 El: 30.0");  // smallest 1.0
    EXPECT_EQ(r.flareEnd[0], 3.0);
    EXPECT_EQ(r.flareEnd[1], 3.0);
}

TEST(LunarBox, SquareBoxAcrossNorth) {
    EXPECT_TRUE(InsideMoonDisc(359.9, 20.0, 0.1, 20.0, 0.26));
    EXPECT_TRUE(InsideMoonDisc(0.1, 20.0, 359.9, 20.0, 0.26));
    EXPECT_FALSE(InsideMoonDisc(10.0, 20.0, 10.0, 20.26, 0.26));  // strict
    EXPECT_TRUE(InsideMoonDisc(10.2, 20.2, 10.0, 20.0, 0.26));    // a corner of the box
    EXPECT_NEAR(MoonApparentRadius(363000.0), 987.53 / 3600.0 * 1.0, 1e-4);
}

TEST(LunarTransitions, EnterLeaveAndMoonSetting) {
    LunarTracker t;
    PassRecord r{};
    const double d = 384400.0;  // radius about 0.259 degrees
    EXPECT_EQ(t.Step(1.0, 100.0, 30.0, 100.0, 10.0, d, r), LunarTracker::LUNAR_NONE);
    EXPECT_EQ(t.Step(2.0, 100.0, 10.1, 100.0, 10.0, d, r), LunarTracker::LUNAR_STARTED);
    EXPECT_EQ(r.lunarStart, 2.0);
    EXPECT_EQ(t.Step(3.0, 100.1, 10.0, 100.0, 10.0, d, r), LunarTracker::LUNAR_NONE);
    EXPECT_EQ(t.Step(4.0, 101.0, 10.0, 100.0, 10.0, d, r), LunarTracker::LUNAR_FOUND);
    EXPECT_EQ(r.lunarEnd, 4.0);
    EXPECT_FALSE(t.UnderWay());

    // The Moon sets while the satellite is in front of it: the pass ends with the Moon
    // and no "found" follows.
    PassRecord s{};
    EXPECT_EQ(t.Step(5.0, 200.0, 0.1, 200.0, 0.05, d, s), LunarTracker::LUNAR_STARTED);
    EXPECT_EQ(t.Step(6.0, 200.0, 0.05, 200.0, -0.01, d, s), LunarTracker::LUNAR_MOON_SET);
    EXPECT_EQ(s.lunarEnd, 6.0);
    EXPECT_EQ(t.Step(7.0, 205.0, 1.0, 200.0, -0.02, d, s), LunarTracker::LUNAR_NONE);
    EXPECT_EQ(t.EndOfPass(8.0, s), LunarTracker::LUNAR_NONE);
    EXPECT_EQ(s.lunarEnd, 6.0);

    // Still in front of the Moon when the satellite sets: closed at LOS.
    PassRecord u{};
    t.Step(9.0, 50.0, 0.2, 50.0, 0.2, d, u);
    EXPECT_EQ(t.EndOfPass(10.0, u), LunarTracker::LUNAR_FOUND);
    EXPECT_EQ(u.lunarEnd, 10.0);
    EXPECT_FALSE(t.UnderWay());
}

// ---- the engine's skipping against the per-second steps ------------------------------

struct Engine {
    std::vector<PassRecord> passes;
    std::vector<std::pair<int, std::string>> log;
};

Engine RunEngine(const PassSearchSatellite& sat, const ObserverLocation& obs, double now,
                 double until, bool flares, bool lunar) {
    Engine e;
    SatelliteSearchContext ctx;
    ctx.now = now;
    ctx.observer = obs;
    ctx.options.passesPerSatellite = 100;
    ctx.options.untilJd = until;
    ctx.options.searchIridiumFlares = flares;
    ctx.options.searchLunarPasses = lunar;
    ctx.log = [&e](int level, const std::string& t) { e.log.emplace_back(level, t); };
    e.passes.resize(100);
    const auto r = SearchSatellitePasses(sat, 0, ctx, e.passes.data());
    e.passes.resize(static_cast<std::size_t>(r.passes));
    return e;
}

// Flare and lunar fields of one pass, stepping every second from AOS to LOS.
PassRecord EverySecond(const PassSearchSatellite& sat, const ObserverLocation& obs, double now,
                       const PassRecord& pass, bool flares, bool lunar) {
    const cElementSet el(sat.name, sat.line1, sat.line2);
    const cOrbit orbit(el);
    const cSite site(obs.latitude, obs.longitude, obs.altitudeMetres / 1000);
    const AstroSite astro(obs.latitude, obs.longitude);
    const double t0 = (now - orbit.Epoch().Date()) * 1440.0;
    PassRecord r{};
    FlareTracker flare;
    flare.Reset();
    LunarTracker moon;
    const long long a = test::SecondsFrom(now, pass.aos), b = test::SecondsFrom(now, pass.los);
    for (long long k = a; k < b; ++k) {
        cEci eci;
        orbit.PositionAt(t0 + k / 60.0, eci);
        const cCoordTopo topo = site.LookAngles(eci);
        const double jd = now + k / 86400.0;
        if (flares) {
            FlareTracker::Geometry g;
            g.pos = eci.Pos();
            g.vel = eci.Vel();
            g.lineOfSight = site.GetRangeVector(eci);
            SunEquatorial(jd, g.sunRaDeg, g.sunDecDeg);
            g.azimuthDeg = RadToDeg(topo.az);
            g.elevationDeg = RadToDeg(topo.el);
            g.rangeKm = topo.range;
            flare.Step(jd, g, r);
        }
        if (lunar) {
            double maz, mel, md;
            MoonHorizontal(jd, astro, maz, mel, md);
            moon.Step(jd, RadToDeg(topo.az), RadToDeg(topo.el), maz, mel, md, r);
        }
    }
    moon.EndOfPass(pass.los, r);
    return r;
}

TEST(FlareSearch, FirstGenerationIridiumFlaresMatchStepping) {
    const auto sats = test::LoadSatellites(kData + "iridium_2014.tle");
    ASSERT_GE(sats.size(), 90u);
    const ObserverLocation paris{35, 48.8566, 2.3522};
    const double now = 2456920.5;  // 2014-09-19 0h UTC
    int flares = 0, announced = 0, checkedPasses = 0;
    for (std::size_t i = 0; i < sats.size(); i += 3) {
        const Engine e = RunEngine(sats[i], paris, now, now + 3.0, true, false);
        for (const auto& [level, text] : e.log)
            if (level == 3 && text.rfind("Flare found: ", 0) == 0) ++announced;
        for (const PassRecord& p : e.passes) {
            for (int a = 0; a < FLARE_ANTENNAS; ++a) {
                if (p.flareEnd[a] == 0.0) continue;
                ++flares;
                EXPECT_GE(p.flareStart[a], p.aos);
                EXPECT_LE(p.flareEnd[a], p.los);
                EXPECT_LT(p.flareStart[a], p.flareEnd[a]);
            }
            if (p.LastCompletedFlare() >= 0) {
                EXPECT_GE(p.flareMagnitude, -8.0);
                EXPECT_LE(p.flareMagnitude, 1.0);
                EXPECT_GT(p.flareElevation, 0.0);
            }
            const bool flared = p.flareStart[0] + p.flareStart[1] + p.flareStart[2] != 0.0;
            if (checkedPasses < 120 || flared) {
                ++checkedPasses;
                const PassRecord s = EverySecond(sats[i], paris, now, p, true, false);
                for (int a = 0; a < FLARE_ANTENNAS; ++a) {
                    EXPECT_NEAR(p.flareStart[a], s.flareStart[a], 1e-9) << sats[i].name;
                    EXPECT_NEAR(p.flareEnd[a], s.flareEnd[a], 1e-9) << sats[i].name;
                }
                EXPECT_EQ(p.flareMagnitude, s.flareMagnitude);
            }
        }
    }
    EXPECT_GE(flares, 8);
    EXPECT_EQ(announced, flares);
}

TEST(FlareSearch, OffUnlessAskedAndNotForOtherSatellites) {
    const auto sats = test::LoadSatellites(kData + "iridium_2014.tle");
    const ObserverLocation paris{35, 48.8566, 2.3522};
    const double now = 2456920.5;
    const Engine off = RunEngine(sats[0], paris, now, now + 2.0, false, false);
    for (const auto& p : off.passes)
        EXPECT_EQ(p.flareStart[0] + p.flareStart[1] + p.flareStart[2], 0.0);
    PassSearchSatellite renamed = sats[0];
    renamed.name = "IRIDIUM 73";  // excluded by name
    const Engine excluded = RunEngine(renamed, paris, now, now + 2.0, true, false);
    ASSERT_EQ(excluded.passes.size(), off.passes.size());
    for (const auto& p : excluded.passes)
        EXPECT_EQ(p.flareStart[0] + p.flareStart[1] + p.flareStart[2], 0.0);
}

TEST(LunarSearch, LunarPassesMatchStepping) {
    const auto sats = test::LoadSatellites(kData + "lunar_passes.tle");
    ASSERT_EQ(sats.size(), 4u);
    const ObserverLocation greenwich{0, 51.4779, -0.0015};
    const double now = 2461168.25;  // 2026-05-07 18:00 UTC
    int found = 0;
    for (const auto& sat : sats) {
        const Engine e = RunEngine(sat, greenwich, now, now + 0.75, false, true);
        bool any = false;
        for (const PassRecord& p : e.passes) {
            const PassRecord s = EverySecond(sat, greenwich, now, p, false, true);
            EXPECT_NEAR(p.lunarStart, s.lunarStart, 1e-9) << sat.name;
            EXPECT_NEAR(p.lunarEnd, s.lunarEnd, 1e-9) << sat.name;
            if (p.lunarStart != 0.0) {
                any = true;
                EXPECT_GE(p.lunarStart, p.aos);
                EXPECT_GT(p.lunarEnd, p.lunarStart);
                EXPECT_LE(p.lunarEnd, p.los);
                EXPECT_LT((p.lunarEnd - p.lunarStart) * 86400.0, 120.0);
            }
        }
        found += any ? 1 : 0;
        bool logged = false;
        for (const auto& [level, text] : e.log)
            logged = logged || (level == 3 && text.rfind("Lunar pass found", 0) == 0);
        EXPECT_EQ(logged, any) << sat.name;
    }
    EXPECT_EQ(found, 4);
}

}  // namespace
}  // namespace orvanta

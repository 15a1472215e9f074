// The batch propagator against cOrbit::PositionAt: the same success or failure everywhere and
// states within a millimetre and a millimetre per second, over the verification sets and the
// whole built-in catalogue from a day before to three days after each epoch.
#include "orbit/sgp4_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "orbit/sgp4_batch_math.h"
#include "orbit/site.h"
#include "orbit/site_look_batch.h"
#include "orbit/tle_file.h"

namespace orvanta {
namespace {

constexpr double kOneMillimetre = 1e-6;  // km, and km/s

std::vector<cOrbit> ReadOrbits(const std::string& path) {
    TleReadResult result;
    std::string error;
    EXPECT_TRUE(ReadTleFile(path, result, error)) << error;
    std::vector<cOrbit> orbits;
    for (const TleRecord& r : result.records)
        orbits.emplace_back(cElementSet(r.name, r.line1, r.line2));
    return orbits;
}

std::vector<double> Times(double from, double to, double step) {
    std::vector<double> t;
    for (double x = from; x <= to; x += step) t.push_back(x);
    return t;
}

struct Agreement {
    // Largest position difference (km) and velocity difference (km/s). A set that has decayed
    // but still passes the model's checks (29141 a day after epoch) can move at 5e5 km/s; its
    // velocity difference is taken relative to 10 km/s, the rounding being relative too.
    double pos = 0.0, vel = 0.0;
    long ok = 0, failed = 0, mismatched = 0;
};

// Every (time, set) of out against the scalar propagator at tsince(time, set).
template <typename Since>
Agreement Compare(const std::vector<cOrbit>& orbits, const cSgp4BatchStates& out, Since tsince) {
    Agreement a;
    for (std::size_t time = 0; time < out.times; ++time) {
        for (std::size_t set = 0; set < out.sets; ++set) {
            const std::size_t i = out.Index(time, set);
            cEci eci;
            const bool ok = orbits[set].PositionAt(tsince(time, set), eci);
            const std::uint8_t want = !orbits[set].IsValid() ? SGP4_BATCH_INVALID
                                      : ok                   ? SGP4_BATCH_OK
                                                             : SGP4_BATCH_FAILED;
            if (out.status[i] != want) {
                ++a.mismatched;
                continue;
            }
            if (!ok) {
                ++a.failed;
                continue;
            }
            ++a.ok;
            a.pos =
                std::max({a.pos, std::fabs(out.x[i] - eci.Pos().x),
                          std::fabs(out.y[i] - eci.Pos().y), std::fabs(out.z[i] - eci.Pos().z)});
            const double dv =
                std::max({std::fabs(out.vx[i] - eci.Vel().x), std::fabs(out.vy[i] - eci.Vel().y),
                          std::fabs(out.vz[i] - eci.Vel().z)});
            a.vel = std::max(a.vel, dv / std::max(1.0, eci.Vel().Magnitude() / 10.0));
        }
    }
    return a;
}

TEST(Sgp4BatchMath, SinCosAtanAndReductionMeetTheLibrary) {
    // Quadrant edges, the reduction's far end and ordinary arguments; relative to the size of
    // the value, as an angle error of 1e-15 rad is 7 nm at 7000 km.
    double worst = 0.0, worstAtan = 0.0, worstMod = 0.0;
    for (double x = -1e6; x <= 1e6; x += 0.7853981633974483 * 1013.37) {
        for (double d : {-1e-9, 0.0, 1e-9, 0.3, 1.1}) {
            double s, c;
            sgp4batch::SinCos(x + d, s, c);
            worst =
                std::max({worst, std::fabs(s - std::sin(x + d)), std::fabs(c - std::cos(x + d))});
            worstMod = std::max(worstMod, std::fabs(sgp4batch::Fmod2p(x + d) - Fmod2p(x + d)));
        }
    }
    for (double y = -50.0; y <= 50.0; y += 0.00731) {
        worstAtan = std::max(worstAtan, std::fabs(sgp4batch::Atan(y) - std::atan(y)));
        EXPECT_NEAR(sgp4batch::AcTan(y, -1.0), AcTan(y, -1.0), 1e-15) << y;  // quadrant from cos
    }
    EXPECT_LT(worst, 4e-16);
    EXPECT_LT(worstAtan, 4e-16);
    EXPECT_LT(worstMod, 1e-9);  // x - k 2pi of an argument near 1e6 carries its own rounding
    EXPECT_EQ(sgp4batch::AcTan(1.0, 0.0), PI / 2.0);
    EXPECT_EQ(sgp4batch::AcTan(-1.0, 0.0), 3.0 * PI / 2.0);
}

TEST(Sgp4Batch, VerificationSetsMatchTheScalarPropagator) {
    const std::vector<cOrbit> orbits =
        ReadOrbits(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/SGP4-VER.TLE");
    const cSgp4Batch batch(orbits);
    ASSERT_GT(batch.NearEarthCount(), 5u);
    ASSERT_LT(batch.NearEarthCount(), orbits.size());
    for (std::size_t i = 0; i < orbits.size(); ++i)
        EXPECT_EQ(batch.IsVectorised(i), orbits[i].NearEarthModel() != nullptr) << i;

    // Many sets at few times, and (lanes over times) few sets at many times.
    const std::vector<double> coarse = Times(-1440.0, 4320.0, 20.0);
    cSgp4BatchStates out;
    batch.Propagate(coarse, out);
    Agreement a = Compare(orbits, out, [&](std::size_t t, std::size_t) { return coarse[t]; });
    EXPECT_EQ(a.mismatched, 0);
    EXPECT_GT(a.failed, 0);  // the decaying and very eccentric sets fail on both paths
    EXPECT_LT(a.pos, kOneMillimetre);
    EXPECT_LT(a.vel, kOneMillimetre);

    const std::vector<double> fine = Times(-1440.0, 4320.0, 0.37);
    ASSERT_GT(fine.size(), orbits.size());
    batch.Propagate(fine, out);
    a = Compare(orbits, out, [&](std::size_t t, std::size_t) { return fine[t]; });
    EXPECT_EQ(a.mismatched, 0);
    EXPECT_LT(a.pos, kOneMillimetre);
    EXPECT_LT(a.vel, kOneMillimetre);
}

TEST(Sgp4Batch, BuiltInCatalogueMatchesTheScalarPropagatorAtDates) {
    const std::vector<cOrbit> orbits =
        ReadOrbits(std::string(ORVANTA_SOURCE_DIR) + "/resources/data/keplers");
    ASSERT_GT(orbits.size(), 10000u);
    const cSgp4Batch batch(orbits);
    // Dates a day before to three days after the newest epoch, so each set is seen at its own
    // tsince as cOrbit forms it from a date.
    cJulianDate newest = orbits[0].Epoch();
    for (const cOrbit& o : orbits)
        if (o.Epoch().Date() > newest.Date()) newest = o.Epoch();
    std::vector<cJulianDate> when;
    for (double m : Times(-1440.0, 4320.0, 240.0)) {
        cJulianDate d = newest;
        d.AddMin(m);
        when.push_back(d);
    }
    cSgp4BatchStates out;
    batch.PropagateAt(when, out);
    const Agreement a = Compare(orbits, out, [&](std::size_t t, std::size_t s) {
        return (when[t].Date() - orbits[s].Epoch().Date()) * 1440.0;
    });
    EXPECT_EQ(a.mismatched, 0);
    EXPECT_GT(a.ok, 200000);
    EXPECT_LT(a.pos, kOneMillimetre);
    EXPECT_LT(a.vel, kOneMillimetre);
}

TEST(Sgp4Batch, InvalidSetsAndFarTimesTakeTheScalarAnswer) {
    std::vector<cOrbit> orbits = ReadOrbits(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/str3.tle");
    orbits.emplace_back(cElementSet("SHORT", "1 00005U", "2 00005"));
    const cSgp4Batch batch(orbits);
    // Beyond the vector reduction's range the scalar code answers; far out the drag has taken
    // the near-earth set down, so it fails there as the scalar does.
    const std::vector<double> t = {0.0, 1440.0, 3e7, -3e7};
    cSgp4BatchStates out;
    batch.Propagate(t, out);
    const Agreement a = Compare(orbits, out, [&](std::size_t i, std::size_t) { return t[i]; });
    EXPECT_EQ(a.mismatched, 0);
    EXPECT_LT(a.pos, kOneMillimetre);
    for (std::size_t i = 0; i < t.size(); ++i)
        EXPECT_EQ(out.status[out.Index(i, orbits.size() - 1)], SGP4_BATCH_INVALID);
}

// The one-set, per-request and minutes-after-a-date entry points over near-earth, deep-space
// and invalid sets, with more times than one block holds.
TEST(Sgp4Batch, OneSetRequestsAndMinutesAfterADateMatchTheScalarPropagator) {
    std::vector<cOrbit> orbits = ReadOrbits(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/str3.tle");
    orbits.emplace_back(cElementSet("SHORT", "1 00005U", "2 00005"));
    const cSgp4Batch batch(orbits);
    const std::vector<double> t = Times(-700.0, 2000.0, 27.0);  // 101 times
    cSgp4BatchStates out;
    for (std::size_t set = 0; set < orbits.size(); ++set) {
        batch.PropagateSet(set, t, out);
        ASSERT_EQ(out.sets, 1u);
        const Agreement a = Compare({orbits[set]}, out, [&](std::size_t i, std::size_t) { return t[i]; });
        EXPECT_EQ(a.mismatched, 0) << set;
        EXPECT_LT(a.pos, kOneMillimetre) << set;
    }
    // Requests in any order of sets, more than a block of them.
    std::vector<std::size_t> sets;
    std::vector<double> times;
    for (std::size_t k = 0; k < 3 * t.size(); ++k) {
        sets.push_back((k * 7) % orbits.size());
        times.push_back(t[k % t.size()]);
    }
    batch.PropagateRequests(sets, times, out);
    for (std::size_t k = 0; k < sets.size(); ++k) {
        cEci eci;
        const bool ok = orbits[sets[k]].PositionAt(times[k], eci);
        ASSERT_EQ(out.status[k] == SGP4_BATCH_OK, ok) << k;
        if (!ok) continue;
        EXPECT_LT(std::fabs(out.x[k] - eci.Pos().x) + std::fabs(out.z[k] - eci.Pos().z) +
                      std::fabs(out.vy[k] - eci.Vel().y),
                  kOneMillimetre)
            << k;
    }

    const cJulianDate when = cJulianDate::FromJd(orbits[0].Epoch().Date() + 0.3);
    const std::vector<double> after = {0.0, -1.0, -2.0};
    batch.PropagateAt(when, after, out);
    const Agreement a = Compare(orbits, out, [&](std::size_t i, std::size_t set) {
        return (when.Date() - orbits[set].Epoch().Date()) * 1440.0 + after[i];
    });
    EXPECT_EQ(a.mismatched, 0);
    EXPECT_GT(a.ok, 5);
    EXPECT_LT(a.pos, kOneMillimetre);
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

// The looks of many states at once against the site's own, for sites north and south, east
// and west, from 1990 to 2060 and from below the horizon to the zenith: the sidereal angle to
// the last bit (through its sine and cosine), the rest within a few units in the last place.
TEST(SiteLookBatch, MatchesTheSiteFrameOneStateAtATime) {
    std::uint64_t seed = 12345;
    auto uniform = [&seed](double a, double b) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return a + (b - a) * static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    for (const auto& [lat, lon, alt] : {std::array<double, 3>{51.4779, -0.0015, 0.0},
                                        {-33.9, 151.2, 1.0}, {78.2, 15.6, 0.0}, {0.0, -179.9, 3.0}}) {
        const cSite site(lat, lon, alt);
        const cSiteFrame frame(site.GetLocation());
        cSiteLooks looks;
        std::vector<cEci> states;
        for (int i = 0; i < 2000; ++i) {
            const cJulianDate date = cJulianDate::FromJd(2447892.5 + uniform(0.0, 25567.0));
            const double r = i == 0 ? 0.0 : uniform(6500.0, 45000.0);
            cEci above(site.GetLocation(), date);  // i == 0: the site itself, range 0
            const double ux = frame.cosLat * std::cos(date.ToLmst(frame.lon));
            const double uy = frame.cosLat * std::sin(date.ToLmst(frame.lon));
            const cVector p(above.Pos().x + uniform(-1.0, 1.0) * r + (i % 7 == 0 ? ux * r : 0.0),
                            above.Pos().y + uniform(-1.0, 1.0) * r + (i % 7 == 0 ? uy * r : 0.0),
                            above.Pos().z + uniform(-1.0, 1.0) * r);
            states.emplace_back(p, cVector(), date, UNITS_KM);
            looks.Add(date.Date(), p.x, p.y, p.z);
        }
        LookFromSite(frame, looks);
        for (std::size_t i = 1; i < states.size(); ++i) {
            const double theta = states[i].Date().ToLmst(frame.lon);
            const double st = std::sin(theta), ct = std::cos(theta);
            const cSiteFrame::Look one = frame.LookWithoutAzimuth(states[i], st, ct);
            ASSERT_NEAR(looks.sinTheta[i], st, 4e-16) << i;
            ASSERT_NEAR(looks.cosTheta[i], ct, 4e-16) << i;
            ASSERT_NEAR(looks.range[i], one.range, 1e-15 * one.range) << i;
            ASSERT_NEAR(looks.south[i], one.south, 1e-14 * one.range) << i;
            ASSERT_NEAR(looks.east[i], one.east, 1e-14 * one.range) << i;
            ASSERT_NEAR(looks.up[i], one.range * std::sin(one.el), 1e-14 * one.range) << i;
            ASSERT_NEAR(looks.el[i], one.el, 1e-14) << i;
            ASSERT_EQ(looks.el[i] > 0.0, one.el > 0.0) << i;
        }
    }
}

}  // namespace
}  // namespace orvanta

// The high, eccentric satellites of the active catalogue (CXO, XMM-Newton, Cluster II, THEMIS,
// MMS). Their apogees lie beyond the model's limit of 84483.784 km from the centre, so they
// propagate over part of each orbit only. Two references, both without an upper limit:
// python-sgp4 as it is (the 2006 code), which this model meets within the bounds its known
// differences explain, and python-sgp4 with the 1980 choices put back, which it meets to a
// metre. Inside the limit the states agree, outside it every request fails and leaves the
// output alone, and nothing but the radius limit ever stops a request.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta {
namespace {

constexpr double kLimitKm = 84483.784;

struct Row {
    int cat;
    double t;
    double r[3];
    double v[3];
};

// Largest difference from the 2006 code allowed per set, a little above the one measured at
// five-minute steps over the reference window. On the direct branch most of it is the node
// periodic divided by the sine of the epoch inclination instead of the perturbed one (2.6 km
// of the 2.9 km for MMS), the rest the Kepler stop at 1e-6 and the epoch-inclination
// coefficients; THEMIS (inclination 6-8 degrees) runs on the Lyddane branch, whose 1980 form
// accounts for all of its tens of kilometres.
struct Bound {
    const char* name;
    double pos;  // km
    double vel;  // km/s
};
const std::map<int, Bound> kBounds = {
    {25867, {"CXO", 0.4, 4e-5}},         {25989, {"XMM-NEWTON", 0.3, 3e-5}},
    {26410, {"CLUSTER FM7", 0.4, 3e-4}}, {26464, {"CLUSTER FM8", 0.4, 3e-4}},
    {30580, {"THEMIS A", 90.0, 0.011}},  {30797, {"THEMIS D", 40.0, 0.005}},
    {30798, {"THEMIS E", 50.0, 0.006}},  {40482, {"MMS 1", 3.2, 3e-4}},
    {40483, {"MMS 2", 3.2, 3e-4}},       {40484, {"MMS 3", 3.2, 3e-4}},
    {40485, {"MMS 4", 3.2, 3e-4}},
};

std::map<int, cOrbit> Orbits() {
    TleReadResult result;
    std::string error;
    EXPECT_TRUE(
        ReadTleFile(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/high_orbits.tle", result, error))
        << error;
    std::map<int, cOrbit> orbits;
    for (const TleRecord& rec : result.records) {
        const cElementSet set(rec.name, rec.line1, rec.line2);
        orbits.emplace(set.CatalogueNumber(), cOrbit(set));
    }
    EXPECT_EQ(orbits.size(), kBounds.size());
    return orbits;
}

std::vector<Row> Reference(const char* name) {
    std::vector<Row> rows;
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/" + name);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        Row row{};
        if (s >> row.cat >> row.t >> row.r[0] >> row.r[1] >> row.r[2] >> row.v[0] >> row.v[1] >>
            row.v[2])
            rows.push_back(row);
    }
    EXPECT_EQ(rows.size(), 193u * kBounds.size());
    return rows;
}

double RadiusKm(const double r[3]) {
    return std::hypot(r[0], r[1], r[2]);
}

TEST(HighOrbits, AgreeWithModernCodeInsideTheRadiusLimit) {
    const auto orbits = Orbits();
    std::map<int, int> compared;
    for (const Row& row : Reference("high_orbits_sgp4.txt")) {
        const Bound& b = kBounds.at(row.cat);
        // Within the set's difference of the limit either answer is right.
        if (RadiusKm(row.r) > kLimitKm - b.pos) continue;
        cEci eci;
        ASSERT_TRUE(orbits.at(row.cat).PositionAt(row.t, eci)) << b.name << " t=" << row.t;
        ++compared[row.cat];
        EXPECT_EQ(eci.Units(), UNITS_KM);
        const double dp =
            std::hypot(eci.Pos().x - row.r[0], eci.Pos().y - row.r[1], eci.Pos().z - row.r[2]);
        const double dv =
            std::hypot(eci.Vel().x - row.v[0], eci.Vel().y - row.v[1], eci.Vel().z - row.v[2]);
        EXPECT_LT(dp, b.pos) << b.name << " t=" << row.t;
        EXPECT_LT(dv, b.vel) << b.name << " t=" << row.t;
    }
    // Every set spends some of the window inside the limit (MMS about a sixth of it).
    for (const auto& [cat, b] : kBounds) EXPECT_GE(compared[cat], 10) << b.name;
}

TEST(HighOrbits, Match1980FormToAMetreAndFailBeyondTheLimit) {
    const auto orbits = Orbits();
    const cEci before(cCoordGeo(0.5, 1.0, 2.0), cJulianDate(2020, 100.5));
    std::map<int, int> inside, outside, outsideBeforeEpoch;
    for (const Row& row : Reference("high_orbits_1980.txt")) {
        const char* name = kBounds.at(row.cat).name;
        const double radius = RadiusKm(row.r);
        if (std::fabs(radius - kLimitKm) < 0.01) continue;
        cEci eci = before;
        const bool ok = orbits.at(row.cat).PositionAt(row.t, eci);
        EXPECT_EQ(eci.Units(), UNITS_KM);
        if (radius < kLimitKm) {
            ASSERT_TRUE(ok) << name << " t=" << row.t;
            ++inside[row.cat];
            EXPECT_LT(
                std::hypot(eci.Pos().x - row.r[0], eci.Pos().y - row.r[1], eci.Pos().z - row.r[2]),
                0.001)
                << name << " t=" << row.t;
            EXPECT_LT(
                std::hypot(eci.Vel().x - row.v[0], eci.Vel().y - row.v[1], eci.Vel().z - row.v[2]),
                1e-7)
                << name << " t=" << row.t;
        } else {
            EXPECT_FALSE(ok) << name << " t=" << row.t;
            EXPECT_EQ(eci.Pos().x, before.Pos().x);
            EXPECT_EQ(eci.Pos().z, before.Pos().z);
            EXPECT_EQ(eci.Vel().y, before.Vel().y);
            EXPECT_EQ(eci.Date().Date(), before.Date().Date());
            ++outside[row.cat];
            if (row.t < 0) ++outsideBeforeEpoch[row.cat];
        }
    }
    for (const auto& [cat, b] : kBounds) {
        EXPECT_GE(inside[cat], 30) << b.name;
        EXPECT_GE(outside[cat], 5) << b.name;
    }
    // CXO is outside a day before its epoch as well as after it; MMS 1 is outside at its
    // epoch, CXO near perigee then.
    EXPECT_GE(outsideBeforeEpoch[25867], 5);
    cEci eci;
    EXPECT_FALSE(orbits.at(40482).PositionAt(0.0, eci));
    EXPECT_TRUE(orbits.at(25867).PositionAt(0.0, eci));
}

TEST(HighOrbits, OnlyTheRadiusLimitStopsARequest) {
    // Every change between success and failure, found at one-minute steps and narrowed to
    // 1e-7 minutes, lies on the limit: no other check turns a legitimate state down.
    for (const auto& [cat, orbit] : Orbits()) {
        ASSERT_TRUE(orbit.IsValid());
        ASSERT_TRUE(orbit.IsDeepSpace());
        int changes = 0;
        cEci eci;
        bool prevOk = orbit.PositionAt(-1440.0, eci);
        for (int m = -1439; m <= 10080; ++m) {
            const bool ok = orbit.PositionAt(m, eci);
            if (ok == prevOk) continue;
            ++changes;
            double good = ok ? m : m - 1, bad = ok ? m - 1 : m;
            while (std::fabs(good - bad) > 1e-7) {
                const double mid = 0.5 * (good + bad);
                (orbit.PositionAt(mid, eci) ? good : bad) = mid;
            }
            ASSERT_TRUE(orbit.PositionAt(good, eci));
            EXPECT_NEAR(eci.Pos().Magnitude(), kLimitKm, 0.01)
                << kBounds.at(cat).name << " t=" << good;
            prevOk = ok;
        }
        EXPECT_GE(changes, 2) << kBounds.at(cat).name;
    }
}

}  // namespace
}  // namespace orvanta

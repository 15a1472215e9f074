// The high, eccentric satellites of the active catalogue (CXO, XMM-Newton, Cluster II, THEMIS,
// MMS). Their apogees lie beyond the model's limit of 84483.784 km from the centre, so they
// propagate over part of each orbit only. Checked against python-sgp4, which has no upper
// limit: inside the limit the states agree, outside it every request fails and leaves the
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

// Largest difference from python-sgp4 allowed per set, a little above the one measured at
// five-minute steps over the reference window. The direct-branch sets differ by the Kepler
// stop at 1e-6 and the epoch-inclination coefficients; THEMIS (inclination 6-8 degrees) runs
// on the Lyddane branch, where the unreduced node and unperturbed inclination of the 1980
// form add tens of kilometres a week out.
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

std::vector<Row> Reference() {
    std::vector<Row> rows;
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/high_orbits_sgp4.txt");
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

TEST(HighOrbits, AgreeWithReferenceInsideTheRadiusLimit) {
    const auto orbits = Orbits();
    std::map<int, int> compared;
    for (const Row& row : Reference()) {
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

TEST(HighOrbits, FailBeyondTheRadiusLimitLeavingTheStateAlone) {
    const auto orbits = Orbits();
    const cEci before(cCoordGeo(0.5, 1.0, 2.0), cJulianDate(2020, 100.5));
    std::map<int, int> failed, failedBeforeEpoch;
    for (const Row& row : Reference()) {
        const Bound& b = kBounds.at(row.cat);
        if (RadiusKm(row.r) < kLimitKm + b.pos) continue;
        cEci eci = before;
        EXPECT_FALSE(orbits.at(row.cat).PositionAt(row.t, eci)) << b.name << " t=" << row.t;
        EXPECT_EQ(eci.Pos().x, before.Pos().x);
        EXPECT_EQ(eci.Pos().z, before.Pos().z);
        EXPECT_EQ(eci.Vel().y, before.Vel().y);
        EXPECT_EQ(eci.Date().Date(), before.Date().Date());
        EXPECT_EQ(eci.Units(), UNITS_KM);
        ++failed[row.cat];
        if (row.t < 0) ++failedBeforeEpoch[row.cat];
    }
    // THEMIS apogees graze the limit by tens of kilometres, inside their bound; the
    // transition test below covers them.
    for (const auto& [cat, b] : kBounds) {
        if (b.pos > 10.0) continue;
        EXPECT_GE(failed[cat], 10) << b.name;
        EXPECT_GE(failedBeforeEpoch[cat], 1) << b.name;
    }
    // MMS 1 is near apogee at its epoch, CXO near perigee.
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

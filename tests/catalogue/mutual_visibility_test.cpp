// Mutual windows held against the plainest search there is: both elevations each second.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/mutual_visibility.h"
#include "tests/catalogue/pass_test_util.h"

namespace orvanta {
namespace {

const std::string kData = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/";
constexpr double kStart = 2461168.0;  // 2026-05-08 12:00 UTC, within days of the sets' epochs
constexpr long long kSpan = 2 * 86400;

struct ScanWindow {
    long long start = 0, end = 0;  // seconds from kStart: first both up, first either down
    double maxHere = -90.0, maxThere = -90.0;
};

// Each second from kStart; the peaks are refined to 0.01 s around the best second.
std::vector<ScanWindow> BruteForce(const PassSearchSatellite& sat, const ObserverLocation& a,
                                   const ObserverLocation& b) {
    const cOrbit orbit(cElementSet(sat.name, sat.line1, sat.line2));
    const cSite sa(a.latitude, a.longitude, a.altitudeMetres / 1000);
    const cSite sb(b.latitude, b.longitude, b.altitudeMetres / 1000);
    const double t0 = (kStart - orbit.Epoch().Date()) * 1440.0;
    auto el = [&](const cSite& s, double sec) {
        cEci eci;
        orbit.PositionAt(t0 + sec / 60.0, eci);
        return s.LookAngles(eci).el * 180.0 / 3.14159265358979323846;
    };
    auto peak = [&](const cSite& s, long long from, long long to) {
        long long best = from;
        for (long long k = from; k <= to; ++k)
            if (el(s, double(k)) > el(s, double(best))) best = k;
        double m = el(s, double(best));
        for (double t = std::max<double>(from, best - 1.0); t <= std::min<double>(to, best + 1.0);
             t += 0.01)
            m = std::max(m, el(s, t));
        return m;
    };
    std::vector<ScanWindow> out;
    bool up = false;
    ScanWindow w;
    for (long long k = 0; k <= kSpan; ++k) {
        const bool both = el(sa, double(k)) > 0.0 && el(sb, double(k)) > 0.0;
        if (both && !up) w.start = k;
        if (!both && up) {
            w.end = k;
            if (w.start > 0) {  // one in progress at the start is cut by the scan
                w.maxHere = peak(sa, w.start, k - 1);
                w.maxThere = peak(sb, w.start, k - 1);
                out.push_back(w);
            }
        }
        up = both;
    }
    return out;
}

TEST(MutualVisibility, AgreesWithOneSecondScanToTheSecondAndPeaksTo001Degree) {
    const auto sats = test::LoadSatellites(kData + "pass_reference.tle");
    // Munich-Hamburg (~610 km), Munich-Rome (~700 km), Madrid-Paris (~1050 km).
    const ObserverLocation munich{520, 48.1374, 11.5755}, hamburg{10, 53.5511, 9.9937},
        rome{20, 41.9028, 12.4964}, madrid{650, 40.4168, -3.7038}, paris{35, 48.8566, 2.3522};
    struct Case {
        int number;
        ObserverLocation here, there;
    };
    const Case cases[] = {{25544, munich, hamburg}, {43013, madrid, paris}, {41917, munich, rome}};
    for (const Case& c : cases) {
        const PassSearchSatellite* sat = test::Find(sats, c.number);
        ASSERT_NE(sat, nullptr) << c.number;
        const auto expected = BruteForce(*sat, c.here, c.there);
        const MutualSearchResult got =
            FindMutualWindows(*sat, c.here, c.there, kStart, kStart + kSpan / 86400.0);
        EXPECT_EQ(got.end, SatelliteSearchEnd::COMPLETE);
        std::vector<MutualWindow> found;
        for (const MutualWindow& w : got.windows)
            if (w.start > kStart && std::llround((w.end - kStart) * 86400.0) <= kSpan)
                found.push_back(w);
        ASSERT_GE(expected.size(), 2u) << c.number;
        ASSERT_EQ(found.size(), expected.size()) << c.number;
        for (std::size_t i = 0; i < found.size(); ++i) {
            SCOPED_TRACE(std::to_string(c.number) + " window " + std::to_string(i));
            EXPECT_NEAR((found[i].start - kStart) * 86400.0, double(expected[i].start), 1.0);
            EXPECT_NEAR((found[i].end - kStart) * 86400.0, double(expected[i].end), 1.0);
            EXPECT_NEAR(found[i].maxElevationHere, expected[i].maxHere, 0.01);
            EXPECT_NEAR(found[i].maxElevationThere, expected[i].maxThere, 0.01);
        }
    }
}

TEST(MutualVisibility, SitesOnOppositeSidesOfTheEarthShareNoWindow) {
    const auto sats = test::LoadSatellites(kData + "pass_reference.tle");
    const MutualSearchResult got = FindMutualWindows(*test::Find(sats, 25544), {0, 48.0, 11.0},
                                                     {0, -48.0, -169.0}, kStart, kStart + 1.0);
    EXPECT_TRUE(got.windows.empty());
    EXPECT_TRUE(
        FindMutualWindows(*test::Find(sats, 25544), {}, {}, kStart, kStart).windows.empty());
}

}  // namespace
}  // namespace orvanta

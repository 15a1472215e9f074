// Look angles from an observing site.
#include <gtest/gtest.h>

#include <cmath>

#include "orbit/globals.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "orbit/site_frame.h"

namespace orvanta {
namespace {

const cJulianDate kDate(2026, 127.3);

// A satellite state in km at the site's zenith direction, height km above the site.
cEci Overhead(const cSite& site, double height) {
    const cCoordGeo& g = site.GetLocation();
    return cEci(cCoordGeo(g.lat, g.lon, g.alt + height), kDate);
}

TEST(Site, ConstructsFromDegreesAndKilometres) {
    const cSite site(51.4779, -0.0015, 0.046);
    EXPECT_DOUBLE_EQ(site.GetLocation().lat, DegToRad(51.4779));
    EXPECT_DOUBLE_EQ(site.GetLocation().lon, DegToRad(-0.0015));
    EXPECT_DOUBLE_EQ(site.GetLocation().alt, 0.046);
}

TEST(Site, StraightOverhead) {
    for (const cSite& site : {cSite(0.0, 0.0, 0.0), cSite(51.5, -0.1, 0.1),
                              cSite(-33.9, 151.2, 0.0), cSite(89.0, 45.0, 2.0)}) {
        const cCoordTopo topo = site.LookAngles(Overhead(site, 500.0));
        // The geodetic vertical is what "straight up" means on the ellipsoid.
        EXPECT_NEAR(topo.el, PI / 2.0, 1e-6);
        EXPECT_NEAR(topo.range, 500.0, 1e-6);
        EXPECT_NEAR(topo.rangeRate, 0.0, 1e-9);  // co-rotating with the site
        EXPECT_GE(topo.az, 0.0);
        EXPECT_LT(topo.az, TWOPI);
    }
}

TEST(Site, CardinalDirectionsAndNearDueEast) {
    const cSite site(0.0, 0.0, 0.0);
    const double theta = kDate.ToLmst(0.0);
    // Local east, north and up as inertial unit vectors at the equator.
    const double ex = -std::sin(theta), ey = std::cos(theta);
    const double ux = std::cos(theta), uy = std::sin(theta);
    const cEci obs(site.GetLocation(), kDate);
    auto at = [&](double east, double north, double up) {
        const cVector p(obs.Pos().x + east * ex + up * ux, obs.Pos().y + east * ey + up * uy,
                        obs.Pos().z + north);
        cEci sat(cVector(p.x / XKMPER, p.y / XKMPER, p.z / XKMPER), cVector(), kDate);
        sat.ToKilometres();
        return site.LookAngles(sat);
    };
    EXPECT_NEAR(at(0.0, 1000.0, 100.0).az, 0.0, 1e-9);
    EXPECT_NEAR(at(1000.0, 0.0, 100.0).az, PI / 2.0, 1e-9);
    EXPECT_NEAR(at(0.0, -1000.0, 100.0).az, PI, 1e-9);
    EXPECT_NEAR(at(-1000.0, 0.0, 100.0).az, 3.0 * PI / 2.0, 1e-9);
    // Slightly north and slightly south of due east both land next to pi/2.
    EXPECT_NEAR(at(1000.0, 1e-6, 100.0).az, PI / 2.0, 1e-8);
    EXPECT_NEAR(at(1000.0, -1e-6, 100.0).az, PI / 2.0, 1e-8);
    // Just west of north stays below 2 pi.
    const double nw = at(-1e-6, 1000.0, 100.0).az;
    EXPECT_LT(nw, TWOPI);
    EXPECT_GT(nw, TWOPI - 1e-8);
    // On the horizon and below it.
    EXPECT_NEAR(at(1000.0, 0.0, 0.0).el, 0.0, 1e-9);
    EXPECT_LT(at(1000.0, 0.0, -100.0).el, 0.0);
}

TEST(Site, RangeVectorAndRangeRate) {
    // ISS (ZARYA) seen from Greenwich: the range is the length of the range vector, the
    // range rate the derivative of the range.
    const cOrbit iss(
        cElementSet("ISS", "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                    "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437"));
    const cSite site(51.4779, -0.0015, 0.0);
    for (double t : {0.0, 100.0, 733.0}) {
        cEci a, b;
        ASSERT_TRUE(iss.PositionAt(t, a));
        ASSERT_TRUE(iss.PositionAt(t + 1.0 / 600.0, b));  // 0.1 s later
        const cCoordTopo ta = site.LookAngles(a);
        const cCoordTopo tb = site.LookAngles(b);
        const cVector r = site.GetRangeVector(a);
        EXPECT_NEAR(r.Magnitude(), ta.range, 1e-9);
        EXPECT_EQ(r.w, 0.0);
        EXPECT_NEAR((tb.range - ta.range) / 0.1, ta.rangeRate, 1e-3) << t;
        EXPECT_GE(ta.az, 0.0);
        EXPECT_LT(ta.az, TWOPI);
        EXPECT_GE(ta.el, -PI / 2.0);
        EXPECT_LE(ta.el, PI / 2.0);
    }
}

TEST(Site, FrameMatchesTheSitePositionToTheLastBit) {
    // The pass search prints look angles computed through the frame; they must be those of
    // the site's own inertial position at every date, not merely close.
    const cOrbit iss(
        cElementSet("ISS", "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                    "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437"));
    for (const cSite& site : {cSite(51.4779, -0.0015, 0.0), cSite(-33.9, 151.2, 1.0),
                              cSite(89.9, -179.9, 4.0), cSite(0.0, 180.0, 0.0)}) {
        const cSiteFrame frame(site.GetLocation());
        for (double t : {0.0, 37.25, 733.0, 5000.5}) {
            cEci sat;
            ASSERT_TRUE(iss.PositionAt(t, sat));
            const cEci obs = site.GetPosition(sat.Date());
            const double theta = sat.Date().ToLmst(site.GetLocation().lon);
            const double st = std::sin(theta), ct = std::cos(theta);
            EXPECT_EQ(frame.axisKm * ct, obs.Pos().x);
            EXPECT_EQ(frame.axisKm * st, obs.Pos().y);
            EXPECT_EQ(frame.heightKm, obs.Pos().z);
            const cCoordTopo a = frame.LookAngles(sat, st, ct), b = site.LookAngles(sat);
            EXPECT_EQ(a.az, b.az);
            EXPECT_EQ(a.el, b.el);
            EXPECT_EQ(a.range, b.range);
            EXPECT_EQ(a.rangeRate, b.rangeRate);
            const cVector r = site.GetRangeVector(sat);
            EXPECT_EQ(std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z), a.range);
        }
    }
}

}  // namespace
}  // namespace orvanta

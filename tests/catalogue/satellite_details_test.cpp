// A satellite's details at one instant: orbit sizes from the mean elements, the point below
// it, sunlight against an independent shadow table, and the next rise against Skyfield.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "catalogue/satellite_details.h"
#include "orbit/globals.h"
#include "orbit/julian_date.h"

namespace orvanta {
namespace {

// ISS as in tests/data/catalogue/pass_reference.tle and shadow_reference.txt.
const cElementSet kIss("ISS (ZARYA)",
                       "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                       "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437");
// Geostationary and Molniya sets from tests/data/orbit/SGP4-VER.TLE.
const cElementSet kGeo("28626",
                       "1 28626U 05008A   06176.46683397 -.00000205  00000-0  10000-3 0  2190",
                       "2 28626   0.0019 286.9433 0000335  13.7918  55.6504  1.00270176  4891");
const cElementSet kMolniya(
    "08195", "1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
    "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656");

ObserverLocation Greenwich() {
    ObserverLocation o;
    o.latitude = 51.4779;
    o.longitude = -0.0015;
    return o;
}

double Jd(const char* iso) {
    return *ParseIsoUtc(iso);
}

TEST(SatelliteDetails, IssPositionSizesAndView) {
    const double jd = Jd("2026-05-07T12:00:00Z");
    const SatelliteDetails d = ComputeSatelliteDetails(cOrbit(kIss), Greenwich(), jd);
    ASSERT_TRUE(d.positionKnown);
    EXPECT_NEAR(d.periodMin, 92.9, 0.1);
    EXPECT_DOUBLE_EQ(d.inclinationDeg, 51.6306);
    EXPECT_NEAR(d.apogeeKm, 425.0, 20.0);
    EXPECT_LT(d.perigeeKm, d.apogeeKm);
    EXPECT_NEAR(d.apogeeKm - d.perigeeKm, 2.0 * 0.0007388 * (XKMPER + 415.0), 0.5);
    EXPECT_NEAR(d.altitudeKm, 415.0, 15.0);
    EXPECT_NEAR(d.speedKms, 7.66, 0.03);
    EXPECT_LE(std::fabs(d.latitudeDeg), 51.7);
    EXPECT_GE(d.longitudeDeg, -180.0);
    EXPECT_LT(d.longitudeDeg, 180.0);
    EXPECT_DOUBLE_EQ(d.footprintKm, FootprintDiameterKm(d.altitudeKm));
    EXPECT_NEAR(d.ageDays, jd - kIss.Epoch().Date(), 1e-12);
    EXPECT_EQ(FormatIsoUtcSeconds(d.epochJd), "2026-05-07T10:12:22Z");
    ASSERT_TRUE(d.view.has_value());
    EXPECT_GE(d.view->azimuthDeg, 0.0);
    EXPECT_LT(d.view->azimuthDeg, 360.0);
    EXPECT_LT(d.view->elevationDeg, 0.0);  // the next rise is hours away
    EXPECT_GT(d.view->rangeKm, 2000.0);
    EXPECT_LT(std::fabs(d.view->rangeRateKms), 7.7);

    EXPECT_FALSE(ComputeSatelliteDetails(cOrbit(kIss), std::nullopt, jd).view.has_value());
}

TEST(SatelliteDetails, FootprintFormula) {
    // 2 Re acos(Re / (Re + 420)) with Re = 6378.135 km.
    EXPECT_NEAR(FootprintDiameterKm(420.0), 4507.4, 0.1);
    EXPECT_EQ(FootprintDiameterKm(0.0), 0.0);
    EXPECT_EQ(FootprintDiameterKm(-5.0), 0.0);
}

TEST(SatelliteDetails, SunlitAgainstShadowTable) {
    // shadow_reference.txt: the ISS leaves the shadow at 12:10:29.266 and enters at 13:30:24.712.
    const cOrbit orbit(kIss);
    EXPECT_FALSE(ComputeSatelliteDetails(orbit, {}, Jd("2026-05-07T12:10:27Z")).sunlit);
    EXPECT_TRUE(ComputeSatelliteDetails(orbit, {}, Jd("2026-05-07T12:10:32Z")).sunlit);
    EXPECT_TRUE(ComputeSatelliteDetails(orbit, {}, Jd("2026-05-07T13:30:22Z")).sunlit);
    EXPECT_FALSE(ComputeSatelliteDetails(orbit, {}, Jd("2026-05-07T13:30:27Z")).sunlit);
}

TEST(SatelliteDetails, HighOrbitsFromMeanElements) {
    // Kepler's third law with the model's mu = 398600.8 km^3/s^2 on the mean motion.
    const cOrbit geo(kGeo);
    const SatelliteDetails g = ComputeSatelliteDetails(geo, {}, geo.Epoch().Date());
    ASSERT_TRUE(g.positionKnown);
    EXPECT_NEAR(g.periodMin, 1436.1, 0.2);
    EXPECT_NEAR(g.speedKms, 3.07, 0.01);
    EXPECT_NEAR(g.apogeeKm, 35788.5, 5.0);
    EXPECT_NEAR(g.perigeeKm, 35785.6, 5.0);
    EXPECT_NEAR(g.footprintKm, 2.0 * XKMPER * std::acos(XKMPER / 42164.0), 20.0);
    // The pass search leaves geosynchronous satellites out.
    EXPECT_FALSE(NextAos(kGeo, Greenwich(), geo.Epoch().Date()).has_value());

    const cOrbit molniya(kMolniya);
    const SatelliteDetails m = ComputeSatelliteDetails(molniya, {}, molniya.Epoch().Date());
    EXPECT_NEAR(m.periodMin, 718.2, 0.3);
    EXPECT_NEAR(m.apogeeKm, 38458.9, 5.0);
    EXPECT_NEAR(m.perigeeKm, 1918.3, 5.0);
    EXPECT_DOUBLE_EQ(m.inclinationDeg, 64.1586);
}

TEST(SatelliteDetails, NextAosAgainstSkyfield) {
    // pass_reference.csv, Greenwich: AOS 19:40:46.881 and 21:14:08.781 on 2026-05-07.
    const auto before = NextAos(kIss, Greenwich(), Jd("2026-05-07T12:00:00Z"));
    ASSERT_TRUE(before.has_value());
    EXPECT_NEAR((*before - Jd("2026-05-07T19:40:46.881Z")) * 86400.0, 0.0, 1.5);
    // Up at 19:43: the rise after this pass.
    const double during = Jd("2026-05-07T19:43:00Z");
    ASSERT_GT(ComputeSatelliteDetails(cOrbit(kIss), Greenwich(), during).view->elevationDeg, 0.0);
    const auto next = NextAos(kIss, Greenwich(), during);
    ASSERT_TRUE(next.has_value());
    EXPECT_NEAR((*next - Jd("2026-05-07T21:14:08.781Z")) * 86400.0, 0.0, 1.5);
}

TEST(SatelliteDetails, DecayedSetKeepsElementFields) {
    // The verification set that the model gives up on from 55 minutes after its epoch.
    const cElementSet decayed(
        "MINOTAUR R/B", "1 28872U 05037B   05333.02012661  .25992681  00000-0  24476-3 0  1534",
        "2 28872  96.4736 157.9986 0303955 244.0492 110.6523 16.46015938 10708");
    const cOrbit orbit(decayed);
    const SatelliteDetails d =
        ComputeSatelliteDetails(orbit, Greenwich(), orbit.Epoch().Date() + 60.0 / 1440.0);
    EXPECT_FALSE(d.positionKnown);
    EXPECT_FALSE(d.view.has_value());
    EXPECT_NEAR(d.periodMin, 1440.0 / 16.46015938, 0.2);
    EXPECT_DOUBLE_EQ(d.inclinationDeg, 96.4736);
    EXPECT_NEAR(d.ageDays, 60.0 / 1440.0, 1e-9);
}

}  // namespace
}  // namespace orvanta

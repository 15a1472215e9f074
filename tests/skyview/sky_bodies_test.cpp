// The Moon's phase against Meeus' worked example, stars against a bright sky, and labels
// that keep clear of each other.
#include <gtest/gtest.h>

#include <cmath>

#include "astro/sun_moon.h"
#include "skyview/sky_bodies.h"

using namespace orvanta;

TEST(MoonPhase, MeeusExampleAndTheNewAndFullMoonsOf2024) {
    // Astronomical Algorithms, example 48.a: 1992 April 12, 0h TD.
    const MoonPhase m = MoonPhaseAt(2448724.5);
    EXPECT_NEAR(m.illuminated, 0.6786, 0.002);
    EXPECT_NEAR(m.brightLimbDeg, 285.0, 0.5);
    EXPECT_LT(MoonPhaseAt(2460320.998).illuminated, 0.002);  // new Moon 2024-01-11 11:57 UTC
    EXPECT_GT(MoonPhaseAt(2460335.246).illuminated, 0.998);  // full Moon 2024-01-25 17:54 UTC
}

TEST(MoonPhase, TheBrightLimbFacesTheSunOnTheChartInEveryProjection) {
    // 2024-01-14 15:00 UTC at Greenwich: a three-day crescent up in the south-west, the
    // Sun low beside it.
    const double jd = 2460324.125, lat = 51.4779, lon = -0.0015;
    double sunAz = 0, sunEl = 0;
    SunHorizontal(jd, AstroSite(lat, lon), sunAz, sunEl);
    ASSERT_GT(sunEl, 0.0);
    for (int p : {1, 2, 3, 4})
        for (int heading : {0, 90, 250}) {
            const auto moon = MoonChartPlace(jd, lat, lon, heading, 600, 600, p);
            ASSERT_TRUE(moon);
            EXPECT_LT(moon->illuminated, 0.2);
            const auto sun = Project(DegToRadians(sunAz + heading), DegToRadians(sunEl), 600, 600, p);
            const double toSun = std::atan2(sun->y - moon->centre.y, sun->x - moon->centre.x);
            const double diff = std::remainder(toSun - moon->limbScreenAngle, 2 * M_PI);
            EXPECT_LT(std::fabs(diff), DegToRadians(25)) << "projection " << p << " heading " << heading;
        }
}

TEST(SkyStars, TheRealisticSkyHidesStarsByDayAndThinsThemInTwilight) {
    EXPECT_EQ(VisibleStarLimit(6.5, 20.0, false), 6.5);  // the plain chart keeps them
    EXPECT_EQ(VisibleStarLimit(6.5, -6.0, true), 6.5);
    EXPECT_FALSE(VisibleStarLimit(6.5, 0.5, true));
    EXPECT_NEAR(*VisibleStarLimit(6.5, -3.0, true), 3.75, 1e-9);
    EXPECT_NEAR(*VisibleStarLimit(6.5, 0.0, true), 1.0, 1e-9);
}

TEST(SkyLabels, LabelsMoveAwayFromTakenSpaceOrAreLeftOut) {
    // Free: where PlaceSatelliteLabels puts them.
    const auto free = PlaceLabelsClear(300, 300, 60, 50, 14, 600, 600, {});
    ASSERT_TRUE(free);
    EXPECT_EQ(free->at.name, (SkyPoint{300, 307}));
    EXPECT_EQ(free->box, (PixelBox{270, 307, 330, 335}));
    // A neighbour's labels below: above the marker instead, clear of them.
    std::vector<PixelBox> taken = {free->box};
    const auto second = PlaceLabelsClear(305, 302, 60, 50, 14, 600, 600, taken);
    ASSERT_TRUE(second);
    EXPECT_FALSE(OverlapsAny(second->box, taken));
    EXPECT_LT(second->at.name.y, 302);
    // The "N" at the top centre: a satellite just below it keeps its name off the letter.
    const PixelBox letterN{295, 0, 306, 17};
    const auto nearN = PlaceLabelsClear(300, 10, 60, 0, 14, 600, 600, {letterN});
    ASSERT_TRUE(nearN);
    EXPECT_FALSE(OverlapsAny(nearN->box, {letterN}));
    // Boxed in on every side: nothing drawn.
    EXPECT_FALSE(PlaceLabelsClear(300, 300, 60, 50, 14, 600, 600, {{0, 0, 600, 600}}));
}

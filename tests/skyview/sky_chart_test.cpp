// The chart's geometry and colours: the projection's edge cases in all four projections,
// star sizes and positions (against PyEphem 4.1.4 for a known instant and place), sky
// colours, labels, the heading drag and its indicator.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "astro/sun_moon.h"
#include "skyview/sky_chart.h"

using namespace orvanta;

namespace {
constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr int kAll[] = {1, 2, 3, 4};
}  // namespace

TEST(SkyProjection, AzimuthNinetyOnTheHorizonIsLeftInNwseAndRightInNesw) {
    for (int p : kAll) {
        const auto pt = Project(90 * kDeg, 0.0, 600, 400, p);
        ASSERT_TRUE(pt);
        // cos(90 deg) is not exactly 0 in doubles, so truncation may land a pixel higher.
        EXPECT_NEAR(pt->y, 200, 1) << p;
        EXPECT_EQ(pt->x, IsNeswProjection(p) ? 600 : 0) << p;
        // North is up in all four, the zenith at the centre.
        EXPECT_EQ(*Project(0.0, 0.0, 600, 400, p), (SkyPoint{300, 0})) << p;
        const auto zenith = Project(0.0, 90 * kDeg, 600, 400, p);
        EXPECT_EQ(zenith->x, 300) << p;
        EXPECT_NEAR(zenith->y, 200, 1) << p;
    }
    EXPECT_FALSE(Project(0.0, 0.0, 600, 400, 0));
    EXPECT_FALSE(Project(0.0, 0.0, 600, 400, 5));
}

TEST(SkyProjection, ElevationFortyFiveLiesAtPolarCosineOrStretchedHalfRadius) {
    for (int p : kAll) {
        const auto pt = Project(0.0, 45 * kDeg, 1000, 1000, p);
        const double r = (500.0 - pt->y) / 500.0;
        EXPECT_NEAR(r, IsPolarProjection(p) ? 0.707 : 0.5, 0.002) << p;
    }
    // Beyond the zenith the point crosses to the other side (the zenith cross uses 92).
    EXPECT_GT(Project(0.0, 92 * kDeg, 600, 600, 3)->y, 300);
    // Odd sizes use the integer half.
    EXPECT_EQ(Project(0.0, 90 * kDeg, 601, 401, 1)->x, 300);
}

TEST(SkyProjection, TransformPolygonRotatesAndScalesTheTemplate) {
    const auto p = TransformPolygon(FlareStarTemplate(), 90.0, 2.0, 100, 50);
    ASSERT_EQ(p.size(), 9u);
    // (0, 4) turned a quarter: x = -s*4, y ~ 0.
    EXPECT_EQ(p[0], (SkyPoint{92, 50}));
    const auto callout = TransformPolygon(HeadingCalloutTemplate(), 0.0, 0.5, 275, 567);
    EXPECT_EQ(callout[4], (SkyPoint{300, 600}));  // the pointer tip at the bottom centre
    EXPECT_EQ(callout[2], (SkyPoint{325, 592}));
}

TEST(StarDrawing, MagnitudeLimitsSizeClassesAndBoxes) {
    EXPECT_EQ(*MagnitudeLimitForIndex(6), 6.5);
    EXPECT_EQ(*MagnitudeLimitForIndex(1), 1.0);
    EXPECT_EQ(*MagnitudeLimitForIndex(3), 3.5);
    EXPECT_FALSE(MagnitudeLimitForIndex(0));
    EXPECT_FALSE(MagnitudeLimitForIndex(7));

    EXPECT_EQ(StarSizeClass(5.0), 2);
    EXPECT_EQ(StarSizeClass(5.01), 1);
    EXPECT_EQ(StarSizeClass(4.0), 3);
    EXPECT_EQ(StarSizeClass(3.0), 4);
    EXPECT_EQ(StarSizeClass(1.5), 5);
    EXPECT_EQ(StarSizeClass(1.51), 4);
    EXPECT_EQ(StarSizeClass(0.0), 5);
    EXPECT_EQ(StarSizeClass(-1.46), 5);

    EXPECT_EQ(StarDiscBox(10, 20, 1), (PixelBox{10, 20, 11, 21}));
    // "Minimum 2 Pixels": the faintest have size 2, the brightest 6.
    EXPECT_EQ(StarDiscBox(10, 20, 2), (PixelBox{9, 19, 11, 21}));
    EXPECT_EQ(StarDiscBox(10, 20, 3), (PixelBox{8, 18, 11, 21}));
    EXPECT_EQ(StarDiscBox(10, 20, 6), (PixelBox{7, 17, 13, 23}));
}

TEST(StarDrawing, HourAngleFormulasAgreeWithAPlanetariumWithinPrecession) {
    // 2026-01-15 21:00 UTC at Greenwich. PyEphem (refraction off) gives Sirius az 148.784
    // el 16.517, Betelgeuse 153.922 / 43.273, Vega 337.658 / 3.803; the chart uses J2000
    // places without precession, about 0.35 degrees off after 26 years.
    const double jd = 2461056.375;
    const double gast = ApparentSiderealTime(jd);
    struct Case {
        double ra, dec, az, el;
    } cases[] = {{6 + 45 / 60.0 + 8.9 / 3600, -(16 + 42 / 60.0 + 58 / 3600.0), 148.784, 16.517},
                 {5 + 55 / 60.0 + 10.3 / 3600, 7 + 24 / 60.0 + 25 / 3600.0, 153.922, 43.273},
                 {18 + 36 / 60.0 + 56.3 / 3600, 38 + 47 / 60.0 + 1 / 3600.0, 337.658, 3.803}};
    for (const Case& c : cases) {
        const StarHorizon h = StarPosition(c.ra, c.dec, gast, 51.4779, -0.0015);
        double az = h.azimuthFromSouth / kDeg + 180.0;
        EXPECT_NEAR(az, c.az, 0.5);
        EXPECT_NEAR(h.elevation / kDeg, c.el, 0.5);
    }
}

TEST(SkyColours, PlainSkyRunsFromNightBlueThroughTwilightToDay) {
    EXPECT_EQ(PlainSkyColour(-6.0), (SkyRgb{0, 0, 64}));
    EXPECT_EQ(PlainSkyColour(-30.0), (SkyRgb{0, 0, 64}));
    EXPECT_EQ(PlainSkyColour(-3.0), (SkyRgb{0, 0, 159}));
    EXPECT_EQ(PlainSkyColour(-0.0001), (SkyRgb{0, 0, 254}));
    EXPECT_EQ(PlainSkyColour(0.0), (SkyRgb{0, 0, 255}));
    EXPECT_EQ(PlainSkyColour(0.5), (SkyRgb{54, 54, 255}));
    EXPECT_EQ(PlainSkyColour(1.0), (SkyRgb{108, 108, 255}));
}

TEST(SkyColours, RealSkyRegimesMeetAtTheirBoundaries) {
    const RealSkyColours night = RealSkyPalette(-7, -8);
    EXPECT_EQ(night.zenith, (SkyRgb{0, 0, 64}));
    EXPECT_EQ(night.toward, (SkyRgb{32, 32, 64}));
    const RealSkyColours day = RealSkyPalette(6, 5);
    EXPECT_EQ(day.toward, (SkyRgb{196, 244, 255}));
    // Rising at -6: the rims start from the night rim colour.
    EXPECT_EQ(RealSkyPalette(-6, -6.1).away, (SkyRgb{32, 32, 64}));
    // Rising just below 6 reaches the day colours.
    const RealSkyColours late = RealSkyPalette(5.9999, 5.9);
    EXPECT_NEAR(late.zenith.r, 63, 1);
    EXPECT_NEAR(late.toward.g, 244, 1);
    // Morning and evening differ at the same elevation.
    EXPECT_NE(RealSkyPalette(-2, -3).toward, RealSkyPalette(-2, -1).toward);
    // An unchanged elevation counts as setting.
    EXPECT_EQ(RealSkyPalette(-2, -2).toward, RealSkyPalette(-2, -1).toward);
}

TEST(SkyColours, RealSkyShadesFromZenithToABrighterRimTowardTheSun) {
    const int w = 200, h = 100;
    std::vector<std::uint32_t> px(w * h, 0xFF404040u);
    RealSkyColours c{{0, 0, 100}, {10, 10, 10}, {250, 200, 150}};
    // Sun in the east: on the left in NWSE.
    RenderRealSky(px.data(), w, h, w, 90.0, c, PROJECTION_STRETCHED_NWSE);
    auto at = [&](int x, int y) { return px[y * w + x]; };
    EXPECT_EQ(at(0, 0), 0xFF404040u);  // corner outside the ellipse untouched
    EXPECT_NEAR(static_cast<int>(at(100, 50) & 0xFF), 100, 3);  // the zenith colour
    const std::uint32_t left = at(2, 50), right = at(197, 50);
    EXPECT_GT((left >> 16) & 0xFF, 230u);   // near the rim toward the Sun
    EXPECT_LT((right >> 16) & 0xFF, 20u);   // near the rim away from it
    // NESW mirrors it.
    std::fill(px.begin(), px.end(), 0xFF404040u);
    RenderRealSky(px.data(), w, h, w, 90.0, c, PROJECTION_POLAR_NESW);
    EXPECT_GT((at(197, 50) >> 16) & 0xFF, 230u);
    // Every pixel well inside the ellipse is painted (the wedges tile it).
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) {
            const double u = (x + 0.5 - 100) / 100.0, v = (y + 0.5 - 50) / 50.0;
            if (u * u + v * v < 0.9) EXPECT_NE(at(x, y), 0xFF404040u) << x << "," << y;
        }
}

TEST(SkyLabels, CompassLettersSitOnTheHorizonOrInsideForNesw) {
    auto nwse = CompassLetters(0, 600, 600, PROJECTION_POLAR_NWSE);
    ASSERT_EQ(nwse.size(), 4u);
    EXPECT_EQ(nwse[0].letter, 'N');
    EXPECT_EQ(nwse[0].at, (SkyPoint{300, 0}));
    EXPECT_EQ(nwse[2].letter, 'W');
    EXPECT_EQ(nwse[2].at, (SkyPoint{600, 300}));
    EXPECT_EQ(nwse[2].escapement, 2700);
    EXPECT_EQ(nwse[3].at.x, 0);  // east on the left
    EXPECT_NEAR(nwse[3].at.y, 300, 1);
    auto nesw = CompassLetters(10, 600, 600, PROJECTION_STRETCHED_NESW);
    // West on the left at 0.839 of the radius, with the NESW escapements.
    EXPECT_NEAR(nesw[2].at.x, 300 - 0.839 * 300 * std::cos(10 * kDeg), 2);
    EXPECT_EQ(nesw[2].escapement, 800);
    EXPECT_EQ(nesw[2].orientation, 1000);
    EXPECT_EQ(nesw[3].escapement, 2600);
    EXPECT_EQ(nesw[0].escapement, 100);
}

TEST(SkyLabels, RingsAreCentredEllipsesWithLabelsAtHeadingMinus45) {
    auto rings = ElevationRings(0, 600, 400, PROJECTION_STRETCHED_NWSE);
    ASSERT_EQ(rings.size(), 5u);
    EXPECT_EQ(rings[0].elevation, 80);
    // 80 degrees stretched: radius 1/9 of the half axes.
    EXPECT_EQ(rings[0].box, (PixelBox{267, 177, 333, 223}));
    EXPECT_EQ(rings[4].elevation, 10);
    EXPECT_EQ(rings[0].labelEscapement, -450);
    EXPECT_EQ(ElevationRings(0, 600, 400, PROJECTION_POLAR_NESW)[0].labelEscapement, 450);
}

TEST(SkyLabels, SatelliteLabelsStayInsideTheWindow) {
    // Near the left edge the name is flush with the border.
    auto left = PlaceSatelliteLabels(10, 100, 60, 14, 600, 600);
    EXPECT_EQ(left.name, (SkyPoint{30, 107}));
    EXPECT_EQ(left.range, (SkyPoint{30, 121}));
    auto right = PlaceSatelliteLabels(590, 100, 60, 14, 600, 600);
    EXPECT_EQ(right.name.x, 570);
    // Near the bottom both move above the marker.
    auto bottom = PlaceSatelliteLabels(300, 570, 60, 14, 600, 600);
    EXPECT_EQ(bottom.name, (SkyPoint{300, 549}));
    EXPECT_EQ(bottom.range, (SkyPoint{300, 535}));
    auto plain = PlaceSatelliteLabels(300, 300, 60, 14, 600, 600);
    EXPECT_EQ(plain.name, (SkyPoint{300, 307}));
    EXPECT_EQ(FlareMarkerScale(-0.5), 2.0);
    EXPECT_EQ(FlareMarkerScale(-4.0), 3.0);
}

TEST(HeadingDrag, WrapsAroundAndFollowsThePointerAboveAndBelowTheHub) {
    // Right in the lower half increases the heading; in the upper half decreases it.
    EXPECT_EQ(DragHeading(10, 100, 105, 400, 600), 15);
    EXPECT_EQ(DragHeading(10, 100, 105, 200, 600), 5);
    // The first move of a drag has no previous x: no change, 0 becomes 360.
    EXPECT_EQ(DragHeading(0, 0, 250, 400, 600), 360);
    EXPECT_EQ(DragHeading(0, 100, 99, 400, 600), 359);
    EXPECT_EQ(DragHeading(359, 100, 103, 400, 600), 2);
    EXPECT_EQ(DragHeading(5, 100, 900, 400, 600), 85);  // more than a turn in one move
    // The indicator names the azimuth that lies at the top centre of the chart.
    for (int p : kAll) {
        EXPECT_EQ(HeadingIndicatorText(0, p), "000\xC2\xB0");
        for (int heading : {1, 19, 90, 161, 199, 270, 359, 360}) {
            const int shown = HeadingIndicatorValue(heading, p);
            const auto top = Project(DegToRadians(shown + heading), 0.0, 600, 600, p);
            ASSERT_TRUE(top);
            EXPECT_NEAR(top->x, 300, 1) << "projection " << p << " heading " << heading;
            EXPECT_LE(top->y, 1);
        }
    }
    EXPECT_EQ(HeadingIndicatorText(355, PROJECTION_POLAR_NWSE), "005\xC2\xB0");
}

// The day/night background: the blend rules pixel by pixel, and the fast pass against the
// one-arcsine-a-pixel definition.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "astro/sun_moon.h"
#include "earthview/daynight.h"
#include "orbit/globals.h"

namespace orvanta {
namespace {

PixelImage Noise(int w, int h, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    PixelImage image(w, h);
    for (auto& p : image.pixels) p = PixelRgb(byte(gen), byte(gen), byte(gen));
    return image;
}

TEST(ComposePixel, NightTwilightAndDayFollowTheSunsAltitude) {
    const std::uint32_t n = PixelRgb(100, 10, 0), d = PixelRgb(200, 250, 255);
    EXPECT_EQ(ComposePixel(n, d, -0.3, -1), n);
    EXPECT_EQ(ComposePixel(n, d, 0.3, -1), d);
    EXPECT_EQ(ComposePixel(n, d, 0.105, -1), d);
    // On the terminator the blend weight is 0: night, and the blend starts from there.
    EXPECT_EQ(ComposePixel(n, d, 0.0, -1), n);
    // 0.05 rad: u = 0.4762, so 52.38 % night and 47.62 % day.
    EXPECT_EQ(ComposePixel(PixelRgb(100, 100, 100), PixelRgb(200, 200, 200), 0.05, -1), PixelRgb(147, 147, 147));
    EXPECT_EQ(ComposePixel(n, d, 0.05, -1),
              PixelRgb(static_cast<int>(0.5238 * 100 + 0.4762 * 200), static_cast<int>(0.5238 * 10 + 0.4762 * 250),
                  static_cast<int>(0.4762 * 255)));
}

TEST(ComposePixel, CloudsBrightenNightToAThirdAndDayToTheirFullValue) {
    EXPECT_EQ(ComposePixel(PixelRgb(0, 0, 0), PixelRgb(0, 0, 0), -1.0, 255), PixelRgb(85, 85, 85));
    EXPECT_EQ(ComposePixel(PixelRgb(0, 90, 200), PixelRgb(0, 0, 0), -1.0, 255), PixelRgb(85, 90, 200));
    EXPECT_EQ(ComposePixel(PixelRgb(0, 0, 0), PixelRgb(10, 20, 30), 1.0, 255), PixelRgb(255, 255, 255));
    EXPECT_EQ(ComposePixel(PixelRgb(0, 0, 0), PixelRgb(10, 200, 30), 1.0, 100), PixelRgb(100, 200, 100));
    // No cloud (black cloud layer) changes nothing anywhere.
    const std::uint32_t n = PixelRgb(1, 2, 3), d = PixelRgb(4, 5, 6);
    for (double h : {-0.5, 0.0, 0.03, 0.08, 0.5}) EXPECT_EQ(ComposePixel(n, d, h, 0), ComposePixel(n, d, h, -1));
    // Twilight: the floor is the larger of a third of the cloud and the cloud times the weight.
    const double h = 0.05, u = h * kTwilightScale;  // 0.4762
    const int k = static_cast<int>(240 * u);        // 114 > 240 / 3
    EXPECT_EQ(ComposePixel(PixelRgb(0, 0, 0), PixelRgb(0, 0, 250), h, 240), PixelRgb(k, k, static_cast<int>(u * 250)));
}

TEST(DayNightCompositor, FastPassEqualsThePerPixelFormula) {
    const int w = 2048, h = 1024;
    const PixelImage day = Noise(w, h, 1), night = Noise(w, h, 2), clouds = Noise(w, h, 3);
    // Solstices, an equinox and an arbitrary hour, with and without clouds.
    for (double jd : {2461212.0, 2461395.77, 2461120.31}) {
        for (const PixelImage* c : {static_cast<const PixelImage*>(nullptr), &clouds}) {
            const PixelImage fast = ComposeDayNight(day, night, c, jd);
            const PixelImage slow = ComposeDayNightReference(day, night, c, jd);
            int differing = 0, worst = 0;
            for (std::size_t i = 0; i < fast.pixels.size(); ++i) {
                if (fast.pixels[i] == slow.pixels[i]) continue;
                ++differing;
                for (int shift : {0, 8, 16})
                    worst = std::max(worst, std::abs(static_cast<int>((fast.pixels[i] >> shift) & 0xFF) -
                                                     static_cast<int>((slow.pixels[i] >> shift) & 0xFF)));
            }
            EXPECT_LE(worst, 1) << jd;
            EXPECT_LT(differing, 50) << jd;
        }
    }
}

TEST(DayNightCompositor, SubsolarPointIsDayAntisolarPointNight) {
    const int w = 720, h = 360;
    const PixelImage day(w, h, PixelRgb(0, 200, 0)), night(w, h, PixelRgb(0, 0, 90));
    const double jd = 2461383.0;  // 2026-12-08 12:00 UTC
    const PixelImage out = ComposeDayNight(day, night, nullptr, jd);
    const SunGeometry sun = SunGeometryAt(jd);
    // The Sun stands overhead where the longitude equals its right ascension minus sidereal time.
    double lon = sun.raRad - sun.gastRad;
    while (lon < -PI) lon += TWOPI;
    while (lon > PI) lon -= TWOPI;
    const int col = static_cast<int>((lon + PI) / TWOPI * w);
    const int row = static_cast<int>((PI / 2 - sun.decRad) / PI * h);
    EXPECT_NEAR(sun.decRad * RAD_TO_DEG, -22.8, 0.3);  // early December
    EXPECT_NEAR(SunAltitudeAt(sun, col, row, w, h), PI / 2, 0.02);
    EXPECT_EQ(out.At(col, row), PixelRgb(0, 200, 0));
    EXPECT_EQ(out.At((col + w / 2) % w, h - 1 - row), PixelRgb(0, 0, 90));
    // Midwinter in the north: the pole is dark, the south pole lit.
    EXPECT_EQ(out.At(col, 0), PixelRgb(0, 0, 90));
    EXPECT_EQ(out.At(col, h - 1), PixelRgb(0, 200, 0));
    // Along the row through the subsolar point the terminator lies a quarter turn away
    // (the Sun near the equator's plane is not needed: every row has its crossing): the
    // pixels change from day to night exactly where the altitude crosses zero.
    for (int x = 0; x < w; ++x) {
        const double alt = SunAltitudeAt(sun, x, row, w, h);
        if (alt < 0) {
            EXPECT_EQ(out.At(x, row), PixelRgb(0, 0, 90)) << x;
        } else if (alt >= kTwilightAltitude) {
            EXPECT_EQ(out.At(x, row), PixelRgb(0, 200, 0)) << x;
        }
    }
}

TEST(DayNightCompositor, MismatchedLayersGiveTheDayImageUnshaded) {
    const PixelImage day(16, 8, PixelRgb(1, 2, 3)), night(8, 8);
    EXPECT_EQ(ComposeDayNight(day, night, nullptr, 2461383.0).pixels, day.pixels);
}

TEST(CloudLayer, LargerMapsAreCutSmallerOnesCoverTheTopLeft) {
    PixelImage big(30, 20, PixelRgb(200, 0, 0));
    const PixelImage cut = CloudLayerFrom(big, 16, 8);
    EXPECT_EQ(cut.width, 16);
    EXPECT_EQ(cut.At(15, 7), PixelRgb(200, 0, 0));
    PixelImage small(4, 3, PixelRgb(90, 0, 0));
    const PixelImage part = CloudLayerFrom(small, 16, 8);
    EXPECT_EQ(part.At(3, 2), PixelRgb(90, 0, 0));
    EXPECT_EQ(part.At(4, 2), PixelRgb(0, 0, 0));
    EXPECT_EQ(part.At(3, 3), PixelRgb(0, 0, 0));
}

}  // namespace
}  // namespace orvanta

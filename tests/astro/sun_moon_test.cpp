// Sun, Moon and sidereal time against the worked examples of Meeus,
// Astronomical Algorithms, 2nd ed. (example numbers in the test names'
// comments), to the precision printed there unless a comment says why not.
#include <gtest/gtest.h>

#include <cmath>

#include "astro/sun_moon.h"

namespace orvanta {
namespace {

constexpr double DEG = 0.017453292519943295;

double Hms(double h, double m, double s) { return (h + m / 60.0 + s / 3600.0) * 15.0; }
double Dms(double d, double m, double s) { return d + m / 60.0 + s / 3600.0; }
double Normalized(double a) {
    NormalizeDegrees(a);
    return a;
}

TEST(NormalizeDegrees, WholeTurnsAndBoundaries) {
    EXPECT_EQ(Normalized(720.0), 0.0);
    EXPECT_EQ(Normalized(360.0), 0.0);
    EXPECT_EQ(Normalized(-0.5), 359.5);
    EXPECT_EQ(Normalized(-720.25), 359.75);
    EXPECT_EQ(Normalized(359.75), 359.75);
    EXPECT_EQ(Normalized(1.0e6 + 0.5), std::fmod(1.0e6 + 0.5, 360.0));
    // A negative angle too small to survive adding a turn must not come out as 360.
    const double tiny = Normalized(-1.0e-20);
    EXPECT_GE(tiny, 0.0);
    EXPECT_LT(tiny, 360.0);
    // Whole-turn loops would never end on an infinite angle.
    EXPECT_TRUE(std::isnan(Normalized(INFINITY)));
    EXPECT_TRUE(std::isnan(Normalized(-INFINITY)));
}

TEST(SiderealTime, MeeusExamples) {
    // J2000.0: the mean value is the constant term; nutation moves it by -0.003576 deg.
    EXPECT_NEAR(MeanSiderealTime(2451545.0), 280.46061837, 1e-9);
    EXPECT_NEAR(ApparentSiderealTime(2451545.0), 280.457042, 5e-7);
    // 12.a: 1987 April 10, 0h UT.
    EXPECT_NEAR(MeanSiderealTime(2446895.5), Hms(13, 10, 46.3668), 5e-7);
    // The book's apparent value uses the full nutation series; the short one is
    // good to about 0.5" in longitude.
    EXPECT_NEAR(ApparentSiderealTime(2446895.5), Hms(13, 10, 46.1351), 5e-5);
    // 12.b: 1987 April 10, 19h21m00s UT; the book prints 128.7378734, one unit
    // of its last digit above what its own formula gives in exact arithmetic.
    EXPECT_NEAR(MeanSiderealTime(2446896.30625), 128.7378734, 5e-7);
}

TEST(SiderealTime, StaysInRange) {
    for (double jd = 2415020.0; jd < 2488070.0; jd += 3652.37) {
        const double mean = MeanSiderealTime(jd);
        const double apparent = ApparentSiderealTime(jd);
        EXPECT_GE(mean, 0.0);
        EXPECT_LT(mean, 360.0);
        EXPECT_GE(apparent, 0.0);
        EXPECT_LT(apparent, 360.0);
        // The equation of the equinoxes stays below 1.2 s of time (18").
        EXPECT_LT(std::fabs(std::remainder(apparent - mean, 360.0)), 18.0 / 3600.0) << jd;
    }
}

TEST(NutationAndObliquity, MeeusExample22a) {
    // 1987 April 10, 0h TD.
    const double t = JulianCenturies(2446895.5);
    EXPECT_NEAR(t, -0.127296372348, 1e-12);
    EXPECT_NEAR(MeanObliquity(t), Dms(23, 26, 27.407), 0.0005 / 3600.0);
    EXPECT_NEAR(MeanObliquity(0.0), 84381.448 / 3600.0, 1e-12);
    // The short series is stated good to 0.5" (longitude) and 0.1" (obliquity)
    // against the full values printed in the example.
    const NutationArcsec n = Nutation(t, 218.3165 + 481267.8813 * t);
    EXPECT_NEAR(n.longitude, -3.788, 0.5);
    EXPECT_NEAR(n.obliquity, 9.443, 0.1);
}

TEST(NutationAndObliquity, HighPowersOfUMatter) {
    // Ten thousand years out the U^5..U^10 terms carry arc minutes; the series
    // stays near the known 22.6..24.5 deg band.
    const double far = MeanObliquity(100.0);
    EXPECT_GT(far, 22.0);
    EXPECT_LT(far, 25.0);
    EXPECT_NE(far, MeanObliquity(-100.0));
}

TEST(Sun, MeeusExample25a) {
    // 1992 October 13, 0h TD.
    double ra, dec;
    SunEquatorial(2448908.5, ra, dec);
    EXPECT_NEAR(ra, -161.61917, 5e-6);
    EXPECT_NEAR(ra + 360.0, 198.38083, 5e-6);
    EXPECT_NEAR(dec, -7.78507, 5e-6);

    double raRad, decRad;
    SunEquatorialRadians(2448908.5, raRad, decRad);
    EXPECT_NEAR(raRad, ra * DEG, 1e-14);
    EXPECT_NEAR(decRad, dec * DEG, 1e-14);
}

TEST(Sun, EquinoxesAndSolstices) {
    // 2000 March 20 07:35 UT (equinox) and June 21 01:48 UT (solstice).
    double ra, dec;
    SunEquatorial(2451623.816, ra, dec);
    EXPECT_NEAR(dec, 0.0, 0.01);
    EXPECT_NEAR(ra, 0.0, 0.02);
    SunEquatorial(2451716.575, ra, dec);
    EXPECT_NEAR(dec, 23.4377, 0.01);
    EXPECT_NEAR(ra, 90.0, 0.02);
    // Right ascension is reported in (-180, 180].
    SunEquatorial(2451716.575 + 120.0, ra, dec);
    EXPECT_GT(ra, -180.0);
    EXPECT_LE(ra, 180.0);
    EXPECT_LT(ra, 0.0);
}

TEST(Moon, MeeusExample47a) {
    // 1992 April 12, 0h TD.
    const double jd = 2448724.5;
    double lambda, beta, distance;
    MoonEcliptic(jd, lambda, beta, distance);
    // Six decimals of a degree are units of the tables' sums: these check every
    // row of Tables 47.A and 47.B that is not negligible on that date.
    EXPECT_NEAR(lambda, 133.162655, 5e-7);
    EXPECT_NEAR(beta, -3.229126, 5e-7);
    EXPECT_NEAR(distance, 368409.7, 0.05);

    // With the book's nutation (full series) the conversion gives its printed place.
    double ra, dec;
    EclipticToEquatorial(133.167265, -3.229126, 23.440636, ra, dec);
    EXPECT_NEAR(ra, 134.688470, 5e-7);
    EXPECT_NEAR(dec, 13.768368, 5e-7);

    // The complete routine uses the short nutation series: within its 0.5".
    MoonEquatorial(jd, ra, dec, distance);
    EXPECT_NEAR(ra, 134.688470, 0.5 / 3600.0);
    EXPECT_NEAR(dec, 13.768368, 0.5 / 3600.0);
    EXPECT_NEAR(distance, 368409.7, 0.05);
}

TEST(Moon, DistanceAndLatitudeStayInTheirRanges) {
    // Perigee and apogee lie within 356,400..406,700 km; the latitude within 5.3 deg.
    for (double jd = 2451545.0; jd < 2451545.0 + 3 * 365.25; jd += 0.37) {
        double lambda, beta, distance;
        MoonEcliptic(jd, lambda, beta, distance);
        EXPECT_GT(distance, 356000.0);
        EXPECT_LT(distance, 407000.0);
        EXPECT_LT(std::fabs(beta), 5.35);
        double ra, dec;
        MoonEquatorial(jd, ra, dec, distance);
        EXPECT_GT(ra, -180.0);
        EXPECT_LE(ra, 180.0);
        EXPECT_LT(std::fabs(dec), 29.0);
    }
}

TEST(Horizontal, MeeusExample13b) {
    // Venus from the US Naval Observatory, 1987 April 10, 19h21m00s UT. The book
    // counts azimuth from the south; ours counts from the north.
    const AstroSite usno(Dms(38, 55, 17), -Dms(77, 3, 56));
    double az, el;
    EquatorialToHorizontal(Hms(23, 9, 16.641), -Dms(6, 43, 11.61), Hms(8, 34, 56.853), usno, az, el);
    EXPECT_NEAR(az - 180.0, 68.0337, 1.5e-4);
    EXPECT_NEAR(el, 15.1249, 1.5e-4);
}

TEST(Horizontal, AzimuthConventions) {
    const AstroSite site(40.0, 0.0);
    double az, el;
    // On the meridian north of the zenith: 360, never 0.
    EquatorialToHorizontal(10.0, 60.0, 10.0, site, az, el);
    EXPECT_DOUBLE_EQ(az, 360.0);
    EXPECT_NEAR(el, 70.0, 1e-9);
    // Below the pole, hour angle 180.
    EquatorialToHorizontal(10.0, 60.0, 190.0, site, az, el);
    EXPECT_NEAR(az, 360.0, 1e-9);
    EXPECT_NEAR(el, 10.0, 1e-9);
    // South of the zenith: 180.
    EquatorialToHorizontal(10.0, 0.0, 10.0, site, az, el);
    EXPECT_DOUBLE_EQ(az, 180.0);
    EXPECT_NEAR(el, 50.0, 1e-9);
    // Before transit (negative hour angle) the body is in the east.
    EquatorialToHorizontal(100.0, 0.0, 10.0, site, az, el);
    EXPECT_NEAR(az, 90.0, 1e-9);
    EXPECT_NEAR(el, 0.0, 1e-9);
    // After transit, west; east longitudes add to the hour angle.
    EquatorialToHorizontal(100.0, 0.0, 10.0, AstroSite(40.0, 180.0), az, el);
    EXPECT_NEAR(az, 270.0, 1e-9);
    for (double h = -720.0; h <= 720.0; h += 7.5) {
        EquatorialToHorizontal(0.0, 20.0, h, site, az, el);
        EXPECT_GT(az, 0.0);
        EXPECT_LE(az, 360.0);
    }
}

TEST(Horizontal, SunOverheadWhereItsPlaceSaysSo) {
    // A site at the Sun's declination and at the longitude where its hour angle
    // is zero sees it at the zenith; a quarter day later it is on the horizon.
    const double jd = 2448908.5;
    double ra, dec;
    SunEquatorial(jd, ra, dec);
    const double lon = std::remainder(ra - ApparentSiderealTime(jd), 360.0);
    const AstroSite site(dec, lon);
    double az, el;
    SunHorizontal(jd, site, az, el);
    EXPECT_NEAR(el, 90.0, 1e-5);

    double az2, el2, distance;
    MoonHorizontal(jd, site, az2, el2, distance);
    double mra, mdec;
    MoonEquatorial(jd, mra, mdec, distance);
    double az3, el3;
    EquatorialToHorizontal(mra, mdec, ApparentSiderealTime(jd), site, az3, el3);
    EXPECT_DOUBLE_EQ(az2, az3);
    EXPECT_DOUBLE_EQ(el2, el3);
}

TEST(Horizontal, FromRadiansMatchesDegrees) {
    const AstroSite a(51.5, -0.25);
    const AstroSite b = AstroSite::FromRadians(51.5 * DEG, -0.25 * DEG);
    EXPECT_NEAR(a.LatitudeDeg(), b.LatitudeDeg(), 1e-12);
    EXPECT_NEAR(a.LongitudeDeg(), b.LongitudeDeg(), 1e-12);
    EXPECT_NEAR(a.SinLat(), b.SinLat(), 1e-15);
    EXPECT_NEAR(a.CosLat(), b.CosLat(), 1e-15);
}

TEST(WithinBox, WrapAndStrictness) {
    // 359 becomes -1 (above 360 - tol); 0.5 stays: 1.5 apart.
    EXPECT_TRUE(WithinBox(359.0, 10.0, 0.5, 10.0, 2.0));
    EXPECT_TRUE(WithinBox(0.5, 10.0, 359.0, 10.0, 2.0));
    EXPECT_FALSE(WithinBox(359.0, 10.0, 1.5, 10.0, 2.0));
    // Both near north.
    EXPECT_TRUE(WithinBox(359.5, 0.0, 358.5, 1.0, 2.0));
    // 358 is not above 360 - 2, so it is compared unchanged with -1.
    EXPECT_FALSE(WithinBox(358.0, 0.0, 359.5, 0.0, 2.0));
    // Differences equal to the tolerance are outside.
    EXPECT_FALSE(WithinBox(100.0, 10.0, 102.0, 10.0, 2.0));
    EXPECT_FALSE(WithinBox(100.0, 10.0, 101.0, 12.0, 2.0));
    EXPECT_TRUE(WithinBox(100.0, 10.0, 101.9, 11.9, 2.0));
    EXPECT_FALSE(WithinBox(100.0, 10.0, 100.0, -10.0, 2.0));
}

}  // namespace
}  // namespace orvanta

// Sidereal time, nutation and obliquity (Meeus chapters 12 and 22).
#include <cmath>

#include "astro/astro_detail.h"
#include "astro/sun_moon.h"

namespace orvanta {

using namespace astro_detail;

double JulianCenturies(double jd) { return (jd - J2000) / 36525.0; }

void NormalizeDegrees(double& angle) {
    // fmod is exact, so this equals repeated subtraction without its rounding
    // and without thousands of turns for sidereal angles.
    if (angle >= 360.0 || angle < 0.0) angle = std::fmod(angle, 360.0);
    if (angle < 0.0) angle += 360.0;
    // A tiny negative angle rounds up to 360 when the turn is added.
    if (angle >= 360.0) angle = 0.0;
}

double MeanObliquity(double t) {
    const double u = t / 100.0;
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double u4 = u2 * u2;
    const double u5 = u4 * u;
    const double u6 = u4 * u2;
    const double u7 = u4 * u3;
    const double u8 = u4 * u4;
    const double u9 = u8 * u;
    const double u10 = u8 * u2;
    return (84381.448 - 4680.93 * u - 1.55 * u2 + 1999.25 * u3 - 51.38 * u4 - 249.67 * u5 -
            39.05 * u6 + 7.12 * u7 + 27.87 * u8 + 5.79 * u9 + 2.45 * u10) /
           3600.0;
}

NutationArcsec astro_detail::NutationFromMoonLongitude(double t, double sin2Lp, double cos2Lp) {
    const double omega = MoonNodeLongitude(t) * DEG;
    const double l2 = 2.0 * NutationSunLongitude(t) * DEG;
    const double sinOmega = std::sin(omega), cosOmega = std::cos(omega);
    const double sinL2 = std::sin(l2), cosL2 = std::cos(l2);
    const double sin2Omega = 2.0 * sinOmega * cosOmega;
    const double cos2Omega = cosOmega * cosOmega - sinOmega * sinOmega;
    NutationArcsec n;
    n.longitude = -17.20 * sinOmega - 1.32 * sinL2 - 0.23 * sin2Lp + 0.21 * sin2Omega;
    n.obliquity = 9.20 * cosOmega + 0.57 * cosL2 + 0.10 * cos2Lp - 0.09 * cos2Omega;
    return n;
}

NutationArcsec Nutation(double t, double moonMeanLongitude) {
    const double lm2 = 2.0 * moonMeanLongitude * DEG;
    return NutationFromMoonLongitude(t, std::sin(lm2), std::cos(lm2));
}

double MeanSiderealTime(double jd) {
    const double t = JulianCenturies(jd);
    double theta0 = 280.46061837 + 360.98564736629 * (jd - J2000) + 0.000387933 * t * t -
                    t * t * t / 38710000.0;
    NormalizeDegrees(theta0);
    return theta0;
}

double ApparentSiderealTime(double jd) {
    const double t = JulianCenturies(jd);
    const NutationArcsec n = Nutation(t, 218.3165 + 481267.8813 * t);
    const double eps = MeanObliquity(t) + n.obliquity / 3600.0;
    double theta = MeanSiderealTime(jd) + (n.longitude / 3600.0) * std::cos(eps * DEG);
    NormalizeDegrees(theta);
    return theta;
}

}  // namespace orvanta

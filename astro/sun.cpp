// The Sun's apparent place, low accuracy (Meeus chapter 25): about 0.01 degree.
#include <cmath>

#include "astro/astro_detail.h"
#include "astro/sun_moon.h"

namespace orvanta {

using namespace astro_detail;

void SunEquatorialRadians(double jd, double& raRad, double& decRad) {
    const double t = JulianCenturies(jd);
    double l0 = 280.46646 + 36000.76983 * t + 0.0003032 * t * t;
    NormalizeDegrees(l0);
    double m = 357.52911 + 35999.05029 * t - 0.0001537 * t * t;
    NormalizeDegrees(m);
    const double mr = m * DEG;
    const double c = (1.914602 - 0.004817 * t - 0.000014 * t * t) * std::sin(mr) +
                     (0.019993 - 0.000101 * t) * std::sin(2.0 * mr) + 0.000289 * std::sin(3.0 * mr);
    const double omega = (125.04 - 1934.136 * t) * DEG;
    const double lambda = (l0 + c - 0.00569 - 0.00478 * std::sin(omega)) * DEG;
    const double eps = (MeanObliquity(t) + 0.00256 * std::cos(omega)) * DEG;
    const double sinLambda = std::sin(lambda);
    raRad = std::atan2(std::cos(eps) * sinLambda, std::cos(lambda));
    const double x = std::sin(eps) * sinLambda;
    decRad = std::atan(x / std::sqrt(1.0 - x * x));
}

void SunEquatorial(double jd, double& ra, double& dec) {
    SunEquatorialRadians(jd, ra, dec);
    ra *= INV_DEG;
    dec *= INV_DEG;
}

}  // namespace orvanta

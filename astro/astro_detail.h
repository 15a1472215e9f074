#pragma once
// Constants and small helpers shared by the astro sources only.
#include <cmath>

namespace orvanta::astro_detail {

inline constexpr double PI_ = 3.141592653589793;
inline constexpr double DEG = 0.017453292519943295;      // radians per degree
inline constexpr double INV_DEG = 57.29577951308232;     // degrees per radian
inline constexpr double J2000 = 2451545.0;

// Longitude of the ascending node of the Moon's mean orbit, degrees (not normalised).
inline double MoonNodeLongitude(double t) {
    return 125.04452 - 1934.136261 * t + 0.0020708 * t * t + t * t * t / 450000.0;
}

// Sun's mean longitude as the nutation series uses it, degrees.
inline double NutationSunLongitude(double t) { return 280.4665 + 36000.7698 * t; }

}  // namespace orvanta::astro_detail

namespace orvanta {
struct NutationArcsec;
namespace astro_detail {
// Nutation from the sine and cosine of twice the Moon's mean longitude.
NutationArcsec NutationFromMoonLongitude(double t, double sin2Lp, double cos2Lp);
}  // namespace astro_detail
}  // namespace orvanta

#pragma once
// Constants and angle helpers shared by the orbit model and the astronomy code.
// Distances of the model are WGS-72, as the element sets are fitted with them.
#include <cmath>

namespace orvanta {

constexpr double TWOPI = 6.283185307179586;
constexpr double PI = 3.141592653589793;
constexpr double DEG_TO_RAD = 0.017453292519943295;
constexpr double RAD_TO_DEG = 57.29577951308232;

constexpr double XKMPER = 6378.135;          // Earth equatorial radius, km (WGS-72)
constexpr double AE = 1.0;                   // propagator distance unit, earth radii
constexpr double F = 1.0 / 298.26;           // flattening (WGS-72)
constexpr double E2 = 0.006694317778266723;  // first eccentricity squared, F(2 - F)
constexpr double ONE_MINUS_F = 0.9966472205458325;
constexpr double EARTH_ROT_PER_DAY = 1.00273790934;
constexpr double SEC_PER_DAY = 86400.0;
constexpr double MIN_PER_DAY = 1440.0;
constexpr double J2000_JD = 2451545.0;
constexpr double KM_PER_S_PER_ER_PER_MIN = 106.30225;  // XKMPER / 60

// Propagator constants (WGS-72, as the 1980 report gives them).
// XKE = sqrt(3600 * 398600.8 / XKMPER^3) in earth radii^1.5 per minute.
constexpr double XKE = 0.07436691613317341;
constexpr double CK2 = 0.0005413079;              // J2 / 2
constexpr double CK4 = 6.2098875e-7;              // -3/8 J4
constexpr double XJ3 = -2.53881e-6;               // J3
constexpr double QO = 1.018814277214264;          // AE + 120 km
constexpr double S = 1.0122292801892716;          // AE + 78 km
constexpr double QOMS2T = 1.8802791590153552e-9;  // (QO - S)^4

inline double Sqr(double x) {
    return x * x;
}
inline double DegToRad(double deg) {
    return deg * DEG_TO_RAD;
}
inline double RadToDeg(double rad) {
    return rad * RAD_TO_DEG;
}

// Remainder of x by 2 pi in [0, 2 pi).
inline double Fmod2p(double x) {
    // glibc's fmod walks the exponent difference bit by bit, and the propagator takes one
    // a state. For x > 0 the remainder is representable, so x - n 2 pi with one rounding
    // (fma) is it exactly; a quotient off by one is put right by an exact add or subtract.
    // Zeros go to fmod, which keeps their sign.
    if (x > 0.0 && x < 1e15) {
        const double n = std::floor(x / TWOPI);
        double q = std::fma(-n, TWOPI, x);
        if (q < 0.0)
            q += TWOPI;
        else if (q >= TWOPI)
            q -= TWOPI;
        return q;
    }
    double r = std::fmod(x, TWOPI);
    if (r < 0.0) r += TWOPI;
    return r;
}

// Arc tangent of sinx/cosx with the quadrant taken from cosx; the result lies in
// (-pi/2, 3pi/2]. Callers that need [0, 2 pi) normalise themselves.
inline double AcTan(double sinx, double cosx) {
    if (cosx == 0.0) return sinx > 0.0 ? PI / 2.0 : 3.0 * PI / 2.0;
    if (cosx > 0.0) return std::atan(sinx / cosx);
    return std::atan(sinx / cosx) + PI;
}

}  // namespace orvanta

#pragma once
// Branch-free double-precision sine, cosine, arc tangent and reduction by 2 pi for the batch
// propagator. Plain arithmetic and selects only, so a loop that calls them vectorises (the
// library functions are calls the compiler cannot vectorise without -ffast-math). Within a few
// units in the last place of the library over |x| <= 1e6 rad; callers keep their arguments in
// that range. Needs round-to-nearest double arithmetic without excess precision (SSE2 or any
// 64-bit target).
#include <bit>
#include <cstdint>

#include "orbit/globals.h"

// The lane loops get an AVX2 copy chosen at load time where the toolchain can dispatch (ifunc);
// elsewhere they are compiled once for the baseline. FMA is left out on purpose: contracting
// the model's products would move the results further from the scalar code's.
#if defined(__GNUC__) && defined(__linux__) && defined(__x86_64__)
#define ORVANTA_LANE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORVANTA_LANE_CLONES
#endif

namespace orvanta::sgp4batch {

constexpr double ARG_LIMIT = 1e6;

// Nearest integer by the 1.5 * 2^52 trick; |y| < 2^51.
inline double Round(double y) {
    constexpr double magic = 6755399441055744.0;
    return (y + magic) - magic;
}

inline double Floor(double y) {
    const double f = Round(y);
    return f > y ? f - 1.0 : f;
}

// sin and cos of x. Cody-Waite reduction by pi/2 in three parts (33, 33 and 53 bits, so
// q * part is exact for |q| < 2^20), then minimax polynomials on |r| <= pi/4 (the Cephes
// coefficients).
inline void SinCos(double x, double& sinx, double& cosx) {
    constexpr double TWO_OVER_PI = 0.63661977236758134308;
    constexpr double P1 = 1.57079632673412561417e+00;
    constexpr double P2 = 6.07710050630396597660e-11;
    constexpr double P3 = 2.02226624879595063154e-21;
    const double q = Round(x * TWO_OVER_PI);
    const double r = ((x - q * P1) - q * P2) - q * P3;
    const double z = r * r;
    // clang-format off
    const double s =
        r + r * z *
                (((((1.58962301576546568060e-10 * z - 2.50507477628578072866e-8) * z +
                    2.75573136213857245213e-6) * z - 1.98412698295895385996e-4) * z +
                  8.33333333332211858878e-3) * z - 1.66666666666666307295e-1);
    const double c =
        1.0 - 0.5 * z +
        z * z *
            (((((-1.13585365213876817300e-11 * z + 2.08757008419747316778e-9) * z -
                2.75573141792967388112e-7) * z + 2.48015872888517045348e-5) * z -
              1.38888888888730564116e-3) * z + 4.16666666666665929218e-2);
    // clang-format on
    // Quadrant q mod 4: odd ones swap sine and cosine, the upper two negate both.
    const double m = q - 4.0 * Floor(q * 0.25);
    const bool swap = (m == 1.0) | (m == 3.0);
    const double sign = m >= 2.0 ? -1.0 : 1.0;
    sinx = sign * (swap ? c : s);
    cosx = sign * (swap ? -s : c);
}

// Arc tangent (Cephes reduction: beyond tan(3pi/8) from pi/2, beyond 0.66 from pi/4).
inline double Atan(double x) {
    constexpr double T3P8 = 2.41421356237309504880;
    constexpr double MOREBITS = 6.123233995736765886130e-17;
    const double ax = x < 0.0 ? -x : x;
    const bool big = ax > T3P8;
    const bool mid = !big & (ax > 0.66);
    const double num = big ? -1.0 : (mid ? ax - 1.0 : ax);
    const double den = big ? ax : (mid ? ax + 1.0 : 1.0);
    const double y = num / den;
    const double z = y * y;
    // clang-format off
    const double p = (((-8.750608600031904122785e-1 * z - 1.615753718733365076637e1) * z -
                       7.500855792314704667340e1) * z - 1.228866684490136173410e2) * z -
                     6.485021904942025371773e1;
    const double qq = ((((z + 2.485846490142306297962e1) * z + 1.650270098316988542046e2) * z +
                        4.328810604912902668951e2) * z + 4.853903996359136964868e2) * z +
                      1.945506571482613964425e2;
    // clang-format on
    const double base = big ? PI / 2.0 : (mid ? PI / 4.0 : 0.0);
    const double extra = big ? MOREBITS : (mid ? 0.5 * MOREBITS : 0.0);
    const double r = base + ((y * (z * p / qq) + y) + extra);
    return x < 0.0 ? -r : r;
}

// AcTan of globals.h: quadrant from cosx, result in (-pi/2, 3pi/2].
inline double AcTan(double sinx, double cosx) {
    const double a = Atan(sinx / cosx);
    const double byCos = cosx > 0.0 ? a : a + PI;
    const double zero = sinx > 0.0 ? PI / 2.0 : 3.0 * PI / 2.0;
    return cosx == 0.0 ? zero : byCos;
}

// Fmod2p of globals.h: x - k * TWOPI with TWOPI split so k * hi is exact, then into [0, 2pi).
inline double Fmod2p(double x) {
    constexpr double HI = std::bit_cast<double>(std::bit_cast<std::uint64_t>(TWOPI) &
                                                ~((std::uint64_t{1} << 28) - 1));
    constexpr double LO = TWOPI - HI;
    const double k = Round(x * (1.0 / TWOPI));
    double r = (x - k * HI) - k * LO;
    r = r < 0.0 ? r + TWOPI : r;
    return r >= TWOPI ? r - TWOPI : r;
}

}  // namespace orvanta::sgp4batch

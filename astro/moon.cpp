// The Moon's apparent place (Meeus chapter 47): about 10" in longitude and 4"
// in latitude, from the periodic terms of the ELP-2000/82 theory that the book
// tabulates.
#include <cmath>
#include <cstdint>

#include "astro/astro_detail.h"
#include "astro/sun_moon.h"

namespace orvanta {

using namespace astro_detail;

namespace {

// One periodic term: multipliers of D, M, M', F and the coefficients.
struct LongitudeDistanceTerm {
    std::int8_t d, m, mp, f;
    std::int32_t sinLongitude;   // 1e-6 degree
    std::int32_t cosDistance;    // metres
};

struct LatitudeTerm {
    std::int8_t d, m, mp, f;
    std::int32_t sinLatitude;    // 1e-6 degree
};

// Meeus, Astronomical Algorithms, 2nd ed., Table 47.A.
constexpr LongitudeDistanceTerm LONGITUDE_DISTANCE_TERMS[60] = {
    {0, 0, 1, 0, 6288774, -20905355},
    {2, 0, -1, 0, 1274027, -3699111},
    {2, 0, 0, 0, 658314, -2955968},
    {0, 0, 2, 0, 213618, -569925},
    {0, 1, 0, 0, -185116, 48888},
    {0, 0, 0, 2, -114332, -3149},
    {2, 0, -2, 0, 58793, 246158},
    {2, -1, -1, 0, 57066, -152138},
    {2, 0, 1, 0, 53322, -170733},
    {2, -1, 0, 0, 45758, -204586},
    {0, 1, -1, 0, -40923, -129620},
    {1, 0, 0, 0, -34720, 108743},
    {0, 1, 1, 0, -30383, 104755},
    {2, 0, 0, -2, 15327, 10321},
    {0, 0, 1, 2, -12528, 0},
    {0, 0, 1, -2, 10980, 79661},
    {4, 0, -1, 0, 10675, -34782},
    {0, 0, 3, 0, 10034, -23210},
    {4, 0, -2, 0, 8548, -21636},
    {2, 1, -1, 0, -7888, 24208},
    {2, 1, 0, 0, -6766, 30824},
    {1, 0, -1, 0, -5163, -8379},
    {1, 1, 0, 0, 4987, -16675},
    {2, -1, 1, 0, 4036, -12831},
    {2, 0, 2, 0, 3994, -10445},
    {4, 0, 0, 0, 3861, -11650},
    {2, 0, -3, 0, 3665, 14403},
    {0, 1, -2, 0, -2689, -7003},
    {2, 0, -1, 2, -2602, 0},
    {2, -1, -2, 0, 2390, 10056},
    {1, 0, 1, 0, -2348, 6322},
    {2, -2, 0, 0, 2236, -9884},
    {0, 1, 2, 0, -2120, 5751},
    {0, 2, 0, 0, -2069, 0},
    {2, -2, -1, 0, 2048, -4950},
    {2, 0, 1, -2, -1773, 4130},
    {2, 0, 0, 2, -1595, 0},
    {4, -1, -1, 0, 1215, -3958},
    {0, 0, 2, 2, -1110, 0},
    {3, 0, -1, 0, -892, 3258},
    {2, 1, 1, 0, -810, 2616},
    {4, -1, -2, 0, 759, -1897},
    {0, 2, -1, 0, -713, -2117},
    {2, 2, -1, 0, -700, 2354},
    {2, 1, -2, 0, 691, 0},
    {2, -1, 0, -2, 596, 0},
    {4, 0, 1, 0, 549, -1423},
    {0, 0, 4, 0, 537, -1117},
    {4, -1, 0, 0, 520, -1571},
    {1, 0, -2, 0, -487, -1739},
    {2, 1, 0, -2, -399, 0},
    {0, 0, 2, -2, -381, -4421},
    {1, 1, 1, 0, 351, 0},
    {3, 0, -2, 0, -340, 0},
    {4, 0, -3, 0, 330, 0},
    {2, -1, 2, 0, 327, 0},
    {0, 2, 1, 0, -323, 1165},
    {1, 1, -1, 0, 299, 0},
    {2, 0, 3, 0, 294, 0},
    {2, 0, -1, -2, 0, 8752},
};

// Meeus, Astronomical Algorithms, 2nd ed., Table 47.B.
constexpr LatitudeTerm LATITUDE_TERMS[60] = {
    {0, 0, 0, 1, 5128122},
    {0, 0, 1, 1, 280602},
    {0, 0, 1, -1, 277693},
    {2, 0, 0, -1, 173237},
    {2, 0, -1, 1, 55413},
    {2, 0, -1, -1, 46271},
    {2, 0, 0, 1, 32573},
    {0, 0, 2, 1, 17198},
    {2, 0, 1, -1, 9266},
    {0, 0, 2, -1, 8822},
    {2, -1, 0, -1, 8216},
    {2, 0, -2, -1, 4324},
    {2, 0, 1, 1, 4200},
    {2, 1, 0, -1, -3359},
    {2, -1, -1, 1, 2463},
    {2, -1, 0, 1, 2211},
    {2, -1, -1, -1, 2065},
    {0, 1, -1, -1, -1870},
    {4, 0, -1, -1, 1828},
    {0, 1, 0, 1, -1794},
    {0, 0, 0, 3, -1749},
    {0, 1, -1, 1, -1565},
    {1, 0, 0, 1, -1491},
    {0, 1, 1, 1, -1475},
    {0, 1, 1, -1, -1410},
    {0, 1, 0, -1, -1344},
    {1, 0, 0, -1, -1335},
    {0, 0, 3, 1, 1107},
    {4, 0, 0, -1, 1021},
    {4, 0, -1, 1, 833},
    {0, 0, 1, -3, 777},
    {4, 0, -2, 1, 671},
    {2, 0, 0, -3, 607},
    {2, 0, 2, -1, 596},
    {2, -1, 1, -1, 491},
    {2, 0, -2, 1, -451},
    {0, 0, 3, -1, 439},
    {2, 0, 2, 1, 422},
    {2, 0, -3, -1, 421},
    {2, 1, -1, 1, -366},
    {2, 1, 0, 1, -351},
    {4, 0, 0, 1, 331},
    {2, -1, 1, 1, 315},
    {2, -2, 0, -1, 302},
    {0, 0, 1, 3, -283},
    {2, 1, 1, -1, -229},
    {1, 1, 0, -1, 223},
    {1, 1, 0, 1, 223},
    {0, 1, -2, -1, -220},
    {2, 1, -1, -1, -220},
    {1, 0, 1, 1, -185},
    {2, -1, -2, -1, 181},
    {0, 1, 2, 1, -177},
    {4, 0, -2, -1, 176},
    {4, -1, -1, -1, 166},
    {1, 0, 1, -1, -164},
    {4, 0, 1, -1, 132},
    {1, 0, -1, -1, -119},
    {4, -1, 0, -1, 115},
    {2, -2, 0, 1, 107},
};

// Largest multipliers in the tables: D 0..4, |M| <= 2, |M'| <= 4, |F| <= 3.
constexpr int MAX_MULTIPLE = 4;

// cos and sin of k*x for k = -n..n (stored at k + MAX_MULTIPLE), by the
// angle-addition recurrence: one sincos per argument instead of one per term,
// and no branches in the term loop.
struct Multiples {
    double c[2 * MAX_MULTIPLE + 1];
    double s[2 * MAX_MULTIPLE + 1];

    void Fill(double sinX, double cosX, int n) {
        double ck = 1.0, sk = 0.0;
        c[MAX_MULTIPLE] = 1.0;
        s[MAX_MULTIPLE] = 0.0;
        for (int k = 1; k <= n; ++k) {
            const double cNext = ck * cosX - sk * sinX;
            sk = sk * cosX + ck * sinX;
            ck = cNext;
            c[MAX_MULTIPLE + k] = ck;
            s[MAX_MULTIPLE + k] = sk;
            c[MAX_MULTIPLE - k] = ck;
            s[MAX_MULTIPLE - k] = -sk;
        }
    }
    // Multiplies the entries for +-k by factor (the eccentricity factor E^|k|
    // rides along with the M multiples this way).
    void Scale(int k, double factor) {
        c[MAX_MULTIPLE + k] *= factor;
        s[MAX_MULTIPLE + k] *= factor;
        c[MAX_MULTIPLE - k] *= factor;
        s[MAX_MULTIPLE - k] *= factor;
    }
};

struct Arguments {
    Multiples d, m, mp, f;

    // E^|m| times cos and sin of d*D + m*M + mp*M' + f*F.
    void Term(int dk, int mk, int mpk, int fk, double& ca, double& sa) const {
        const int id = dk + MAX_MULTIPLE, im = mk + MAX_MULTIPLE;
        const int ip = mpk + MAX_MULTIPLE, jf = fk + MAX_MULTIPLE;
        const double c1 = d.c[id] * m.c[im] - d.s[id] * m.s[im];
        const double s1 = d.s[id] * m.c[im] + d.c[id] * m.s[im];
        const double c2 = c1 * mp.c[ip] - s1 * mp.s[ip];
        const double s2 = s1 * mp.c[ip] + c1 * mp.s[ip];
        ca = c2 * f.c[jf] - s2 * f.s[jf];
        sa = s2 * f.c[jf] + c2 * f.s[jf];
    }
};

inline void SinCos(double x, double& s, double& c) {
    s = std::sin(x);
    c = std::cos(x);
}

// Periodic sums of the two tables and the additive terms, with the normalised
// mean longitude they start from and its sine and cosine.
struct MoonSums {
    double meanLongitude;   // L', degrees in [0, 360)
    double sinLp, cosLp;
    double sumL, sumB, sumR;
};

MoonSums ComputeMoonSums(double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double t4 = t3 * t;

    double lp = 218.3164477 + 481267.88123421 * t - 0.0015786 * t2 + t3 / 538841.0 - t4 / 65194000.0;
    double d = 297.8501921 + 445267.1114034 * t - 0.0018819 * t2 + t3 / 545868.0 - t4 / 113065000.0;
    double m = 357.5291092 + 35999.0502909 * t - 0.0001536 * t2 + t3 / 24490000.0;
    double mp = 134.9633964 + 477198.8675055 * t + 0.0087414 * t2 + t3 / 69699.0 - t4 / 14712000.0;
    double f = 93.2720950 + 483202.0175233 * t - 0.0036539 * t2 - t3 / 3526000.0 + t4 / 863310000.0;
    NormalizeDegrees(lp);
    NormalizeDegrees(d);
    NormalizeDegrees(m);
    NormalizeDegrees(mp);
    NormalizeDegrees(f);

    double sinLp, cosLp, sinD, cosD, sinM, cosM, sinMp, cosMp, sinF, cosF, sinA1, cosA1;
    SinCos(lp * DEG, sinLp, cosLp);
    SinCos(d * DEG, sinD, cosD);
    SinCos(m * DEG, sinM, cosM);
    SinCos(mp * DEG, sinMp, cosMp);
    SinCos(f * DEG, sinF, cosF);
    SinCos((119.75 + 131.849 * t) * DEG, sinA1, cosA1);
    const double sinA2 = std::sin((53.09 + 479264.29 * t) * DEG);
    const double sinA3 = std::sin((313.45 + 481266.484 * t) * DEG);

    const double e = 1.0 - 0.002516 * t - 0.0000074 * t2;
    Arguments args;
    args.d.Fill(sinD, cosD, 4);
    args.m.Fill(sinM, cosM, 2);
    args.m.Scale(1, e);
    args.m.Scale(2, e * e);
    args.mp.Fill(sinMp, cosMp, 4);
    args.f.Fill(sinF, cosF, 3);

    MoonSums sums{lp, sinLp, cosLp, 0.0, 0.0, 0.0};
    double ca, sa;
    for (const LongitudeDistanceTerm& term : LONGITUDE_DISTANCE_TERMS) {
        args.Term(term.d, term.m, term.mp, term.f, ca, sa);
        sums.sumL += term.sinLongitude * sa;
        sums.sumR += term.cosDistance * ca;
    }
    for (const LatitudeTerm& term : LATITUDE_TERMS) {
        args.Term(term.d, term.m, term.mp, term.f, ca, sa);
        sums.sumB += term.sinLatitude * sa;
    }

    // Additive terms (Venus, Jupiter, flattening), by the addition formulas.
    const double sinLpMinusF = sinLp * cosF - cosLp * sinF;
    const double sinA1MinusF = sinA1 * cosF - cosA1 * sinF;
    const double sinA1PlusF = sinA1 * cosF + cosA1 * sinF;
    const double sinLpMinusMp = sinLp * cosMp - cosLp * sinMp;
    const double sinLpPlusMp = sinLp * cosMp + cosLp * sinMp;
    sums.sumL += 3958.0 * sinA1 + 1962.0 * sinLpMinusF + 318.0 * sinA2;
    sums.sumB += -2235.0 * sinLp + 382.0 * sinA3 + 175.0 * sinA1MinusF + 175.0 * sinA1PlusF +
                 127.0 * sinLpMinusMp - 115.0 * sinLpPlusMp;
    return sums;
}

}  // namespace

void MoonEcliptic(double jd, double& longitude, double& latitude, double& distanceKm) {
    const MoonSums s = ComputeMoonSums(JulianCenturies(jd));
    longitude = s.meanLongitude + s.sumL / 1000000.0;
    latitude = s.sumB / 1000000.0;
    distanceKm = 385000.56 + s.sumR / 1000.0;
}

void EclipticToEquatorial(double longitude, double latitude, double eps, double& ra, double& dec) {
    const double lambda = longitude * DEG;
    const double beta = latitude * DEG;
    const double e = eps * DEG;
    const double sinLambda = std::sin(lambda);
    const double sinEps = std::sin(e);
    const double cosEps = std::cos(e);
    ra = std::atan2(sinLambda * cosEps - std::tan(beta) * sinEps, std::cos(lambda)) * INV_DEG;
    dec = std::asin(std::sin(beta) * cosEps + std::cos(beta) * sinEps * sinLambda) * INV_DEG;
}

void MoonEquatorial(double jd, double& ra, double& dec, double& distanceKm) {
    const double t = JulianCenturies(jd);
    const MoonSums s = ComputeMoonSums(t);
    // Nutation with the Moon's own full mean longitude, reusing its sine and cosine.
    const NutationArcsec n =
        NutationFromMoonLongitude(t, 2.0 * s.sinLp * s.cosLp, s.cosLp * s.cosLp - s.sinLp * s.sinLp);
    const double lambda = s.meanLongitude + s.sumL / 1000000.0 + n.longitude / 3600.0;
    const double beta = s.sumB / 1000000.0;
    distanceKm = 385000.56 + s.sumR / 1000.0;
    EclipticToEquatorial(lambda, beta, MeanObliquity(t) + n.obliquity / 3600.0, ra, dec);
}

}  // namespace orvanta

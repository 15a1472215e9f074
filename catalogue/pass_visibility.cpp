#include "catalogue/pass_visibility.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "orbit/element_set.h"
#include "orbit/globals.h"

namespace orvanta {

namespace {

constexpr double kMu = 398600.8;  // km^3/s^2 (WGS-72)
constexpr double kEarthRate = TWOPI * EARTH_ROT_PER_DAY / SEC_PER_DAY;  // rad/s
// The Sun's elevation at a site changes at most by the Earth's turn plus the Sun's own
// motion (about a degree a day): 4.19e-3 degrees a second, a little more to be safe.
constexpr double kSunElevationRate = 4.25e-3;  // degrees per second
// The Sun's direction turns by at most its motion along the ecliptic (2e-7 rad/s); the
// satellite's own motion turns its line to the Sun by less than v / 1 AU (6e-8 rad/s).
constexpr double kSunDirectionRate = 3.0e-7;  // rad/s
constexpr double kDeg = PI / 180.0;

double Dot(const cVector& a, const cVector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Norm(const cVector& a) {
    return std::sqrt(Dot(a, a));
}

// Area common to two discs (radii r1, r2, centres d apart), in the plane. The Earth's limb
// is far larger than the Sun's disc, so the flat figure is exact to a part in a thousand.
double DiscOverlap(double r1, double r2, double d) {
    if (d >= r1 + r2) return 0.0;
    const double rs = std::min(r1, r2);
    if (d <= std::fabs(r1 - r2)) return PI * rs * rs;
    const double a1 = std::acos(std::clamp((d * d + r1 * r1 - r2 * r2) / (2.0 * d * r1), -1.0, 1.0));
    const double a2 = std::acos(std::clamp((d * d + r2 * r2 - r1 * r1) / (2.0 * d * r2), -1.0, 1.0));
    const double k = (-d + r1 + r2) * (d + r1 - r2) * (d - r1 + r2) * (d + r1 + r2);
    return r1 * r1 * a1 + r2 * r2 * a2 - 0.5 * std::sqrt(std::max(0.0, k));
}

// Intervals [start, end) of grid seconds in [0, n) on which a state holds. sample(j) gives
// the state at second j and for how many seconds after j it is certified to stay so; the
// next sample is taken at the first uncertified second, so every change of state is found
// at the very second it happens, and nothing between samples can be missed.
template <class Sample>
bool StateIntervals(std::int64_t n, Sample sample,
                    std::vector<std::pair<std::int64_t, std::int64_t>>& on) {
    on.clear();
    std::int64_t j = 0, start = -1;
    while (j < n) {
        bool state = false;
        double certified = 0.0;
        if (!sample(j, state, certified)) return false;
        if (state && start < 0) start = j;
        if (!state && start >= 0) {
            on.emplace_back(start, j);
            start = -1;
        }
        // Seconds strictly inside the certified time keep the state; the first one that
        // is not is the next sample.
        std::int64_t step = 1;
        if (certified > 1.0)
            step = static_cast<std::int64_t>(std::floor(std::min(certified, 1e9) * (1.0 - 1e-9))) + 1;
        j += step;
    }
    if (start >= 0) on.emplace_back(start, n);
    return true;
}

}  // namespace

cVector SunPositionKm(double jd) {
    double raRad = 0, decRad = 0;
    SunEquatorialRadians(jd, raRad, decRad);
    // Distance from the same low-accuracy theory (Meeus 25.5).
    const double t = JulianCenturies(jd);
    const double m = (357.52911 + 35999.05029 * t - 0.0001537 * t * t) * kDeg;
    const double c = ((1.914602 - 0.004817 * t - 0.000014 * t * t) * std::sin(m) +
                      (0.019993 - 0.000101 * t) * std::sin(2.0 * m) + 0.000289 * std::sin(3.0 * m)) *
                     kDeg;
    const double e = 0.016708634 - 0.000042037 * t - 0.0000001267 * t * t;
    const double au = 1.000001018 * (1.0 - e * e) / (1.0 + e * std::cos(m + c));
    const double d = au * ASTRONOMICAL_UNIT_KM;
    return cVector(d * std::cos(decRad) * std::cos(raRad), d * std::cos(decRad) * std::sin(raRad),
                   d * std::sin(decRad));
}

Sunlight SunlightAt(const cVector& sat, const cVector& sun) {
    Sunlight out;
    const cVector toSun(sun.x - sat.x, sun.y - sat.y, sun.z - sat.z);
    const double r = Norm(sat), d = Norm(toSun);
    if (!(r > 0.0) || !(d > 0.0)) return out;
    // Angle at the satellite between the Earth's centre and the Sun's.
    const double cosTheta = std::clamp(-Dot(sat, toSun) / (r * d), -1.0, 1.0);
    const double theta = std::acos(cosTheta);
    const double earth = std::asin(std::min(1.0, XKMPER / r));  // Earth's angular radius
    const double sunR = std::asin(std::min(1.0, SUN_RADIUS_KM / d));
    out.margin = theta - earth;
    if (theta >= earth + sunR) {
        out.fraction = 1.0;
    } else if (theta <= earth - sunR) {
        out.fraction = 0.0;
    } else {
        const double disc = PI * sunR * sunR;
        out.fraction = std::clamp(1.0 - DiscOverlap(sunR, earth, theta) / disc, 0.0, 1.0);
    }
    return out;
}

double DiffuseSpherePhase(double phi) {
    return std::sin(phi) + (PI - phi) * std::cos(phi);
}

double ApparentMagnitude(double standardMagnitude, double rangeKm, double phaseRad) {
    const double f = DiffuseSpherePhase(std::clamp(phaseRad, 0.0, PI));
    if (!(f > 0.0) || !(rangeKm > 0.0)) return std::numeric_limits<double>::infinity();
    return standardMagnitude + 5.0 * std::log10(rangeKm / 1000.0) - 2.5 * std::log10(f);
}

struct PassVisibility::State {
    double t = 0.0;  // seconds from AOS
    cEci eci;
    double el = 0.0;         // radians
    double range = 0.0;      // km
    double elDot = 0.0;      // rad/s
    cVector lineOfSight;     // site to satellite, km
    cVector sun;             // km
    Sunlight light;
    double r = 0.0, rdot = 0.0, speed = 0.0;
    double marginRate = 0.0;  // d(light.margin)/dt, rad/s, the Sun held still
};

PassVisibility::PassVisibility(const cOrbit& orbit, const cSite& site, const AstroSite& astroSite,
                               std::optional<double> standardMagnitude)
    : orbit_(orbit), site_(site), astroSite_(astroSite), stdMag_(standardMagnitude) {
    lon_ = astroSite.LongitudeDeg() * kDeg;
    sinLat_ = astroSite.SinLat();
    cosLat_ = astroSite.CosLat();
    InitBounds();
}

void PassVisibility::InitBounds() {
    const double a = std::max(orbit_.SemiMajor() * XKMPER, XKMPER);
    const double e = std::clamp(orbit_.Elements().FieldValue(FLD_E, U_NATIVE), 0.0, 0.999);
    rLow_ = 0.98 * a * (1.0 - e);
    vMax_ = std::sqrt(kMu * (2.0 / rLow_ - 1.0 / (1.02 * a)));
    // Radial speed: the mean eccentricity's, plus what the short-periodic terms add.
    rdotMax_ = (e + 0.002) * std::sqrt(kMu / (0.98 * a)) * 1.1 + 0.01;
    Widen(0.0, 0.0, 0.0);
}

void PassVisibility::Widen(double r, double speed, double rdot) {
    if (r > 0.0 && r < rLow_) rLow_ = 0.98 * r;
    if (speed > vMax_) vMax_ = 1.05 * speed;
    if (std::fabs(rdot) > rdotMax_) rdotMax_ = 1.5 * std::fabs(rdot);
    // The margin moves with the direction to the Earth's centre (v / r at most), with the
    // Earth's angular radius (Re rdot / (r sqrt(r^2 - Re^2))) and the Sun's direction.
    const double rl = std::max(rLow_, XKMPER + 10.0);
    shadowRate_ = vMax_ / rl + XKMPER * rdotMax_ / (rl * std::sqrt(rl * rl - XKMPER * XKMPER)) +
                  kSunDirectionRate;
}

bool PassVisibility::Evaluate(double t, State& s) {
    ++evaluations_;
    cEci eci;
    if (!orbit_.PositionAt(tsinceAos_ + t / 60.0, eci) || eci.Units() != UNITS_KM) return false;
    const cVector& p = eci.Pos();
    const cVector& v = eci.Vel();
    if (!std::isfinite(p.x + p.y + p.z + v.x + v.y + v.z)) return false;
    s.t = t;
    s.eci = eci;
    const cCoordTopo topo = site_.LookAngles(eci);
    s.el = topo.el;
    s.range = topo.range;
    s.lineOfSight = site_.GetRangeVector(eci);
    // Elevation rate from h = u.R (u the site's zenith): dh/dt = du/dt.p + u.v.
    const double theta = eci.Date().ToLmst(lon_);
    const double st = std::sin(theta), ct = std::cos(theta);
    const double ux = cosLat_ * ct, uy = cosLat_ * st, uz = sinLat_;
    const double hdot = -kEarthRate * cosLat_ * st * p.x + kEarthRate * cosLat_ * ct * p.y +
                        ux * v.x + uy * v.y + uz * v.z;
    const double cosEl = std::cos(topo.el);
    s.elDot = cosEl > 1e-12 ? (hdot - std::sin(topo.el) * topo.rangeRate) / (topo.range * cosEl) : 0.0;

    s.r = Norm(p);
    s.speed = Norm(v);
    s.rdot = Dot(p, v) / s.r;
    s.sun = SunPositionKm(jdAos_ + t / SEC_PER_DAY);
    s.light = SunlightAt(p, s.sun);
    if (s.r < rLow_ || s.speed > vMax_ || std::fabs(s.rdot) > rdotMax_) Widen(s.r, s.speed, s.rdot);
    // Rate of the margin, the Sun held still: theta' from the turning of the direction to
    // the Earth's centre and of the line to the Sun, less the Earth radius' rate.
    const cVector toSun(s.sun.x - p.x, s.sun.y - p.y, s.sun.z - p.z);
    const double d = Norm(toSun);
    const cVector rh(p.x / s.r, p.y / s.r, p.z / s.r), dh(toSun.x / d, toSun.y / d, toSun.z / d);
    const double rv = Dot(rh, v), dv = Dot(dh, v), rd = Dot(rh, dh);
    // cos theta = -rh.dh; d(rh)/dt = (v - rh (rh.v)) / r; d(dh)/dt = -(v - dh (dh.v)) / d.
    const double dcos = -(dv - rd * rv) / s.r + (rv - rd * dv) / d;
    const double sinTheta = std::sqrt(std::max(1e-30, 1.0 - rd * rd));
    const double q = std::min(XKMPER / s.r, 1.0 - 1e-12);
    s.marginRate = -dcos / sinTheta + XKMPER * s.rdot / (s.r * s.r * std::sqrt(1.0 - q * q));
    return std::isfinite(s.el) && std::isfinite(s.light.margin);
}

// Seconds for which the sunlit state of s cannot change: the margin moves no faster than
// shadowRate_; while it approaches zero at the rate it has, a second-order bound on how
// that rate can change lets a step reach further.
double PassVisibility::ShadowCertified(const State& s) const {
    const double g = std::fabs(s.light.margin);
    return g / shadowRate_;
}

double PassVisibility::MagnitudeAt(const State& s) const {
    if (!stdMag_) return std::numeric_limits<double>::infinity();
    // Phase angle at the satellite between the Sun and the observer.
    const cVector& p = s.eci.Pos();
    const cVector toSun(s.sun.x - p.x, s.sun.y - p.y, s.sun.z - p.z);
    const cVector& los = s.lineOfSight;
    const double c = -Dot(toSun, los) / (Norm(toSun) * Norm(los));
    double m = ApparentMagnitude(*stdMag_, s.range, std::acos(std::clamp(c, -1.0, 1.0)));
    // Within the penumbra only part of the Sun's disc lights the satellite.
    if (s.light.fraction < 1.0) {
        if (!(s.light.fraction > 0.0)) return std::numeric_limits<double>::infinity();
        m -= 2.5 * std::log10(s.light.fraction);
    }
    return m;
}

// The highest elevation: where the elevation rate, positive at AOS and negative at LOS,
// changes sign (regula falsi, Illinois variant, to 0.005 s). Long passes, which may rise
// and fall more than once, first look for the best of a coarse sampling.
bool PassVisibility::Culminate(std::int64_t seconds, double& tBest, double& elBest) {
    const double span = static_cast<double>(seconds);
    double a = 0.0, b = span;
    State s;
    elBest = -PI;
    auto eval = [&](double t) {
        if (!Evaluate(t, s)) return false;
        if (s.el > elBest) {
            elBest = s.el;
            tBest = s.t;
        }
        return true;
    };
    if (seconds > 1800) {
        const int n = 48;
        int best = 0;
        for (int i = 0; i <= n; ++i) {
            const double before = elBest;
            if (!eval(span * i / n)) return false;
            if (elBest > before) best = i;
        }
        a = span * std::max(0, best - 1) / n;
        b = span * std::min(n, best + 1) / n;
    }
    // Start from the middle: the peak of a low-orbit pass is within seconds of it.
    if (!eval(0.5 * (a + b))) return false;
    if (s.elDot == 0.0) return true;
    double fa = 0.0, fb = 0.0;
    if (s.elDot > 0.0) {
        a = s.t;
        fa = s.elDot;
        if (!eval(b)) return false;
        fb = s.elDot;
    } else {
        b = s.t;
        fb = s.elDot;
        if (!eval(a)) return false;
        fa = s.elDot;
    }
    if (!(fa > 0.0 && fb < 0.0)) return true;  // no peak inside: the best end is it
    constexpr double kTol = 0.005;  // seconds
    int side = 0;
    double last = a;
    for (int iter = 0; iter < 100 && b - a > kTol; ++iter) {
        double x = (fa * b - fb * a) / (fa - fb);
        x = std::clamp(x, a + 0.25 * kTol, b - 0.25 * kTol);
        if (!eval(x)) return false;
        const double fx = s.elDot;
        if (fx == 0.0 || std::fabs(x - last) < kTol) break;
        last = x;
        if (fx < 0.0) {
            b = x;
            fb = fx;
            if (side == -1) fa *= 0.5;
            side = -1;
        } else {
            a = x;
            fa = fx;
            if (side == +1) fb *= 0.5;
            side = +1;
        }
    }
    return true;
}

bool PassVisibility::Compute(double tsinceAos, std::int64_t seconds, PassRecord& record) {
    tsinceAos_ = tsinceAos;
    jdAos_ = record.aos;
    record.visibilityKnown = 0;
    record.sunlitAtAos = 0;
    record.culmination = record.culminationElevation = 0.0;
    record.shadowEntry = record.shadowExit = 0.0;
    record.visibleStart = record.visibleEnd = record.visibleMaxElevation = 0.0;
    record.brightestTime = record.brightestMagnitude = 0.0;
    if (seconds <= 0) return false;
    auto jd = [&](double t) { return jdAos_ + t / SEC_PER_DAY; };

    // True culmination; never below the elevation the list shows for the midpoint.
    double tCul = 0.0, elCul = 0.0;
    if (!Culminate(seconds, tCul, elCul)) return false;
    double culDeg = elCul / kDeg;
    if (culDeg < record.maxElevation) {
        tCul = 0.5 * static_cast<double>(seconds);
        culDeg = record.maxElevation;
    }
    record.culmination = jd(tCul);
    record.culminationElevation = culDeg;

    // Sunlit or in shadow on every second of the pass.
    std::vector<std::pair<std::int64_t, std::int64_t>> lit, dark;
    State s;
    bool ok = StateIntervals(
        seconds,
        [&](std::int64_t j, bool& state, double& certified) {
            if (!Evaluate(static_cast<double>(j), s)) return false;
            state = s.light.Sunlit();
            certified = ShadowCertified(s);
            return true;
        },
        lit);
    if (!ok) return false;
    record.sunlitAtAos = !lit.empty() && lit.front().first == 0 ? 1 : 0;
    for (const auto& [from, to] : lit) {
        if (from > 0 && record.shadowExit == 0.0) record.shadowExit = jd(static_cast<double>(from));
        if (to < seconds && record.shadowEntry == 0.0)
            record.shadowEntry = jd(static_cast<double>(to));
    }

    // The Sun below -6 degrees at the site.
    ok = StateIntervals(
        seconds,
        [&](std::int64_t j, bool& state, double& certified) {
            double az = 0, el = 0;
            SunHorizontal(jd(static_cast<double>(j)), astroSite_, az, el);
            state = el < VISIBLE_SUN_LIMIT_DEG;
            certified = std::fabs(el - VISIBLE_SUN_LIMIT_DEG) / kSunElevationRate;
            return true;
        },
        dark);
    if (!ok) return false;

    // Visible: both at once. The longest such stretch is the pass's visible window.
    std::int64_t vs = -1, ve = -1;
    for (const auto& l : lit)
        for (const auto& d : dark) {
            const std::int64_t from = std::max(l.first, d.first), to = std::min(l.second, d.second);
            if (to > from && (vs < 0 || to - from > ve - vs)) {
                vs = from;
                ve = to;
            }
        }
    record.visibilityKnown = 1;
    if (vs < 0) return true;
    record.visibleStart = jd(static_cast<double>(vs));
    record.visibleEnd = jd(static_cast<double>(ve));
    const double last = static_cast<double>(ve - 1);
    if (tCul >= static_cast<double>(vs) && tCul <= last) {
        record.visibleMaxElevation = culDeg;
    } else {
        if (!Evaluate(tCul < static_cast<double>(vs) ? static_cast<double>(vs) : last, s))
            return false;
        record.visibleMaxElevation = s.el / kDeg;
    }

    // Brightest magnitude inside the window: the best of a coarse sampling, refined by a
    // golden-section search between its neighbours, on whole seconds.
    if (!stdMag_) return true;
    const std::int64_t n = std::min<std::int64_t>(ve - vs, 12);
    std::int64_t bestJ = vs;
    double bestM = std::numeric_limits<double>::infinity();
    std::vector<std::int64_t> grid;
    for (std::int64_t i = 0; i <= n; ++i) grid.push_back(vs + (ve - 1 - vs) * i / std::max<std::int64_t>(n, 1));
    auto mag = [&](std::int64_t j, double& m) {
        if (!Evaluate(static_cast<double>(j), s)) return false;
        m = MagnitudeAt(s);
        if (m < bestM) {
            bestM = m;
            bestJ = j;
        }
        return true;
    };
    for (std::int64_t j : grid) {
        double m;
        if (!mag(j, m)) return false;
    }
    const auto at = std::find(grid.begin(), grid.end(), bestJ);
    std::int64_t lo = at == grid.begin() ? vs : *(at - 1);
    std::int64_t hi = at + 1 == grid.end() ? ve - 1 : *(at + 1);
    while (hi - lo > 2) {
        const std::int64_t m1 = lo + (hi - lo) * 382 / 1000, m2 = hi - (hi - lo) * 382 / 1000;
        double f1, f2;
        if (!mag(std::max(m1, lo + 1), f1) || !mag(std::min(m2, hi - 1), f2)) return false;
        if (f1 <= f2) {
            hi = std::min(m2, hi - 1);
        } else {
            lo = std::max(m1, lo + 1);
        }
    }
    for (std::int64_t j = lo; j <= hi; ++j) {
        double m;
        if (!mag(j, m)) return false;
    }
    if (std::isfinite(bestM)) {
        record.brightestMagnitude = bestM;
        record.brightestTime = jd(static_cast<double>(bestJ));
    }
    return true;
}

}  // namespace orvanta

// The shadow search of a pass: the Sun's place, sunlight on the satellite, the bounds that
// certify how long a lit or shadowed state lasts, and the visibility fields of a pass
// record. The brightness and the culmination are in pass_visibility_peak.cpp.
#include "catalogue/pass_visibility.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "catalogue/pass_visibility_state.h"
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

using visibility::Dot;
using visibility::Norm;

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

// Intervals [start, end) of grid seconds in [0, n) on which a state holds. Sample gives
// the state at second Next() and for how many seconds after it it is certified to stay so;
// the next sample is taken at the first uncertified second, so every change of state is
// found at the very second it happens, and nothing between samples can be missed.
class IntervalScan {
public:
    IntervalScan(std::int64_t n, PassVisibility::Intervals& on) : n_(n), on_(on) { on_.clear(); }
    bool More() const { return j_ < n_; }
    std::int64_t Next() const { return j_; }
    // The state at Next() and the seconds it is certified to hold.
    void Sample(bool state, double certified) {
        if (state && start_ < 0) start_ = j_;
        if (!state && start_ >= 0) {
            on_.emplace_back(start_, j_);
            start_ = -1;
        }
        // Seconds strictly inside the certified time keep the state; the first one that
        // is not is the next sample.
        std::int64_t step = 1;
        if (certified > 1.0)
            step = static_cast<std::int64_t>(std::floor(std::min(certified, 1e9) * (1.0 - 1e-9))) + 1;
        j_ += step;
    }
    void Finish() {
        if (start_ >= 0) on_.emplace_back(start_, n_);
    }

private:
    std::int64_t n_, j_ = 0, start_ = -1;
    PassVisibility::Intervals& on_;
};

template <class Sample>
bool StateIntervals(std::int64_t n, Sample sample, PassVisibility::Intervals& on) {
    IntervalScan scan(n, on);
    while (scan.More()) {
        bool state = false;
        double certified = 0.0;
        if (!sample(scan.Next(), state, certified)) return false;
        scan.Sample(state, certified);
    }
    scan.Finish();
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

PassVisibility::PassVisibility(const cOrbit& orbit, const cSite& site, const AstroSite& astroSite,
                               std::optional<double> standardMagnitude)
    : orbit_(orbit), site_(site), astroSite_(astroSite), stdMag_(standardMagnitude) {
    // The site as the orbit model places it (geodetic, on the WGS-72 ellipsoid).
    const cCoordGeo& geo = site.GetLocation();
    lon_ = geo.lon;
    sinLat_ = std::sin(geo.lat);
    cosLat_ = std::cos(geo.lat);
    const double c = 1.0 / std::sqrt(1.0 - E2 * sinLat_ * sinLat_);
    siteXy_ = (XKMPER * c + geo.alt) * cosLat_;
    siteZ_ = (XKMPER * ONE_MINUS_F * ONE_MINUS_F * c + geo.alt) * sinLat_;
    InitBounds();
}

void PassVisibility::InitBounds() {
    const double a = std::max(orbit_.SemiMajor() * XKMPER, XKMPER);
    const double e = std::clamp(orbit_.Elements().FieldValue(FLD_E, U_NATIVE), 0.0, 0.999);
    rLow_ = 0.98 * a * (1.0 - e);
    rHigh_ = 1.02 * a * (1.0 + e);
    vMax_ = std::sqrt(kMu * (2.0 / rLow_ - 1.0 / (1.02 * a)));
    vMin_ = std::sqrt(std::max(kMu * (2.0 / rHigh_ - 1.0 / (0.98 * a)), 0.01));
    // Radial speed: the mean eccentricity's, plus what the short-periodic terms add.
    rdotMax_ = (e + 0.002) * std::sqrt(kMu / (0.98 * a)) * 1.1 + 0.01;
    Widen(0.0, 0.0, 0.0);
}

void PassVisibility::Widen(double r, double speed, double rdot) {
    if (r > 0.0 && r < rLow_) rLow_ = 0.98 * r;
    if (r > rHigh_) rHigh_ = 1.02 * r;
    if (speed > vMax_) vMax_ = 1.05 * speed;
    if (speed > 0.0 && speed < vMin_) vMin_ = 0.95 * speed;
    if (std::fabs(rdot) > rdotMax_) rdotMax_ = 1.5 * std::fabs(rdot);
    const double rl = std::max(rLow_, XKMPER + 10.0);
    const double re = XKMPER;
    earthCosMin_ = std::sqrt(1.0 - (re / rl) * (re / rl));
    // The margin moves with the direction to the Earth's centre (v / r at most), with the
    // Earth's angular radius (Re rdot / (r sqrt(r^2 - Re^2))) and the Sun's direction.
    shadowRate_ = vMax_ / rl + re * rdotMax_ / (rl * rl * earthCosMin_) + kSunDirectionRate;
    // Second derivatives. Radial acceleration: (v^2 - rdot^2) / r - mu / r^2 plus the
    // perturbations (J2 well under 0.3 % of gravity); the direction to the centre turns
    // with (a_perp - r^ (v^2 - rdot^2) / r) / r - 2 rdot (v - r^ rdot) / r^2.
    const double gLow = kMu / (rl * rl), perturb = 0.003 * gLow;
    const double rddMax =
        std::max({vMax_ * vMax_ / rl - kMu / (rHigh_ * rHigh_), gLow - vMin_ * vMin_ / rHigh_, 0.0}) +
        perturb;
    // The direction to the centre is a unit vector: its acceleration has a part along
    // itself of |turning rate|^2 <= (v / r)^2 and a part across it from the perturbations
    // and the radial speed only.
    turnRate2_ = (vMax_ / rl) * (vMax_ / rl);
    dirAccel_ = perturb / rl + 2.0 * rdotMax_ * vMax_ / (rl * rl);
    const double c2 = earthCosMin_ * earthCosMin_;
    earthAccel_ = re / (rl * rl * earthCosMin_) *
                  (rddMax + 3.0 * rdotMax_ * rdotMax_ / rl * (1.0 + 1.0 / c2));
}

// The Sun moves a degree a day: between exact places three hours apart the chord strays
// from the arc by 6e-7 rad at most, a hundredth of a second in any shadow or twilight
// time. The places are kept on a fixed grid of Julian dates, so consecutive passes share
// them.
cVector PassVisibility::SunAt(double t) {
    constexpr double kNodesPerDay = 8.0;
    const double x = (jdAos_ - 2451545.0 + t / SEC_PER_DAY) * kNodesPerDay;
    const auto node = static_cast<std::int64_t>(std::floor(x));
    if (node != sunNode_ || !sunValid_) {
        auto exact = [&](std::int64_t k) {
            return SunPositionKm(2451545.0 + static_cast<double>(k) / kNodesPerDay);
        };
        if (sunValid_ && node == sunNode_ + 1) {
            sunA_ = sunB_;
        } else if (sunValid_ && node + 1 == sunNode_) {
            sunB_ = sunA_;
            sunA_ = exact(node);
        } else {
            sunA_ = exact(node);
        }
        if (!(sunValid_ && node + 1 == sunNode_)) sunB_ = exact(node + 1);
        sunNode_ = node;
        sunValid_ = true;
    }
    const double f = x - static_cast<double>(node);
    return cVector(sunA_.x + f * (sunB_.x - sunA_.x), sunA_.y + f * (sunB_.y - sunA_.y),
                   sunA_.z + f * (sunB_.z - sunA_.z));
}

bool PassVisibility::Evaluation::await_ready() {
    if (t == 0.0 && v.aosState_) {
        eci = *v.aosState_;  // the pass search's own state at AOS
        ok = true;
        return true;
    }
    ++v.evaluations_;
    if (v.queue_ && v.queue_->queue) return false;
    ok = v.orbit_.PositionAt(v.tsinceAos_ + t / 60.0, eci);
    return true;
}

void PassVisibility::Evaluation::await_suspend(std::coroutine_handle<> waiter) {
    v.queue_->queue->push_back(
        {v.queue_->set, v.tsinceAos_ + t / 60.0, &v.orbit_, &eci, &ok, waiter, nullptr});
}

bool PassVisibility::Evaluated(double t, const cEci& eci, State& s, int needs) {
    if (eci.Units() != UNITS_KM) return false;
    const cVector& p = eci.Pos();
    const cVector& v = eci.Vel();
    if (!std::isfinite(p.x + p.y + p.z + v.x + v.y + v.z)) return false;
    s.t = t;
    s.eci = eci;
    if (needs & LOOK) {
        // Look angles as the site computes them, with one sidereal time for everything.
        const double theta = eci.Date().ToLmst(lon_);
        const double st = std::sin(theta), ct = std::cos(theta);
        const double ox = siteXy_ * ct, oy = siteXy_ * st;
        const double rx = p.x - ox, ry = p.y - oy, rz = p.z - siteZ_;
        const double rvx = v.x + kEarthRate * oy, rvy = v.y - kEarthRate * ox, rvz = v.z;
        s.range = std::sqrt(rx * rx + ry * ry + rz * rz);
        s.lineOfSight = cVector(rx, ry, rz);
        const double ux = cosLat_ * ct, uy = cosLat_ * st, uz = sinLat_;
        const double sinEl = std::clamp((ux * rx + uy * ry + uz * rz) / s.range, -1.0, 1.0);
        s.el = std::asin(sinEl);
        const double rate = (rx * rvx + ry * rvy + rz * rvz) / s.range;
        // Elevation rate from h = u.R (u the site's zenith): dh/dt = du/dt.p + u.v.
        const double hdot = -kEarthRate * uy * p.x + kEarthRate * ux * p.y + ux * v.x +
                            uy * v.y + uz * v.z;
        const double cosEl = std::sqrt(std::max(0.0, 1.0 - sinEl * sinEl));
        s.elDot = cosEl > 1e-12 ? (hdot - sinEl * rate) / (s.range * cosEl) : 0.0;
        if (!std::isfinite(s.el) || !std::isfinite(s.elDot)) return false;
    }
    if (!(needs & SUN)) return true;
    s.r = Norm(p);
    s.speed = Norm(v);
    s.rdot = Dot(p, v) / s.r;
    s.sun = SunAt(t);
    s.light = SunlightAt(p, s.sun);
    if (s.r < rLow_ || s.r > rHigh_ || s.speed > vMax_ || s.speed < vMin_ ||
        std::fabs(s.rdot) > rdotMax_)
        Widen(s.r, s.speed, s.rdot);
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
    s.theta = std::acos(std::clamp(-rd, -1.0, 1.0));
    s.marginRate = -dcos / sinTheta + XKMPER * s.rdot / (s.r * s.r * std::sqrt(1.0 - q * q));
    return std::isfinite(s.light.margin) && std::isfinite(s.marginRate);
}

// Seconds for which the sunlit state of s cannot change. The margin moves no faster than
// shadowRate_ (first bound). Second bound: with its present rate m' and |m''| <= A,
// |m(t) - m - m' t| <= A t^2 / 2, so it cannot reach zero before the root of that parabola;
// A holds while the angle theta stays within a span of its present value, which the first
// bound guarantees for span / shadowRate_ seconds; the best of three spans is taken.
double PassVisibility::ShadowCertified(const State& s) const {
    const double g = std::fabs(s.light.margin);
    const double first = g / shadowRate_;
    // With a the unit vector to the Earth's centre and b the one to the Sun, cos theta =
    // a.b, so theta'' = -(a''.b + cos theta theta'^2) / sin theta, and a''.b is at most
    // (v / r)^2 |cos theta| (along a) plus the small part across a.
    const double approach =
        (s.light.margin > 0.0 ? -s.marginRate : s.marginRate) + kSunDirectionRate;
    double best = first;
    for (const double span : {0.15, 0.3, 0.6}) {
        const double lo = s.theta - span, hi = s.theta + span;
        if (lo <= 0.05 || hi >= PI - 0.05) continue;
        const double sinLow = std::min(std::sin(lo), std::sin(hi));
        const double cosHigh = std::max(std::fabs(std::cos(lo)), std::fabs(std::cos(hi)));
        const double accel = (2.0 * turnRate2_ * cosHigh + dirAccel_) / sinLow + earthAccel_;
        const double root = std::sqrt(approach * approach + 2.0 * accel * g);
        const double t = approach < 0.0 ? (root - approach) / accel : 2.0 * g / (approach + root);
        best = std::max(best, std::min(t, span / shadowRate_));
    }
    return best;
}

bool PassVisibility::SunlitIntervals(double tsinceStart, double jdStart, std::int64_t seconds,
                                     Intervals& lit) {
    // With no queue the steps never wait: they run to their end here.
    const PropagationQueue* queue = std::exchange(queue_, nullptr);
    SearchTask<bool> steps = SunlitSteps(tsinceStart, jdStart, seconds, lit);
    steps.Start();
    queue_ = queue;
    return steps.Result();
}

SearchTask<bool> PassVisibility::SunlitSteps(double tsinceStart, double jdStart,
                                             std::int64_t seconds, Intervals& lit) {
    tsinceAos_ = tsinceStart;
    jdAos_ = jdStart;
    State s;
    IntervalScan scan(seconds, lit);
    while (scan.More()) {
        const bool ok = co_await Evaluate(static_cast<double>(scan.Next()), s, SUN);
        if (!ok) co_return false;
        scan.Sample(s.light.Sunlit(), ShadowCertified(s));
    }
    scan.Finish();
    co_return true;
}

bool PassVisibility::Compute(double tsinceAos, std::int64_t seconds, PassRecord& record,
                             const cEci* aosState) {
    const PropagationQueue* queue = std::exchange(queue_, nullptr);
    SearchTask<bool> steps = ComputeSteps(tsinceAos, seconds, record, aosState);
    steps.Start();
    queue_ = queue;
    return steps.Result();
}

SearchTask<bool> PassVisibility::ComputeSteps(double tsinceAos, std::int64_t seconds,
                                              PassRecord& record, const cEci* aosState) {
    tsinceAos_ = tsinceAos;
    jdAos_ = record.aos;
    aosState_ = aosState;
    struct Forget {
        const cEci*& state;
        ~Forget() { state = nullptr; }
    } forget{aosState_};
    record.visibilityKnown = 0;
    record.sunlitAtAos = 0;
    record.culmination = record.culminationElevation = 0.0;
    record.shadowEntry = record.shadowExit = 0.0;
    record.visibleStart = record.visibleEnd = record.visibleMaxElevation = 0.0;
    record.brightestTime = record.brightestMagnitude = 0.0;
    if (seconds <= 0) co_return false;
    auto jd = [&](double t) { return jdAos_ + t / SEC_PER_DAY; };

    // True culmination; never below the elevation the list shows for the midpoint.
    double tCul = 0.0, elCul = 0.0;
    const bool culminated = co_await Culminate(seconds, tCul, elCul);
    if (!culminated) co_return false;
    double culDeg = elCul / kDeg;
    if (culDeg < record.maxElevation) {
        tCul = 0.5 * static_cast<double>(seconds);
        culDeg = record.maxElevation;
    }
    record.culmination = jd(tCul);
    record.culminationElevation = culDeg;

    // Sunlit or in shadow on every second of the pass.
    Intervals lit, dark;
    State s;
    const bool lighted = co_await SunlitSteps(tsinceAos, record.aos, seconds, lit);
    if (!lighted) co_return false;
    record.sunlitAtAos = !lit.empty() && lit.front().first == 0 ? 1 : 0;
    for (const auto& [from, to] : lit) {
        if (from > 0 && record.shadowExit == 0.0) record.shadowExit = jd(static_cast<double>(from));
        if (to < seconds && record.shadowEntry == 0.0)
            record.shadowEntry = jd(static_cast<double>(to));
    }

    // The Sun below -6 degrees at the site.
    // The Sun's elevation as SunHorizontal gives it (apparent sidereal time, geocentric),
    // from the Sun's place interpolated above and the sidereal time carried on from AOS.
    // Sidereal time runs on at the sidereal rate; its nutation part changes by under 0.05"
    // a day, so an exact value half a day old is still good to 1e-5 degree.
    if (!(std::fabs(record.aos - gastJd_) < 0.5)) {
        gastJd_ = record.aos;
        gastDeg_ = ApparentSiderealTime(record.aos);
    }
    const double gast0 = gastDeg_ + 360.98564736629 * (record.aos - gastJd_) +
                         astroSite_.LongitudeDeg();
    const double sinLat = astroSite_.SinLat(), cosLat = astroSite_.CosLat();
    const bool ok = StateIntervals(
        seconds,
        [&](std::int64_t j, bool& state, double& certified) {
            const double t = static_cast<double>(j);
            const cVector sun = SunAt(t);
            const double d = Norm(sun);
            const double lst = (gast0 + 360.98564736629 * t / SEC_PER_DAY) * kDeg;
            const double sinEl =
                (cosLat * (std::cos(lst) * sun.x + std::sin(lst) * sun.y) + sinLat * sun.z) / d;
            const double el = std::asin(std::clamp(sinEl, -1.0, 1.0)) / kDeg;
            state = el < VISIBLE_SUN_LIMIT_DEG;
            certified = std::fabs(el - VISIBLE_SUN_LIMIT_DEG) / kSunElevationRate;
            return true;
        },
        dark);
    if (!ok) co_return false;

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
    if (vs < 0) co_return true;
    record.visibleStart = jd(static_cast<double>(vs));
    record.visibleEnd = jd(static_cast<double>(ve));
    const double last = static_cast<double>(ve - 1);
    if (tCul >= static_cast<double>(vs) && tCul <= last) {
        record.visibleMaxElevation = culDeg;
    } else {
        const bool looked =
            co_await Evaluate(tCul < static_cast<double>(vs) ? static_cast<double>(vs) : last, s, LOOK);
        if (!looked) co_return false;
        record.visibleMaxElevation = s.el / kDeg;
    }

    // Brightest magnitude inside the window: from the window's ends and the culmination,
    // successive parabolas through the best three seconds (a golden-section step where a
    // parabola is no use), to within four seconds (a few hundredths of a magnitude at most).
    if (!stdMag_) co_return true;
    std::int64_t bestJ = vs;
    double bestM = std::numeric_limits<double>::infinity();
    // The magnitude at second j once s holds everything there.
    auto mag = [&](std::int64_t j) {
        const double m = MagnitudeAt(s);
        if (m < bestM) {
            bestM = m;
            bestJ = j;
        }
        return m;
    };
    std::int64_t xa = vs, xb = ve - 1;
    double fa = 0.0, fb = 0.0, fc = 0.0;
    bool seen = co_await Evaluate(static_cast<double>(xa), s, ALL);
    if (!seen) co_return false;
    fa = mag(xa);
    if (xb > xa) {
        seen = co_await Evaluate(static_cast<double>(xb), s, ALL);
        if (!seen) co_return false;
        fb = mag(xb);
    }
    if (xb - xa >= 2) {
        std::int64_t xc = std::clamp<std::int64_t>(std::llround(tCul), xa + 1, xb - 1);
        seen = co_await Evaluate(static_cast<double>(xc), s, ALL);
        if (!seen) co_return false;
        fc = mag(xc);
        for (int iter = 0; iter < 8 && xb - xa > 4; ++iter) {
            std::int64_t u;
            if (fc <= fa && fc <= fb) {
                const double da = static_cast<double>(xc - xa), db = static_cast<double>(xc - xb);
                const double den = da * (fc - fb) - db * (fc - fa);
                const double num = da * da * (fc - fb) - db * db * (fc - fa);
                u = den != 0.0 ? std::llround(static_cast<double>(xc) - 0.5 * num / den) : xc;
                if (u <= xa || u >= xb || u == xc)
                    u = xc - xa > xb - xc ? xc - (xc - xa) * 382 / 1000 : xc + (xb - xc) * 382 / 1000;
                if (u <= xa || u >= xb || u == xc) break;
            } else {
                // The best is at an end: look between it and the middle.
                u = fa < fb ? xa + std::max<std::int64_t>(1, (xc - xa) * 382 / 1000)
                            : xb - std::max<std::int64_t>(1, (xb - xc) * 382 / 1000);
                if (u == xc) {
                    if (fa < fb) xb = xc, fb = fc; else xa = xc, fa = fc;
                    xc = fa < fb ? xa + (xb - xa) / 2 : xb - (xb - xa) / 2;
                    if (xc <= xa || xc >= xb) break;
                    seen = co_await Evaluate(static_cast<double>(xc), s, ALL);
                    if (!seen) break;
                    fc = mag(xc);
                    continue;
                }
            }
            double fu = 0.0;
            seen = co_await Evaluate(static_cast<double>(u), s, ALL);
            if (!seen) co_return false;
            fu = mag(u);
            const bool bracketed = fc <= fa && fc <= fb;
            if (fu >= fc && (bracketed || (u > xa && u < xc) != (fa < fb))) {
                // No better than the middle: u narrows the interval on its side.
                if (u < xc) {
                    xa = u;
                    fa = fu;
                } else {
                    xb = u;
                    fb = fu;
                }
            } else {
                // u becomes the middle: better than it, or, lying between the best end and
                // the middle, the new middle's neighbour on the end's side.
                if (u < xc) {
                    xb = xc;
                    fb = fc;
                } else {
                    xa = xc;
                    fa = fc;
                }
                xc = u;
                fc = fu;
            }
        }
    }
    if (std::isfinite(bestM)) {
        record.brightestMagnitude = bestM;
        record.brightestTime = jd(static_cast<double>(bestJ));
    }
    co_return true;
}

}  // namespace orvanta

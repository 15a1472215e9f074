// A pass at its best: the satellite's apparent magnitude from its standard magnitude, range
// and phase, and the true culmination between AOS and LOS.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "catalogue/pass_visibility.h"
#include "catalogue/pass_visibility_state.h"
#include "orbit/globals.h"

namespace orvanta {

using visibility::Dot;
using visibility::Norm;

double DiffuseSpherePhase(double phi) {
    return std::sin(phi) + (PI - phi) * std::cos(phi);
}

double ApparentMagnitude(double standardMagnitude, double rangeKm, double phaseRad) {
    const double f = DiffuseSpherePhase(std::clamp(phaseRad, 0.0, PI));
    if (!(f > 1e-12) || !(rangeKm > 0.0)) return std::numeric_limits<double>::infinity();
    return standardMagnitude + 5.0 * std::log10(rangeKm / 1000.0) - 2.5 * std::log10(f);
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
// changes sign. Secant steps on the rate from the middle of the pass (where a low orbit's
// peak lies within seconds), kept inside the bracket the signs give, bisecting when a step
// would leave it; done when the step left is under 0.01 s. Long passes, which may rise and
// fall more than once, first look for the best of a coarse sampling.
SearchTask<bool> PassVisibility::Culminate(std::int64_t seconds, double& tBest, double& elBest) {
    const double span = static_cast<double>(seconds);
    double a = 0.0, b = span;  // el' > 0 at a, < 0 at b (at AOS rising, at LOS setting)
    State s;
    elBest = -PI;
    auto note = [&] {  // s holds the last evaluation
        if (s.el > elBest) {
            elBest = s.el;
            tBest = s.t;
        }
    };
    if (seconds > 1800) {
        const int n = 48;
        int best = 0;
        for (int i = 0; i <= n; ++i) {
            const double before = elBest;
            const bool ok = co_await Evaluate(span * i / n, s, LOOK);
            if (!ok) co_return false;
            note();
            if (elBest > before) best = i;
        }
        a = span * std::max(0, best - 1) / n;
        b = span * std::min(n, best + 1) / n;
    }
    constexpr double kTol = 0.01;  // seconds
    double x = 0.5 * (a + b);
    const bool ok = co_await Evaluate(x, s, LOOK);
    if (!ok) co_return false;
    note();
    double fx = s.elDot, elx = s.el;
    // First step: the curvature of a parabola through the horizon at both ends.
    double curvature = -8.0 * std::max(elx, 1e-4) / ((b - a) * (b - a));
    for (int iter = 0; iter < 60; ++iter) {
        if (fx == 0.0) break;
        if (fx > 0.0) a = x; else b = x;
        double step = -fx / curvature;
        double next = x + step;
        if (!(curvature < 0.0) || !(next > a && next < b)) next = 0.5 * (a + b);
        if (std::fabs(next - x) < kTol || b - a < kTol) {
            // The peak lies within the last step: add what the parabola gives there.
            if (curvature < 0.0 && std::fabs(step) < 1.0 && x + step > a && x + step < b) {
                const double peak = elx - 0.5 * fx * fx / curvature;
                if (peak > elBest) {
                    elBest = peak;
                    tBest = x + step;
                }
            }
            break;
        }
        const double px = x, pf = fx;
        const bool stepped = co_await Evaluate(next, s, LOOK);
        if (!stepped) co_return false;
        note();
        x = next;
        fx = s.elDot;
        elx = s.el;
        if (x != px) {
            const double c = (fx - pf) / (x - px);
            if (c < 0.0) curvature = c;
        }
    }
    co_return true;
}

}  // namespace orvanta

#include "radio/rotator_plan.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace orvanta {

namespace {

// az + 360 k nearest to reference.
double NearestTurn(double az, double reference) {
    return az + 360.0 * std::round((reference - az) / 360.0);
}

// The whole-turn shift that puts every unwrapped azimuth inside the limits, preferring the one
// that keeps the start nearest the middle of the range (most room for the next pass).
std::optional<double> FittingShift(const std::vector<double>& unwrapped,
                                   const RotatorLimits& limits) {
    const auto [lo, hi] = std::minmax_element(unwrapped.begin(), unwrapped.end());
    const double middle = 0.5 * (limits.azMin + limits.azMax);
    std::optional<double> best;
    for (int k = -3; k <= 3; ++k) {
        const double shift = 360.0 * k;
        if (*lo + shift < limits.azMin - 1e-9 || *hi + shift > limits.azMax + 1e-9) continue;
        if (!best || std::abs(unwrapped.front() + shift - middle) <
                         std::abs(unwrapped.front() + *best - middle))
            best = shift;
    }
    return best;
}

std::vector<double> Unwrap(const std::vector<LookAngle>& track, double offset) {
    std::vector<double> out;
    out.reserve(track.size());
    for (const LookAngle& look : track) {
        const double az = look.az + offset;
        out.push_back(out.empty() ? std::fmod(az + 720.0, 360.0) : NearestTurn(az, out.back()));
    }
    return out;
}

}  // namespace

RotatorPlan PlanPass(const std::vector<LookAngle>& track, const RotatorLimits& limits) {
    RotatorPlan plan;
    if (track.empty()) return plan;
    const std::vector<double> normal = Unwrap(track, 0.0);
    if (const auto shift = FittingShift(normal, limits)) {
        plan.startAz = normal.front() + *shift;
        plan.startEl = track.front().el;
        return plan;
    }
    if (limits.elMax >= 180.0) {
        const std::vector<double> flipped = Unwrap(track, 180.0);
        if (const auto shift = FittingShift(flipped, limits)) {
            plan.mode = RotatorMode::FLIPPED;
            plan.startAz = flipped.front() + *shift;
            plan.startEl = 180.0 - track.front().el;
            return plan;
        }
    }
    // Nothing fits: start where the most of the pass lies inside the range.
    plan.fits = false;
    plan.startAz = std::clamp(normal.front(), limits.azMin, limits.azMax);
    plan.startEl = track.front().el;
    return plan;
}

LookAngle RotatorCommand(const RotatorPlan& plan, const LookAngle& look, double previousAz,
                         const RotatorLimits& limits) {
    const bool flipped = plan.mode == RotatorMode::FLIPPED;
    double az = NearestTurn(look.az + (flipped ? 180.0 : 0.0), previousAz);
    // Past a stop the command goes the long way round to the same direction.
    if (az > limits.azMax + 1e-9) az -= 360.0;
    if (az < limits.azMin - 1e-9) az += 360.0;
    az = std::clamp(az, limits.azMin, limits.azMax);
    const double el = flipped ? 180.0 - look.el : look.el;
    return {az, std::clamp(el, limits.elMin, limits.elMax)};
}

std::string RotatorModeName(RotatorMode mode) {
    return mode == RotatorMode::FLIPPED ? "flipped" : "normal";
}

}  // namespace orvanta

#pragma once
// How a pass is flown on a rotator with limited travel. Chosen once before AOS for the whole
// pass, so the antenna never swings a full turn in the middle of it: either the azimuth track
// fits the rotator's range as it is (shifted by whole turns where the range allows, e.g. a
// -180..540 or 0..450 rotator), or, on a rotator whose elevation reaches 180, the pass is flown
// "flipped" over the top (azimuth + 180, elevation 180 - el).
#include <string>
#include <vector>

namespace orvanta {

struct RotatorLimits {
    double azMin = 0.0;  // degrees, as the rotator counts them (may be negative or beyond 360)
    double azMax = 360.0;
    double elMin = 0.0;
    double elMax = 90.0;  // 180 for rotators that can fly over the top
};

struct LookAngle {
    double az = 0.0;  // degrees, 0..360 from north through east
    double el = 0.0;  // degrees
};

enum class RotatorMode { NORMAL, FLIPPED };

struct RotatorPlan {
    RotatorMode mode = RotatorMode::NORMAL;
    bool fits = true;       // false: no way to fly the pass without a swing (best effort)
    double startAz = 0.0;   // the first command's azimuth in the rotator's own count
    double startEl = 0.0;
};

// Plans a pass from its look angles in time order (one a second is plenty).
RotatorPlan PlanPass(const std::vector<LookAngle>& track, const RotatorLimits& limits);

// The rotator command for a look direction under a plan. previousAz: the last commanded azimuth
// (the plan's startAz for the first one); the command stays continuous with it and within the
// limits.
LookAngle RotatorCommand(const RotatorPlan& plan, const LookAngle& look, double previousAz,
                         const RotatorLimits& limits);

// "normal", "flipped" for status lines and logs.
std::string RotatorModeName(RotatorMode mode);

}  // namespace orvanta

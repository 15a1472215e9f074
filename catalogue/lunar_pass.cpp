#include "catalogue/lunar_pass.h"

#include <cmath>

#include "catalogue/pass_record.h"

namespace orvanta {

double MoonApparentRadius(double distanceKm) {
    return 358473400.0 / distanceKm / 3600.0;
}

bool InsideMoonDisc(double satAz, double satEl, double moonAz, double moonEl, double radius) {
    if (satAz > 360.0 - radius) satAz -= 360.0;
    if (moonAz > 360.0 - radius) moonAz -= 360.0;
    return std::fabs(satAz - moonAz) < radius && std::fabs(satEl - moonEl) < radius;
}

LunarTracker::Action LunarTracker::Step(double jd, double satAz, double satEl, double moonAz,
                                        double moonEl, double moonDistanceKm, PassRecord& record) {
    const bool moonUp = moonEl > 0.0;
    if (!moonUp) {
        if (!underWay_) return LUNAR_NONE;
        record.lunarEnd = jd;
        underWay_ = false;
        return LUNAR_MOON_SET;
    }
    const bool inside =
        InsideMoonDisc(satAz, satEl, moonAz, moonEl, MoonApparentRadius(moonDistanceKm));
    if (inside && !underWay_) {
        record.lunarStart = jd;
        underWay_ = true;
        return LUNAR_STARTED;
    }
    if (!inside && underWay_) {
        record.lunarEnd = jd;
        underWay_ = false;
        return LUNAR_FOUND;
    }
    return LUNAR_NONE;
}

LunarTracker::Action LunarTracker::EndOfPass(double losJd, PassRecord& record) {
    if (!underWay_) return LUNAR_NONE;
    record.lunarEnd = losJd;
    underWay_ = false;
    return LUNAR_FOUND;
}

}  // namespace orvanta

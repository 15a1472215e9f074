#pragma once
// Lunar passes: the satellite crossing the face of the Moon as seen from the site.
namespace orvanta {

struct PassRecord;

// The Moon's apparent radius in degrees at a distance in km (358473400 / d arc seconds).
double MoonApparentRadius(double distanceKm);
// Largest apparent radius the Moon reaches (at a distance of 350000 km, below its least
// perigee), for bounds that must hold at any time.
constexpr double MOON_MAX_APPARENT_RADIUS_DEG = 358473400.0 / 350000.0 / 3600.0;

// True when the satellite lies inside the square box of half-width radius around the Moon
// (all degrees); azimuths within radius of 360 are taken as negative first.
bool InsideMoonDisc(double satAz, double satEl, double moonAz, double moonEl, double radius);

// The lunar-pass transitions of one satellite, fed once per second while it is above the
// horizon with the Moon's place at that second.
class LunarTracker {
public:
    enum Action {
        LUNAR_NONE = 0,
        LUNAR_STARTED,   // entered the disc
        LUNAR_FOUND,     // left the disc: announce "Lunar pass found"
        LUNAR_MOON_SET,  // the Moon set while under way: announce "... moon sets ..."
    };

    bool UnderWay() const { return underWay_; }
    void Reset() { underWay_ = false; }

    Action Step(double jd, double satAz, double satEl, double moonAz, double moonEl,
                double moonDistanceKm, PassRecord& record);
    // Closes a lunar pass still under way when the satellite itself sets: the pass ends
    // there rather than leaking into the next pass record.
    Action EndOfPass(double losJd, PassRecord& record);

private:
    bool underWay_ = false;
};

}  // namespace orvanta

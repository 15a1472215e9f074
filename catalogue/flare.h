#pragma once
// Iridium flares: sunlight reflected towards the observer by one of the three flat main
// mission antennas of a first-generation Iridium satellite.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/pass_record.h"
#include "orbit/vector.h"

namespace orvanta {

// Antenna model: azimuths 0, +120 and -120 degrees in the satellite frame, common tilt -40.
constexpr std::array<double, FLARE_ANTENNAS> FLARE_ANTENNA_AZIMUTH_DEG = {0.0, 120.0, -120.0};
constexpr double FLARE_ANTENNA_TILT_DEG = -40.0;
// An antenna flares while the Sun lies within this many degrees of its mirror direction.
constexpr double FLARE_THRESHOLD_DEG = 2.0;

// True when the name contains "IRIDIUM" (case-sensitive) and is not exactly one of the
// satellites known not to flare. The international designator (line 1, columns 10-17),
// when given, excludes satellites launched from 2017 on: the second generation, whose
// antennas do not flare.
bool IsFlareCandidate(std::string_view name, std::string_view internationalDesignator = {});

// Launch year from an international designator ("97020A  " -> 1997), or 0 when unreadable.
int LaunchYear(std::string_view internationalDesignator);

// Angle in degrees between the Sun and the direction in which the antenna mirrors the line
// of sight. pos and vel are the satellite's inertial state, lineOfSight the vector from the
// site to the satellite in the same frame; Sun right ascension and declination in degrees;
// tilt and azimuth of the antenna in degrees. 180 when the antenna faces away from the
// observer.
double FlareAngle(const cVector& pos, const cVector& vel, const cVector& lineOfSight,
                  double sunRaDeg, double sunDecDeg, double tiltDeg, double antennaAzDeg);

// The same separation without the facing test. It moves continuously, and the flare angle
// is either 180 or this value, so a bound on its rate bounds when a flare can begin.
double FlareSeparation(const cVector& pos, const cVector& vel, const cVector& lineOfSight,
                       double sunRaDeg, double sunDecDeg, double tiltDeg, double antennaAzDeg,
                       bool* facesObserver = nullptr);

// Estimated magnitude from the smallest separation (degrees) seen during the flare:
// 2.071 ln(s) - 1.6716, limited to -8 ... 1.
double FlareMagnitude(double smallestSeparationDeg);

// The per-pass flare state machine, fed once per second while the satellite is above the
// horizon. It writes the flare fields of the pass record.
class FlareTracker {
public:
    struct Geometry {
        cVector pos, vel, lineOfSight;  // km, km/s
        double sunRaDeg = 0.0, sunDecDeg = 0.0;
        double azimuthDeg = 0.0, elevationDeg = 0.0, rangeKm = 0.0;
    };
    // Bit i set: antenna i's flare ended at this step (announce it).
    using Event = unsigned;
    // Called for each antenna whose flare ends, right after the record took that antenna's
    // values: when two antennas end in the same step the record holds only the last one's
    // afterwards, so the announcement has to happen here.
    using FlareEnded = std::function<void(int antenna, const PassRecord& record)>;

    // Starts a new pass record (clears the per-antenna smallest separations).
    void Reset();
    // One step at Julian date jd. Returns which flare, if any, ended.
    Event Step(double jd, const Geometry& g, PassRecord& record, const FlareEnded& ended = {});
    // One step with precomputed flare angles (degrees), for callers and tests that already
    // have them.
    Event StepAngles(double jd, const std::array<double, FLARE_ANTENNAS>& theta, const Geometry& g,
                     PassRecord& record, const FlareEnded& ended = {});

    // True when antenna i can still start or is in the middle of a flare in this record.
    static bool AntennaLive(const PassRecord& record, int i) { return record.flareEnd[i] == 0.0; }
    static bool FlareUnderWay(const PassRecord& record, int i) {
        return record.flareStart[i] != 0.0 && record.flareEnd[i] == 0.0;
    }

private:
    std::array<double, FLARE_ANTENNAS> smallest_{};
};

// "Flare at: %s M: %0.1f Az: %0.1f El: %0.1f"
std::string FlareDetailsText(const std::string& startText, const PassRecord& record);

}  // namespace orvanta

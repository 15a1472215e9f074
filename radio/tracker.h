#pragma once
// Antenna and radio control for one satellite: once a second it says where the rotator should
// point and what the radio should be tuned to, and whether that changed enough to be sent.
// From two minutes before AOS the rotator is parked at the rise azimuth and the radio preset;
// after LOS the rotator goes to its park position and the next pass is planned.
#include <cstdint>
#include <optional>
#include <string>

#include "common/settings_records.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "radio/rotator_plan.h"

namespace orvanta {

inline constexpr double SPEED_OF_LIGHT_KMS = 299792.458;

// The frequency heard on the ground from a transmitter on hz moving away at rangeRate (km/s).
inline double DopplerDownlink(double hz, double rangeRateKmS) {
    return hz * (1.0 - rangeRateKmS / SPEED_OF_LIGHT_KMS);
}
// The frequency to transmit so the satellite hears hz: corrected the opposite way.
inline double DopplerUplink(double hz, double rangeRateKmS) {
    return hz * (1.0 + rangeRateKmS / SPEED_OF_LIGHT_KMS);
}

struct TrackerSettings {
    double rotatorThresholdDeg = 1.0;  // "Rotator Threshold"
    double radioThresholdHz = 10.0;    // "Radio Threshold"
    bool parkAfterLos = true;          // "Rotator Park"
    double parkAz = 0.0;               // "Rotator Park Az", in the rotator's count
    double parkEl = 0.0;               // "Rotator Park El"
    double preAosSeconds = 120.0;
    RotatorLimits limits;
    double downlinkHz = 0.0;  // 0: no downlink to tune
    double uplinkHz = 0.0;    // 0: no uplink
    double offsetHz = 0.0;    // calibration added to the downlink before the Doppler shift
};

enum class TrackPhase {
    WAITING,   // more than preAosSeconds before the next AOS: nothing to do
    PARKING,   // rotator at the rise azimuth, radio preset
    TRACKING,  // above the horizon
    PARKED,    // after LOS
    NO_PASS    // no pass within the search window, or the orbit cannot be computed
};

const char* TrackPhaseName(TrackPhase phase);

struct TrackStep {
    double jd = 0.0;
    TrackPhase phase = TrackPhase::NO_PASS;
    bool computed = false;  // look angles valid
    LookAngle look;         // the satellite, degrees
    double rangeKm = 0.0;
    double rangeRateKmS = 0.0;

    std::optional<LookAngle> rotator;  // the command in effect (sent or about to be)
    bool sendRotator = false;          // changed by more than the threshold: send it now
    std::optional<std::int64_t> downlinkHz;
    std::optional<std::int64_t> uplinkHz;
    bool sendRadio = false;
};

class SatelliteTracker {
public:
    SatelliteTracker(const cElementSet& elements, const ObserverLocation& observer,
                     TrackerSettings settings);

    // Works out the step at jd (Julian date, UTC). Steps must go forward in time.
    TrackStep Step(double jd);

    // The last rotator or radio command did not reach its daemon: send it again next step.
    void RotatorNotSent() { sentRotator.reset(); }
    void RadioNotSent() {
        sentDownlink.reset();
        sentUplink.reset();
    }
    // The rotator told its real limits: the next pass is planned with them.
    void SetLimits(const RotatorLimits& limits);
    void SetFrequencies(double downlinkHz, double uplinkHz, double offsetHz);

    const RotatorPlan& Plan() const { return plan; }
    double Aos() const { return aos; }  // 0 when no pass is known
    double Los() const { return los; }
    const TrackerSettings& Settings() const { return settings; }

private:
    bool Look(double jd, LookAngle& look, double& range, double& rate) const;
    void FindPass(double fromJd);

    cElementSet elements;
    cOrbit orbit;
    ObserverLocation observer;
    cSite site;
    TrackerSettings settings;

    double aos = 0.0, los = 0.0;
    double searchedUpTo = 0.0;  // no pass before this date (after a failed search)
    RotatorPlan plan;
    double lastCommandAz = 0.0;
    std::optional<LookAngle> sentRotator;
    std::optional<std::int64_t> sentDownlink, sentUplink;
    bool parkedSent = false;
};

}  // namespace orvanta

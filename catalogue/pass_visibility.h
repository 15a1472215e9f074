#pragma once
// What a visual observer wants to know about a pass: is the satellite lit by the Sun, when
// does it enter and leave the Earth's shadow, the part of the pass that can be seen (above
// the horizon, sunlit, the Sun below -6 degrees at the site), how bright it gets, and the
// true culmination. catalogue/README.md explains the stepping.
#include <coroutine>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "astro/sun_moon.h"
#include "catalogue/pass_record.h"
#include "catalogue/propagation_queue.h"
#include "catalogue/search_task.h"
#include "orbit/eci.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "orbit/vector.h"

namespace orvanta {

constexpr double SUN_RADIUS_KM = 696000.0;
constexpr double ASTRONOMICAL_UNIT_KM = 149597870.7;
// A pass can be seen only while the Sun is below this elevation at the site (civil dusk).
constexpr double VISIBLE_SUN_LIMIT_DEG = -6.0;

// The Sun's geocentric position, km, in the frame of the satellite states (true equator;
// the Sun's low-accuracy place, with its distance from the same theory).
cVector SunPositionKm(double jd);

// Sunlight on a satellite, from its geocentric position and the Sun's (km). The Earth is a
// sphere of XKMPER; seen from the satellite, the Earth's disc and the Sun's overlap in the
// penumbra and cover the Sun entirely in the umbra (the two cones tangent to both bodies).
struct Sunlight {
    double margin = 0.0;    // radians the Sun's centre stands above the Earth's limb
    double fraction = 1.0;  // part of the Sun's disc not hidden by the Earth, 0..1
    // Lit while the Sun's centre is above the limb: the middle of the penumbra, where half
    // the disc is gone; the shadow entry and exit times are those of this boundary.
    bool Sunlit() const { return margin > 0.0; }
    bool Umbra() const { return fraction <= 0.0; }
    bool Penumbra() const { return fraction > 0.0 && fraction < 1.0; }
};
Sunlight SunlightAt(const cVector& satelliteKm, const cVector& sunKm);

// Diffuse-sphere phase law F(phi) = sin phi + (pi - phi) cos phi; F(90 degrees) = 1.
double DiffuseSpherePhase(double phaseRad);
// Apparent visual magnitude from a standard magnitude (at 1000 km and phase angle 90
// degrees), the range (km) and the phase angle (Sun - satellite - observer, radians):
// m = stdMag + 5 log10(range / 1000) - 2.5 log10(F(phi) / F(90)). No extinction.
// Infinite when the phase angle leaves no lit part in view (180 degrees).
double ApparentMagnitude(double standardMagnitude, double rangeKm, double phaseRad);

// Computes the visibility fields of a pass record (see PassRecord) for one satellite.
// Built once per satellite; every sample lies on whole seconds from the pass's AOS, so the
// times agree with the pass search's grid.
class PassVisibility {
public:
    PassVisibility(const cOrbit& orbit, const cSite& site, const AstroSite& astroSite,
                   std::optional<double> standardMagnitude);

    // tsinceAos: minutes since the orbit's epoch at AOS; seconds: LOS - AOS, whole seconds
    // (the satellite is above the horizon on every second from AOS up to LOS). The record's
    // aos, los and maxElevation must be set. aosState: the state at AOS when the caller
    // has it (saves a propagation). False (fields cleared) when the orbit cannot be
    // propagated over the pass.
    bool Compute(double tsinceAos, std::int64_t seconds, PassRecord& record,
                 const cEci* aosState = nullptr);
    // The same for a search coroutine: its propagations go where queue sends them (see
    // Queue), so it may wait on each.
    SearchTask<bool> ComputeSteps(double tsinceAos, std::int64_t seconds, PassRecord& record,
                                  const cEci* aosState);
    // The propagations from now on: to the queue queue points to (the pass search's own);
    // null, or a queue with no vector, propagates at once.
    void Queue(const PropagationQueue* queue) { queue_ = queue; }

    // Lit stretches [from, to) of the whole seconds 0 .. seconds - 1 after jdStart (which is
    // tsinceStart minutes after the epoch). Each change is found at the very second it
    // happens: no step is longer than the time the Sun's margin above the limb needs to
    // reach zero at the fastest the orbit allows. False when propagation fails.
    using Intervals = std::vector<std::pair<std::int64_t, std::int64_t>>;
    bool SunlitIntervals(double tsinceStart, double jdStart, std::int64_t seconds,
                         Intervals& lit);

    std::int64_t Evaluations() const { return evaluations_; }

private:
    struct State;
    enum Needs { LOOK = 1, SUN = 2, ALL = 3 };
    // co_await Evaluate(t, s, needs): false when the orbit cannot be propagated to t
    // seconds after AOS; else s holds what needs asks for.
    struct Evaluation {
        PassVisibility& v;
        double t;
        State& s;
        int needs;
        cEci eci;
        bool ok = false;
        bool await_ready();
        void await_suspend(std::coroutine_handle<> waiter);
        bool await_resume() { return ok && v.Evaluated(t, eci, s, needs); }
    };
    Evaluation Evaluate(double t, State& s, int needs) {
        return Evaluation{*this, t, s, needs, cEci(), false};
    }
    bool Evaluated(double t, const cEci& eci, State& s, int needs);
    SearchTask<bool> SunlitSteps(double tsinceStart, double jdStart, std::int64_t seconds,
                                 Intervals& lit);
    void InitBounds();
    void Widen(double r, double speed, double rdot);
    double ShadowCertified(const State& s) const;
    SearchTask<bool> Culminate(std::int64_t seconds, double& tBest, double& elBest);
    double MagnitudeAt(const State& s) const;

    const cOrbit& orbit_;
    const cSite& site_;
    AstroSite astroSite_;
    std::optional<double> stdMag_;
    double tsinceAos_ = 0.0;
    const cEci* aosState_ = nullptr;  // during Compute only
    double jdAos_ = 0.0;
    double lon_ = 0.0, sinLat_ = 0.0, cosLat_ = 1.0;
    double siteXy_ = 0.0, siteZ_ = 0.0;  // the site's distance from the axis and height, km
    // The Sun's exact places at the two grid dates around the last one asked for.
    std::int64_t sunNode_ = 0;
    bool sunValid_ = false;
    cVector sunA_, sunB_;
    double gastJd_ = 0.0, gastDeg_ = 0.0;  // an exact apparent sidereal time and its date
    cVector SunAt(double t);
    std::int64_t evaluations_ = 0;
    const PropagationQueue* queue_ = nullptr;
    // Bounds over the orbit for the shadow stepping, widened when a state exceeds them.
    double rLow_ = 0.0, rHigh_ = 0.0, vMin_ = 0.0, vMax_ = 0.0, rdotMax_ = 0.0;
    double shadowRate_ = 0.0;   // bound on the rate of Sunlight::margin, rad/s
    double turnRate2_ = 0.0;    // bound on the squared turning rate of that direction
    double dirAccel_ = 0.0;     // bound on its acceleration across itself
    double earthAccel_ = 0.0;   // bound on the second derivative of the Earth's radius seen
    double earthCosMin_ = 1.0;  // cosine of the largest angular radius of the Earth
};

}  // namespace orvanta

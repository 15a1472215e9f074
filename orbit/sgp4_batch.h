#pragma once
// Many element sets propagated together. The near-earth constants of each set, copied from its
// cNoradSGP4, are laid out as arrays, so every step of the model runs as one plain loop over
// the sets (or over the times of one set) that the compiler turns into vector code. Deep-space
// sets, and the few requests the vector path does not take, go through cOrbit::PositionAt.
// The answers are the scalar propagator's to well under a millimetre (the vector sine, cosine
// and arc tangent round differently in the last bits); success and failure are the same.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "orbit/julian_date.h"
#include "orbit/orbit.h"

namespace orvanta {

enum Sgp4BatchStatus : std::uint8_t {
    SGP4_BATCH_OK = 0,
    SGP4_BATCH_FAILED = 1,   // cOrbit::PositionAt returned false: decayed, escaped, hyperbolic
    SGP4_BATCH_INVALID = 2,  // the orbit is not valid; every request fails
};

// States indexed [set * times + time], km and km/s in the model's TEME frame (as
// cOrbit::PositionAt gives them); zeros where the status is not SGP4_BATCH_OK.
struct cSgp4BatchStates {
    std::size_t sets = 0, times = 0;
    std::vector<double> x, y, z, vx, vy, vz;
    std::vector<std::uint8_t> status;

    std::size_t Index(std::size_t time, std::size_t set) const { return set * times + time; }
};

class cSgp4Batch {
public:
    // By value: a caller that builds the orbits for the batch alone moves them in.
    explicit cSgp4Batch(std::vector<cOrbit> orbits);

    std::size_t Size() const { return orbits.size(); }
    const cOrbit& Orbit(std::size_t i) const { return orbits[i]; }
    std::size_t NearEarthCount() const { return nearIndex.size(); }
    // True when set i runs on the vector path.
    bool IsVectorised(std::size_t i) const { return laneOf[i] >= 0; }

    // Every set at each of the times, in minutes from each set's own epoch.
    void Propagate(const std::vector<double>& tsince, cSgp4BatchStates& out) const;
    // Every set at each of the dates; each set's tsince is formed as cOrbit::PositionAt forms
    // it from a date.
    void PropagateAt(const std::vector<cJulianDate>& when, cSgp4BatchStates& out) const;
    // Every set at minutes after one date: tsince = (when - epoch) * 1440 + minutesAfter[k],
    // as a caller of cOrbit::PositionAt forms "a minute before" from its own tsince.
    void PropagateAt(const cJulianDate& when, const std::vector<double>& minutesAfter,
                     cSgp4BatchStates& out) const;
    // Set `set` alone at each of the times (minutes from its epoch); out holds that one set.
    void PropagateSet(std::size_t set, const std::vector<double>& tsince,
                      cSgp4BatchStates& out) const;
    // Request k is set sets[k] at tsince[k]: each set at its own times, the lanes still a set
    // each. out holds one "set" of sets.size() times, in the order of the requests.
    void PropagateRequests(const std::vector<std::size_t>& sets, const std::vector<double>& tsince,
                           cSgp4BatchStates& out) const;

private:
    // tsince of request (time, set): tsince[time]; else from when[time]; else, with
    // minutesAfter, from when[0] plus minutesAfter[time].
    void Run(std::size_t nTimes, const double* tsince, const cJulianDate* when,
             const double* minutesAfter, cSgp4BatchStates& out) const;
    // One finished block: lane j (of n) to out at index[j], set sets[j] at time t[j].
    void Collect(const double* lanes, const double* t, std::size_t n, const std::size_t* sets,
                 const std::size_t* index, cSgp4BatchStates& out) const;
    void Scalar(std::size_t set, double t, std::size_t index, cSgp4BatchStates& out) const;

    std::vector<cOrbit> orbits;
    std::vector<int> laneOf;             // per set: its column in consts, or -1
    std::vector<std::size_t> nearIndex;  // per column: the set
    std::size_t columns = 0;             // near-earth sets rounded up to whole blocks
    std::vector<double> consts;          // [field * columns + column]
    std::vector<double> setConsts;       // [column * fields + field]: a set's own row
};

}  // namespace orvanta

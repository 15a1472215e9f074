#pragma once
// The propagations of the pass search's coroutines (catalogue/pass_finder_core.h). A search
// alone propagates at once and never waits; one in a lockstep worker queues the request and
// waits, and the worker answers every queued request with one call of the batch propagator.
#include <coroutine>
#include <cstddef>
#include <vector>

#include "orbit/eci.h"
#include "orbit/orbit.h"

namespace orvanta {

// A sample's look from the site, which a lockstep worker works out for a whole round at once
// (orbit/site_look_batch.h) when the search asks for it with its propagation.
struct SampleLook {
    bool ready = false;  // set by the worker, taken by the search
    double sinTheta = 0.0, cosTheta = 0.0;  // of the local sidereal angle
    double south = 0.0, east = 0.0, up = 0.0, range = 0.0;  // km
    double el = 0.0;  // radians
};

struct PendingPropagation {
    std::size_t set = 0;  // the orbit's index in the worker's batch
    double tsince = 0.0;
    const cOrbit* orbit = nullptr;
    cEci* state = nullptr;  // where the answer goes
    bool* ok = nullptr;
    std::coroutine_handle<> resume;
    SampleLook* look = nullptr;  // null: the state alone

    // The answer in km and km/s, dated as cOrbit::PositionAt dates it.
    void Deliver(bool answered, const cVector& pos, const cVector& vel) const {
        *ok = answered;
        if (!answered) return;
        cJulianDate date = orbit->Epoch();
        date.AddMin(tsince);
        *state = cEci(pos, vel, date, UNITS_KM);
    }
};

// Where a search's propagations go: nowhere (null queue) means at once.
struct PropagationQueue {
    std::vector<PendingPropagation>* queue = nullptr;
    std::size_t set = 0;
};

// co_await Propagation{...}: true with state holding the orbit at tsince.
struct Propagation {
    const cOrbit& orbit;
    double tsince;
    const PropagationQueue& to;
    cEci& state;
    bool& ok;
    SampleLook* look = nullptr;

    bool await_ready() {
        if (to.queue) return false;
        ok = orbit.PositionAt(tsince, state);
        return true;
    }
    void await_suspend(std::coroutine_handle<> waiter) {
        to.queue->push_back({to.set, tsince, &orbit, &state, &ok, waiter, look});
    }
    bool await_resume() const { return ok; }
};

}  // namespace orvanta

#include "location/rise_set_recompute.h"

#include <atomic>

namespace orvanta {

namespace {

// Atomic so a view ticking on its own timer never sees a torn value.
std::atomic<bool> riseSetRecompute{false};

}  // namespace

void RequestRiseSetRecompute() {
    riseSetRecompute.store(true);
}

bool TakeRiseSetRecompute() {
    return riseSetRecompute.exchange(false);
}

}  // namespace orvanta

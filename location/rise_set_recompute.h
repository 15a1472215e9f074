#pragma once
// The Sky view keeps the next rise and set times of the Sun and the Moon and recomputes them
// only once an hour; a new place or a new time display must not wait that long. The user
// settings raise this flag on OK and the Sky view's tick takes it.
namespace orvanta {

// Asks for a rise and set computation on the Sky view's next tick.
void RequestRiseSetRecompute();

// True once after each request (the flag is cleared by taking it); false when none is pending.
bool TakeRiseSetRecompute();

}  // namespace orvanta

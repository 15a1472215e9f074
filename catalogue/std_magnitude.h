#pragma once
// Built-in standard visual magnitudes (magnitude at 1000 km range and phase angle 90
// degrees) by catalogue number, converted by tools/make_stdmag.py.
#include <cstddef>
#include <optional>

namespace orvanta {

// The satellite's standard magnitude, or nothing when the table has none (a satellite
// without one gets no brightness at all, never a guess).
std::optional<double> StandardMagnitude(int catalogueNumber);
// Entries in the built-in table.
std::size_t StandardMagnitudeCount();

}  // namespace orvanta

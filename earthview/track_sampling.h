#pragma once
// The ground track of one satellite from the batch propagator: SGP4 at the knots in one call,
// cubic Hermite interpolation between them, and the geodetic points in one vectorised loop.
#include <cstddef>
#include <vector>

#include "earthview/earth_tracks.h"
#include "orbit/sgp4_batch.h"

namespace orvanta {

// Geodetic points of n inertial positions (km) at the sidereal angles gmst (radians). The
// closed form (latitude from the flattening scaled by the height, within some 1e-5 rad; the
// height over the ellipsoid under the point, tens of metres) with branch-free arc tangents,
// so the loop runs as vector code; a position at the centre gives {0, lon, -XKMPER}.
void GeodeticPoints(const double* x, const double* y, const double* z, const double* gmst,
                    std::size_t n, GeoPoint* out);

// Buffers reused from one satellite to the next.
struct TrackScratch {
    std::vector<double> knots, x, y, z, gmst;
    std::vector<char> ok;
    cSgp4BatchStates states;
};

// The past and future points of `set` (orbit is the batch's set) at julianDate: the same
// points and spacing as one SGP4 call per knot gives.
void SampleTracks(const cSgp4Batch& batch, std::size_t set, const cOrbit& orbit, double julianDate,
                  ComputedTrack& out, TrackScratch& scratch);

}  // namespace orvanta

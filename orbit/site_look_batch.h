#pragma once
// Look angles of many satellite states from one site at once, for the pass search in
// lockstep: a round's states in one call, as plain loops that run as vector code. The local
// sidereal angle is cJulianDate::ToLmst's to the last bit; its sine and cosine and the
// elevation's arc sine are the batch propagator's (orbit/sgp4_batch_math.h), a few units in
// the last place from the library's, so the angles differ from cSiteFrame's by about 1e-15.
#include <cstddef>
#include <vector>

#include "orbit/site_frame.h"

namespace orvanta {

struct cSiteLooks {
    // In: the states' Julian dates and positions (km, the model's frame).
    std::vector<double> jd, x, y, z;
    // Out: sine and cosine of the local sidereal angle; the line of sight's south, east and
    // up (zenith) components and length, km; the elevation, radians.
    std::vector<double> sinTheta, cosTheta, south, east, up, range, el;

    void Clear();
    void Add(double julianDate, double px, double py, double pz);
    std::size_t Size() const { return jd.size(); }
};

// Fills the outputs of every state in looks.
void LookFromSite(const cSiteFrame& frame, cSiteLooks& looks);

}  // namespace orvanta

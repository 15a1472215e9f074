#pragma once
// Near-earth model (period below 225 minutes).
#include "orbit/norad_base.h"

namespace orvanta {

class cNoradSGP4 : public cNoradBase {
public:
    explicit cNoradSGP4(const cOrbit& orbit);
    cNoradSGP4(const cNoradSGP4&) = default;
    cNoradSGP4& operator=(const cNoradSGP4&) = default;

    bool PositionAt(double tsince, cEci& eci) const override;

    // Perigee below 220 km: the drag terms beyond c1 are left out.
    bool IsSimple() const { return isimp; }
    // Mean eccentricity after drag at tsince, before the periodic terms. Drag can drive it
    // below zero on a decaying orbit; the model lets it.
    double MeanEccentricityAt(double tsince) const;

private:
    // Copies these constants into its arrays, so both paths start from one initialisation.
    friend class cSgp4Batch;

    double c5 = 0, omgcof = 0, xmcof = 0, delmo = 0, sinmo = 0;
    // Depend only on the elements, so they are formed once here.
    bool isimp = false;
    double d2 = 0, d3 = 0, d4 = 0, t3cof = 0, t4cof = 0, t5cof = 0;
};

}  // namespace orvanta

#pragma once
// The initialisation both NORAD models share and the step both end with (Kepler's equation,
// short-period corrections, state vector). Canonical units: earth radii, minutes, radians.
#include "orbit/eci.h"
#include "orbit/julian_date.h"

namespace orvanta {

class cOrbit;

class cNoradBase {
public:
    // Reads the elements and the Brouwer mean elements of orbit once; the propagator keeps
    // no reference to it afterwards, so the orbit may be copied or moved.
    explicit cNoradBase(const cOrbit& orbit);
    virtual ~cNoradBase() = default;

    // State at tsince minutes from epoch, in earth radii and earth radii per minute. False
    // (and eci untouched) when the orbit has decayed, escaped or become hyperbolic.
    virtual bool PositionAt(double tsince, cEci& eci) const = 0;

    // Perigee height above the equatorial radius (km), and the atmosphere parameters chosen
    // from it.
    double Perigee() const { return perigee; }
    double S4() const { return s4; }
    double Qoms24() const { return qoms24; }

protected:
    cNoradBase(const cNoradBase&) = default;
    cNoradBase& operator=(const cNoradBase&) = default;

    bool FinishState(double incl, double omega, double e, double a, double xl, double xnode,
                     double xn, double tsince, cEci& eci) const;

    // Elements read once at construction.
    cJulianDate epoch;
    double xmo = 0;     // mean anomaly, rad
    double xnodeo = 0;  // right ascension of the node, rad
    double omegao = 0;  // argument of perigee, rad
    double bstar = 0;

    double xincl = 0, eo = 0;
    double cosio = 0, theta2 = 0, x3thm1 = 0, eosq = 0, betao2 = 0, betao = 0;
    double aodp = 0, xnodp = 0;
    double s4 = 0, qoms24 = 0, perigee = 0;
    double tsi = 0, eta = 0, etasq = 0, eeta = 0, coef = 0, coef1 = 0;
    double c1 = 0, c3 = 0, c4 = 0, sinio = 0, x1mth2 = 0;
    double xmdot = 0, omgdot = 0, xnodot = 0, xnodcf = 0, t2cof = 0;
    double xlcof = 0, aycof = 0, x7thm1 = 0;
};

}  // namespace orvanta

#include "orbit/norad_sgp4.h"

#include <cmath>

#include "orbit/globals.h"

namespace orvanta {

cNoradSGP4::cNoradSGP4(const cOrbit& orbit) : cNoradBase(orbit) {
    c5 = 2.0 * coef1 * aodp * betao2 * (1.0 + 2.75 * (etasq + eeta) + eeta * etasq);
    omgcof = bstar * c3 * std::cos(omegao);
    // eeta is 0 for a circular orbit; the term vanishes with c3 there.
    xmcof = eeta != 0.0 ? -(2.0 / 3.0) * coef * bstar * AE / eeta : 0.0;
    delmo = std::pow(1.0 + eta * std::cos(xmo), 3.0);
    sinmo = std::sin(xmo);

    // Perigee below 220 km.
    isimp = aodp * (1.0 - eo) / AE < 1.034492841559484;
    if (!isimp) {
        const double c1sq = c1 * c1;
        d2 = 4.0 * aodp * tsi * c1sq;
        const double temp = d2 * tsi * c1 / 3.0;
        d3 = (17.0 * aodp + s4) * temp;
        d4 = 0.5 * temp * aodp * tsi * (221.0 * aodp + 31.0 * s4) * c1;
        t3cof = d2 + 2.0 * c1sq;
        t4cof = 0.25 * (3.0 * d3 + c1 * (12.0 * d2 + 10.0 * c1sq));
        t5cof = 0.2 * (3.0 * d4 + 12.0 * c1 * d3 + 6.0 * d2 * d2 + 15.0 * c1sq * (2.0 * d2 + c1sq));
    }
}

double cNoradSGP4::MeanEccentricityAt(double t) const {
    double tempe = bstar * c4 * t;
    if (!isimp) {
        const double xmdf = xmo + xmdot * t;
        const double delm = xmcof * (std::pow(1.0 + eta * std::cos(xmdf), 3.0) - delmo);
        const double xmp = xmdf + omgcof * t + delm;
        tempe += bstar * c5 * (std::sin(xmp) - sinmo);
    }
    return eo - tempe;
}

bool cNoradSGP4::PositionAt(double t, cEci& eci) const {
    // Secular gravity and atmospheric drag.
    const double xmdf = xmo + xmdot * t;
    const double omgadf = omegao + omgdot * t;
    const double xnoddf = xnodeo + xnodot * t;
    const double tsq = t * t;
    const double xnode = xnoddf + xnodcf * tsq;
    double tempa = 1.0 - c1 * t;
    double tempe = bstar * c4 * t;
    double templ = t2cof * tsq;
    double omega = omgadf;
    double xmp = xmdf;

    if (!isimp) {
        const double delomg = omgcof * t;
        const double cube = 1.0 + eta * std::cos(xmdf);
        const double delm = xmcof * (cube * cube * cube - delmo);
        const double temp = delomg + delm;
        xmp = xmdf + temp;
        omega = omgadf - temp;
        const double tcube = tsq * t;
        const double tfour = t * tcube;
        tempa = tempa - d2 * tsq - d3 * tcube - d4 * tfour;
        tempe = tempe + bstar * c5 * (std::sin(xmp) - sinmo);
        templ = templ + t3cof * tcube + tfour * (t4cof + t * t5cof);
    }

    const double a = aodp * tempa * tempa;
    const double e = eo - tempe;
    const double xl = xmp + omega + xnode + xnodp * templ;
    const double xn = XKE / (a * std::sqrt(a));
    return FinishState(xincl, omega, e, a, xl, xnode, xn, t, eci);
}

}  // namespace orvanta

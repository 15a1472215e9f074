#include "orbit/site.h"

#include <algorithm>
#include <cmath>

#include "orbit/globals.h"

namespace orvanta {

cSite::cSite(double latDeg, double lonDeg, double altKm)
    : geo(DegToRad(latDeg), DegToRad(lonDeg), altKm) {}

cCoordTopo cSite::LookAngles(const cEci& sat) const {
    const cEci obs(geo, sat.Date());
    const double rrx = sat.Vel().x - obs.Vel().x;
    const double rry = sat.Vel().y - obs.Vel().y;
    const double rrz = sat.Vel().z - obs.Vel().z;
    const double rx = sat.Pos().x - obs.Pos().x;
    const double ry = sat.Pos().y - obs.Pos().y;
    const double rz = sat.Pos().z - obs.Pos().z;
    const double range = std::sqrt(rx * rx + ry * ry + rz * rz);

    const double theta = sat.Date().ToLmst(geo.lon);
    const double sinLat = std::sin(geo.lat), cosLat = std::cos(geo.lat);
    const double sinTheta = std::sin(theta), cosTheta = std::cos(theta);
    const double topS = sinLat * cosTheta * rx + sinLat * sinTheta * ry - cosLat * rz;
    const double topE = -sinTheta * rx + cosTheta * ry;
    const double topZ = cosLat * cosTheta * rx + cosLat * sinTheta * ry + sinLat * rz;

    // atan2 of the east and north components: the same angle as atan(-top_e / top_s) with
    // its quadrant fix, but also defined when top_s is exactly zero (due east or west, or
    // straight overhead), where the quotient's sign would depend on the sign of a zero.
    double az = std::atan2(topE, -topS);
    if (az < 0.0) az += TWOPI;
    if (az >= TWOPI) az = 0.0;
    // Rounding can put the quotient a hair beyond 1 straight overhead.
    const double el = std::asin(std::clamp(topZ / range, -1.0, 1.0));
    const double rate = (rx * rrx + ry * rry + rz * rrz) / range;
    return cCoordTopo(az, el, range, rate);
}

cVector cSite::GetRangeVector(const cEci& sat) const {
    const cEci obs(geo, sat.Date());
    return cVector(sat.Pos().x - obs.Pos().x, sat.Pos().y - obs.Pos().y, sat.Pos().z - obs.Pos().z,
                   0.0);
}

}  // namespace orvanta

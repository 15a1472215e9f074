#include "orbit/site.h"

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

    // Straight overhead both components vanish; 0/0 would give no azimuth at all.
    double az = (topS == 0.0 && topE == 0.0) ? 0.0 : std::atan(-topE / topS);
    if (topS > 0.0) az += PI;
    if (az < 0.0) az += TWOPI;
    const double el = std::asin(topZ / range);
    const double rate = (rx * rrx + ry * rry + rz * rrz) / range;
    return cCoordTopo(az, el, range, rate);
}

cVector cSite::GetRangeVector(const cEci& sat) const {
    const cEci obs(geo, sat.Date());
    return cVector(sat.Pos().x - obs.Pos().x, sat.Pos().y - obs.Pos().y,
                   sat.Pos().z - obs.Pos().z, 0.0);
}

}  // namespace orvanta

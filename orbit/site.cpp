#include "orbit/site.h"

#include <algorithm>
#include <cmath>

#include "orbit/globals.h"
#include "orbit/site_frame.h"

namespace orvanta {

cSite::cSite(double latDeg, double lonDeg, double altKm)
    : geo(DegToRad(latDeg), DegToRad(lonDeg), altKm) {}

cSiteFrame::cSiteFrame(const cCoordGeo& geo)
    : lon(geo.lon), sinLat(std::sin(geo.lat)), cosLat(std::cos(geo.lat)) {
    // As cEci(cCoordGeo, date) has them, operation for operation.
    const double c = 1.0 / std::sqrt(1.0 - E2 * sinLat * sinLat);
    const double s = ONE_MINUS_F * ONE_MINUS_F * c;
    axisKm = (XKMPER * c + geo.alt) * cosLat;
    heightKm = (XKMPER * s + geo.alt) * sinLat;
}

cSiteFrame::Look cSiteFrame::LookWithoutAzimuth(const cEci& sat, double sinTheta,
                                                double cosTheta) const {
    // Earth rotation, rad/s, written as cEci writes it.
    constexpr double mfactor = TWOPI * (EARTH_ROT_PER_DAY / SEC_PER_DAY);
    const double ox = axisKm * cosTheta, oy = axisKm * sinTheta;
    const double rrx = sat.Vel().x - -mfactor * oy;
    const double rry = sat.Vel().y - mfactor * ox;
    const double rrz = sat.Vel().z - 0.0;
    const double rx = sat.Pos().x - ox;
    const double ry = sat.Pos().y - oy;
    const double rz = sat.Pos().z - heightKm;
    Look look;
    look.range = std::sqrt(rx * rx + ry * ry + rz * rz);
    look.south = sinLat * cosTheta * rx + sinLat * sinTheta * ry - cosLat * rz;
    look.east = -sinTheta * rx + cosTheta * ry;
    const double topZ = cosLat * cosTheta * rx + cosLat * sinTheta * ry + sinLat * rz;
    // Rounding can put the quotient a hair beyond 1 straight overhead.
    look.el = std::asin(std::clamp(topZ / look.range, -1.0, 1.0));
    look.rangeRate = (rx * rrx + ry * rry + rz * rrz) / look.range;
    return look;
}

double cSiteFrame::Azimuth(double south, double east) {
    // atan2 of the east and north components: the same angle as atan(-top_e / top_s) with
    // its quadrant fix, but also defined when top_s is exactly zero (due east or west, or
    // straight overhead), where the quotient's sign would depend on the sign of a zero.
    double az = std::atan2(east, -south);
    if (az < 0.0) az += TWOPI;
    if (az >= TWOPI) az = 0.0;
    return az;
}

cCoordTopo cSiteFrame::LookAngles(const cEci& sat, double sinTheta, double cosTheta) const {
    const Look look = LookWithoutAzimuth(sat, sinTheta, cosTheta);
    return cCoordTopo(Azimuth(look.south, look.east), look.el, look.range, look.rangeRate);
}

cCoordTopo cSite::LookAngles(const cEci& sat) const {
    const cSiteFrame frame(geo);
    const double theta = sat.Date().ToLmst(geo.lon);
    return frame.LookAngles(sat, std::sin(theta), std::cos(theta));
}

cVector cSite::GetRangeVector(const cEci& sat) const {
    const cEci obs(geo, sat.Date());
    return cVector(sat.Pos().x - obs.Pos().x, sat.Pos().y - obs.Pos().y, sat.Pos().z - obs.Pos().z,
                   0.0);
}

}  // namespace orvanta

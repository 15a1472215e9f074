#include "orbit/eci.h"

#include <cmath>

#include "orbit/globals.h"

namespace orvanta {

cEci::cEci(const cVector& pos_, const cVector& vel_, const cJulianDate& date_, bool inAe)
    : pos(pos_), vel(vel_), date(date_), units(inAe ? UNITS_AE : UNITS_NONE) {}

cEci::cEci(const cCoordGeo& geo, const cJulianDate& date_) : date(date_), units(UNITS_KM) {
    // Earth rotation, rad/s.
    constexpr double mfactor = TWOPI * (EARTH_ROT_PER_DAY / SEC_PER_DAY);
    const double theta = date.ToLmst(geo.lon);
    const double sinLat = std::sin(geo.lat);
    const double c = 1.0 / std::sqrt(1.0 - E2 * sinLat * sinLat);
    const double s = ONE_MINUS_F * ONE_MINUS_F * c;
    const double achcp = (XKMPER * c + geo.alt) * std::cos(geo.lat);
    pos.x = achcp * std::cos(theta);
    pos.y = achcp * std::sin(theta);
    pos.z = (XKMPER * s + geo.alt) * sinLat;
    pos.w = std::sqrt(pos.x * pos.x + pos.y * pos.y + pos.z * pos.z);
    vel.x = -mfactor * pos.y;
    vel.y = mfactor * pos.x;
    vel.z = 0.0;
    vel.w = std::sqrt(vel.x * vel.x + vel.y * vel.y);
}

void cEci::ToKilometres() {
    if (units != UNITS_AE) return;
    pos.Scale(XKMPER / AE);
    vel.Scale(KM_PER_S_PER_ER_PER_MIN);
    units = UNITS_KM;
}

cCoordGeo cEci::ToGeodetic() {
    ToKilometres();
    const double theta = AcTan(pos.y, pos.x);
    double lon = std::fmod(theta - date.ToGmst(), TWOPI);
    if (lon < 0.0) lon += TWOPI;
    // A remainder of -1e-17 plus 2 pi rounds to 2 pi itself.
    if (lon >= TWOPI) lon = 0.0;
    const double r = std::sqrt(pos.x * pos.x + pos.y * pos.y);
    // On the axis itself the iteration below has nothing to work with (AcTan would put the
    // south pole at 3 pi / 2); the answer is a pole and the height above it.
    if (r == 0.0) {
        return cCoordGeo(pos.z >= 0.0 ? PI / 2.0 : -PI / 2.0, lon,
                         std::fabs(pos.z) - XKMPER * ONE_MINUS_F);
    }
    double lat = AcTan(pos.z, r);
    double phi, c;
    do {
        phi = lat;
        const double sinPhi = std::sin(phi);
        c = 1.0 / std::sqrt(1.0 - E2 * sinPhi * sinPhi);
        lat = AcTan(pos.z + XKMPER * c * E2 * sinPhi, r);
    } while (std::fabs(lat - phi) > 1e-7);
    const double alt = r / std::cos(lat) - XKMPER * c;
    return cCoordGeo(lat, lon, alt);
}

}  // namespace orvanta

#pragma once
// An observer fixed on the Earth: turns inertial satellite states into look angles.
#include "orbit/coordinates.h"
#include "orbit/eci.h"
#include "orbit/vector.h"

namespace orvanta {

class cSite {
public:
    cSite() = default;
    // Latitude and longitude in degrees (east positive), altitude in km.
    cSite(double latDeg, double lonDeg, double altKm);
    explicit cSite(const cCoordGeo& geo) : geo(geo) {}
    virtual ~cSite() = default;
    cSite(const cSite&) = default;
    cSite& operator=(const cSite&) = default;

    const cCoordGeo& GetLocation() const { return geo; }
    // Inertial position and velocity of the site at date (km, km/s).
    cEci GetPosition(const cJulianDate& date) const { return cEci(geo, date); }

    // Azimuth, elevation (radians), range (km) and range rate (km/s) of a satellite state
    // given in km and km/s.
    cCoordTopo LookAngles(const cEci& satellite) const;
    // Satellite position minus the site's position at the state's date, km; w = 0.
    cVector GetRangeVector(const cEci& satellite) const;

private:
    cCoordGeo geo;
};

}  // namespace orvanta

#pragma once
// The parts of a site's inertial position that depend on the site alone, worked out once, so
// that a caller sampling many dates pays for one sidereal time and one sine and cosine of it
// a sample. The results are those of cSite::LookAngles to the last bit.
#include "orbit/coordinates.h"
#include "orbit/eci.h"

namespace orvanta {

struct cSiteFrame {
    explicit cSiteFrame(const cCoordGeo& geo);

    // Look angles of a satellite state (km, km/s) from the sine and cosine of the local
    // sidereal angle at its date, Date().ToLmst(lon).
    cCoordTopo LookAngles(const cEci& sat, double sinTheta, double cosTheta) const;

    // The same without the azimuth, which a caller sampling a whole pass needs only at a few
    // samples: the south and east components of the line of sight keep it for Azimuth.
    struct Look {
        double south = 0.0, east = 0.0;  // km
        double el = 0.0, range = 0.0, rangeRate = 0.0;
    };
    Look LookWithoutAzimuth(const cEci& sat, double sinTheta, double cosTheta) const;
    static double Azimuth(double south, double east);

    double lon = 0.0;
    double sinLat = 0.0, cosLat = 1.0;
    double axisKm = 0.0;    // distance from the Earth's axis
    double heightKm = 0.0;  // distance from the equator's plane
};

}  // namespace orvanta

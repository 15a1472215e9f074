#pragma once
// Geodetic and topocentric coordinates. Angles in radians.

namespace orvanta {

class cCoordGeo {
public:
    cCoordGeo() = default;
    cCoordGeo(double lat_, double lon_, double alt_) : lat(lat_), lon(lon_), alt(alt_) {}
    virtual ~cCoordGeo() = default;
    cCoordGeo(const cCoordGeo&) = default;
    cCoordGeo& operator=(const cCoordGeo&) = default;

    double lat = 0.0;  // radians, north positive
    double lon = 0.0;  // radians, east positive
    double alt = 0.0;  // km above the ellipsoid
};

class cCoordTopo {
public:
    cCoordTopo() = default;
    cCoordTopo(double az_, double el_, double range_, double rangeRate_)
        : az(az_), el(el_), range(range_), rangeRate(rangeRate_) {}
    virtual ~cCoordTopo() = default;
    cCoordTopo(const cCoordTopo&) = default;
    cCoordTopo& operator=(const cCoordTopo&) = default;

    double az = 0.0;         // radians from north through east, [0, 2 pi)
    double el = 0.0;         // radians above the horizon
    double range = 0.0;      // km
    double rangeRate = 0.0;  // km/s, positive while the distance grows
};

}  // namespace orvanta

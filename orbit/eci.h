#pragma once
// Inertial state in the true-equator mean-equinox frame of the SGP4 model.
#include <cstdint>

#include "orbit/coordinates.h"
#include "orbit/julian_date.h"
#include "orbit/vector.h"

namespace orvanta {

enum DistanceUnits : std::int32_t {
    UNITS_NONE = 0,  // default-constructed
    UNITS_AE = 1,    // earth radii, earth radii per minute (as the propagators produce)
    UNITS_KM = 2,    // km, km/s
};

class cEci {
public:
    // Zero vectors, date 2000 day 1.0, no units.
    cEci() = default;
    // Copies the vectors as they are; units are earth radii when inAe is set, else none.
    cEci(const cVector& pos, const cVector& vel, const cJulianDate& date, bool inAe = true);
    // Copies the vectors as they are, in the given units (a batch propagator's answers).
    cEci(const cVector& pos_, const cVector& vel_, const cJulianDate& date_, DistanceUnits units_)
        : pos(pos_), vel(vel_), date(date_), units(units_) {}
    // Position and velocity of a point fixed on the rotating Earth, km and km/s.
    cEci(const cCoordGeo& geo, const cJulianDate& date);
    virtual ~cEci() = default;
    cEci(const cEci&) = default;
    cEci& operator=(const cEci&) = default;

    // Earth radii (per minute) to km and km/s; does nothing unless the units are earth radii.
    void ToKilometres();
    // Geodetic point below the state (converts this state to km first). lon in [0, 2 pi).
    cCoordGeo ToGeodetic();

    const cVector& Pos() const { return pos; }
    const cVector& Vel() const { return vel; }
    const cJulianDate& Date() const { return date; }
    DistanceUnits Units() const { return units; }

private:
    cVector pos;
    cVector vel;
    cJulianDate date;
    DistanceUnits units = UNITS_NONE;
};

}  // namespace orvanta

#pragma once
// Where a satellite is at one instant, as the details readouts show it: the point below it,
// its speed and footprint, how the site sees it, whether it is sunlit, the orbit's size and
// shape from the mean elements, the age of its elements and its next rise over the site.
#include <optional>
#include "common/settings_records.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"

namespace orvanta {

// How the site sees the satellite.
struct SiteView {
    double azimuthDeg = 0.0;    // from north through east, [0, 360)
    double elevationDeg = 0.0;  // above the horizon
    double rangeKm = 0.0;
    double rangeRateKms = 0.0;  // positive while the distance grows
};

struct SatelliteDetails {
    // From the elements alone, so known even where the model gives no position.
    double periodMin = 0.0;  // from the Brouwer mean motion; 0 when it is 0
    double apogeeKm = 0.0;   // heights above the equatorial radius XKMPER
    double perigeeKm = 0.0;
    double inclinationDeg = 0.0;
    double epochJd = 0.0;  // UTC
    double ageDays = 0.0;  // the instant minus the epoch

    // The fields below are meaningful only when the model gives a position.
    bool positionKnown = false;
    double latitudeDeg = 0.0;   // geodetic, north positive
    double longitudeDeg = 0.0;  // east positive, [-180, 180)
    double altitudeKm = 0.0;    // above the ellipsoid
    double speedKms = 0.0;      // of the inertial state vector
    // Diameter of the ground circle from which the satellite stands above 0 degrees
    // (spherical Earth of XKMPER): 2 Re acos(Re / (Re + h)); 0 below the surface.
    double footprintKm = 0.0;
    bool sunlit = false;  // the Sun's centre above the Earth's limb (catalogue/pass_visibility.h)
    std::optional<SiteView> view;  // only when a site was given
};

// 2 Re acos(Re / (Re + h)), km, for a height h above a sphere of XKMPER; 0 for h <= 0.
double FootprintDiameterKm(double altitudeKm);

// Details at the Julian date jd (UTC); the site view only when site is given.
SatelliteDetails ComputeSatelliteDetails(const cOrbit& orbit,
                                         const std::optional<ObserverLocation>& site, double jd);

// The first AOS (Julian date, UTC, on the pass search's whole-second grid) strictly after
// jd, as the pass search finds it. While the satellite is up at jd this is the rise after
// the pass in progress. Nothing when the search finds no rise: a satellite that is not
// visible within 7 days, never sets, is geosynchronous (the search skips those) or cannot
// be propagated.
std::optional<double> NextAos(const cElementSet& elements, const ObserverLocation& site,
                              double jd);

}  // namespace orvanta

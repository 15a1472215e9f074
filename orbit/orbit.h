#pragma once
// A satellite's orbit: built from one element set, it derives the Brouwer mean elements,
// picks the near-earth or deep-space model and answers where the satellite is.
//
// Cheap to build and copy; every const operation is free of side effects, so an orbit may be
// read from several threads (each thread usually builds its own).
#include <variant>

#include "orbit/eci.h"
#include "orbit/element_set.h"
#include "orbit/julian_date.h"
#include "orbit/norad_sdp4.h"
#include "orbit/norad_sgp4.h"

namespace orvanta {

class cOrbit {
public:
    // Never throws. An element set with short lines gives an orbit that is not valid and
    // whose PositionAt always fails.
    explicit cOrbit(const cElementSet& elements);
    cOrbit(const cOrbit&) = default;
    cOrbit& operator=(const cOrbit&) = default;
    cOrbit(cOrbit&&) = default;
    cOrbit& operator=(cOrbit&&) = default;
    virtual ~cOrbit() = default;

    bool IsValid() const { return model.index() != 0; }

    cJulianDate Epoch() const { return epoch; }
    // Period from the Brouwer mean motion, seconds; 0 when the mean motion is 0.
    double Period() const { return periodSec; }

    // State at tsince minutes from the epoch, in km and km/s (units UNITS_KM) dated
    // epoch + tsince. False when the propagator fails; eci is then left as it was.
    bool PositionAt(double tsince, cEci& eci) const;
    // The same at a Julian date.
    bool PositionAt(const cJulianDate& when, cEci& eci) const {
        return PositionAt((when.Date() - epoch.Date()) * 1440.0, eci);
    }

    const cElementSet& Elements() const { return elements; }
    int CatalogueNumber() const { return elements.CatalogueNumber(); }
    const std::string& Name() const { return elements.Name(); }

    double SemiMajor() const { return brouwerSemiMajor; }    // earth radii
    double MeanMotion() const { return brouwerMeanMotion; }  // rad/min
    // Period of 225 minutes or more: the deep-space model.
    bool IsDeepSpace() const { return model.index() == 2; }
    // The propagator; null when the orbit is not valid.
    const cNoradBase* Model() const;
    const cNoradSDP4* DeepSpaceModel() const { return std::get_if<cNoradSDP4>(&model); }
    const cNoradSGP4* NearEarthModel() const { return std::get_if<cNoradSGP4>(&model); }

private:
    cElementSet elements;
    cJulianDate epoch;
    std::variant<std::monostate, cNoradSGP4, cNoradSDP4> model;
    double periodSec = -1.0;
    double brouwerSemiMajor = 0.0;
    double brouwerMeanMotion = 0.0;
};

}  // namespace orvanta

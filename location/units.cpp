#include "location/units.h"

namespace orvanta {

double KilometresToDisplayUnit(double km, int metric) {
    switch (metric) {
        case UNIT_KILOMETRES:
            return km;
        case UNIT_STATUTE_MILES:
            return km / kKilometresPerStatuteMile;
        default:
            return km / kKilometresPerNauticalMile;
    }
}

int MetricFromUnitRadios(bool siChecked, bool statuteChecked) {
    if (siChecked) return UNIT_KILOMETRES;
    return statuteChecked ? UNIT_STATUTE_MILES : UNIT_NAUTICAL_MILES;
}

}  // namespace orvanta

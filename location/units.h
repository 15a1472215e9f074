#pragma once
// Distance units chosen by the "Metric" setting (the unit names are DistanceUnitSuffix in
// common/settings.h).

namespace orvanta {

enum DistanceUnit : int {
    UNIT_KILOMETRES = 1,
    UNIT_STATUTE_MILES = 2,
    UNIT_NAUTICAL_MILES = 3,
};

constexpr double kKilometresPerStatuteMile = 1.609347;
constexpr double kKilometresPerNauticalMile = 1.852;

// A distance in kilometres in the unit of "Metric": 1 unchanged, 2 statute miles, any other
// value nautical miles.
double KilometresToDisplayUnit(double km, int metric);

// The "Metric" value the three unit radios stand for: kilometres when "SI / Metric" is
// checked, else statute miles when "US / Statute" is, else nautical miles.
int MetricFromUnitRadios(bool siChecked, bool statuteChecked);

}  // namespace orvanta

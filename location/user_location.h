#pragma once
// Text rules of the user settings: how the location fields are shown and read back, and
// the label of the local-time choice.
#include <string>

namespace orvanta {

// "%f" (six decimals) and "%d", independent of the user's locale.
std::string FormatAngleField(double degrees);
std::string FormatAltitudeField(int metres);

// The leading decimal number of the text (blanks and a sign allowed), 0 when there is none.
double ReadAngleField(const std::string& text);
// True when the field's number lies within -limit ... limit. Text without a number reads
// as 0 and passes; a number too large for a double ("1e400") does not.
bool AngleFieldInRange(const std::string& text, double limit);

inline constexpr double kLatitudeLimit = 90.0;
inline constexpr double kLongitudeLimit = 180.0;
inline constexpr char kLatitudeOutOfRange[] =
    "The latitude must lie between -90 and 90 degrees (north positive, south negative).";
inline constexpr char kLongitudeOutOfRange[] =
    "The longitude must lie between -180 and 180 degrees (east positive, west negative).";
// The leading integer of the text ("545.4" reads 545), 0 when there is none; clamped to
// the int32 range.
int ReadAltitudeField(const std::string& text);

// What the user typed into a location field, read strictly: the whole text (blanks around
// it aside) must be the number. The decimal mark is the point or the user's own
// (decimalMark, e.g. ","), so "48,1374" is not cut to 48 nor "abc" taken as 0.
enum class FieldStatus { Ok, NotANumber, OutOfRange };
struct FieldReading {
    FieldStatus status = FieldStatus::NotANumber;
    double value = 0.0;
};
// Degrees within -limit ... limit; a number too small for a double reads 0.
FieldReading ParseAngleField(const std::string& text, double limit,
                             const std::string& decimalMark = ".");
// Metres: an integer, or a decimal whose fraction is dropped ("545.4" is 545).
FieldReading ParseAltitudeField(const std::string& text, const std::string& decimalMark = ".");

inline constexpr char kLatitudeNotANumber[] =
    "The latitude must be a number of degrees, such as 48.1374 (north positive, south "
    "negative).";
inline constexpr char kLongitudeNotANumber[] =
    "The longitude must be a number of degrees, such as -11.5167 (east positive, west "
    "negative).";
inline constexpr char kAltitudeNotANumber[] =
    "The altitude must be a number of metres above sea level, such as 545.";

// The zone name's first character and every capital A-Z among the next 30, at most 9
// characters: "W. Europe Standard Time" gives "WEST".
std::string TimeZoneAbbreviation(const std::string& zoneName);

inline constexpr char kUnknownTimezoneName[] = "Unknown Timezone Name";

// "%s (%s)" with the name (cut to 32 characters) and its abbreviation; without a zone the
// name is empty and the abbreviation "Unknown Timezone Name".
std::string LocalTimeLabel(const std::string& zoneName, bool zoneKnown);
// The same with the zone's own abbreviation of the instant ("CET" in winter, "UTC"), which
// names the zone as the pass list does; without one (or with a bare offset such as "+03")
// the abbreviation is built from the name as above.
std::string LocalTimeLabel(const std::string& zoneName, const std::string& abbreviation,
                           bool zoneKnown);

}  // namespace orvanta

#pragma once
// Text rules of the user settings: how the location fields are shown and read back, and
// the label of the local-time choice.
#include <string>

namespace orvanta {

// "%f" (six decimals) and "%d", independent of the user's locale.
std::string FormatAngleField(double degrees);
std::string FormatAltitudeField(int metres);

// The leading decimal number of the text (blanks and a sign allowed), 0 when there is none;
// no range check, as a typed location is the user's to choose.
double ReadAngleField(const std::string& text);
// The leading integer of the text ("545.4" reads 545), 0 when there is none; clamped to
// the int32 range.
int ReadAltitudeField(const std::string& text);

// The zone name's first character and every capital A-Z among the next 30, at most 9
// characters: "W. Europe Standard Time" gives "WEST".
std::string TimeZoneAbbreviation(const std::string& zoneName);

inline constexpr char kUnknownTimezoneName[] = "Unknown Timezone Name";

// "%s (%s)" with the name (cut to 32 characters) and its abbreviation; without a zone the
// name is empty and the abbreviation "Unknown Timezone Name".
std::string LocalTimeLabel(const std::string& zoneName, bool zoneKnown);

}  // namespace orvanta

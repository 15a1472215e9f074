#pragma once
// Texts, colours and icons of the pass list, computed without any widget so that the
// list view only asks for them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvanta {

enum PassListColumn : int {
    COL_SATELLITE = 0,
    COL_AOS,
    COL_LOS,
    COL_COUNTDOWN,
    COL_RISE_AZ,
    COL_MAX_EL,
    COL_SET_AZ,
    COL_DURATION,
    COL_AZ,
    COL_EL,
    COL_RANGE,
    COL_LUNAR_START,
    COL_LUNAR_END,
    COL_FLARE,
    COL_MAGNITUDE,  // brightest magnitude of a visible pass
    COL_VISIBLE,    // the window in which the pass can be seen
    PASS_LIST_COLUMNS
};

// Header text and default width of a column ("AOS"/"LOS" are replaced by PassListHeader).
const char* PassListColumnTitle(int column);
int PassListColumnWidth(int column);
// Columns a user turns on from the column menu; hidden until then.
bool PassListColumnOptional(int column);

// Image indices shared by the pass list and the event log: 0-3 event levels, 4-7 pass
// kinds, 8-10 lighting at LOS.
enum PassIcon : int {
    ICON_LUNAR_START_ONLY = 4,
    ICON_LUNAR_PASS = 5,
    ICON_LUNAR_END_ONLY = 6,
    ICON_FLARE = 7,
    ICON_SUN_UP = 8,
    ICON_DARK = 9,
    ICON_TWILIGHT = 10,
    ICON_COUNT = 11
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

class IDateTimeRenderer;

// How pass times are shown: minutes added to UTC (0 with "DisplayUTC", else the zone's
// offset, daylight saving included), and the 24-hour form or the locale's time format
// (the renderer; without one, "h:mm:ss AM").
struct RowTimeOptions {
    int displayOffsetMinutes = 0;
    bool use24h = false;
    const IDateTimeRenderer* localeTime = nullptr;
};

// Hours, minutes, seconds (and milliseconds, for rounding) of a Julian date's time of day.
struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};
TimeOfDay JulianTimeOfDay(double julian);

// "h:mm:ss AM" - the default 12-hour time format.
std::string FormatTime12h(const TimeOfDay& t);

// AOS, LOS and lunar times: "+d   " before the time when it is d >= 1 whole days after now.
std::string FormatRowTime(double julian, double now, const RowTimeOptions& options);

// "HH:MM:SS" from now to target; hours may exceed 23. A target already past shows zeros.
std::string FormatCountdown(double target, double now);

// "%s   (%0.5d)"
std::string FormatSatelliteCell(std::string_view name, std::int32_t catalogueNumber);
// "%0.3d" whole degrees
std::string FormatAzimuthCell(double degrees);
// "%0.3d @ %0.2d": mid-pass azimuth, maximum elevation
std::string FormatMaxElevationCell(double midAzimuth, double maxElevation);
// "%dm %0.2ds" between AOS and LOS (Julian dates), to the nearest second
std::string FormatDurationCell(double aos, double los);
std::string FormatLiveAzimuth(double degrees);    // "%05.1f"
std::string FormatLiveElevation(double degrees);  // "%04.1f"
std::string FormatLiveRange(double range);        // "%0.1f"
// "%.1f"
std::string FormatMagnitudeCell(double magnitude);
// "start - end", times of day in the row time format (the AOS column carries the days ahead)
std::string FormatVisibleCell(double start, double end, const RowTimeOptions& options);
// "%s M: %0.2f Az: %0.1f El: %0.1f"
std::string FormatFlareCell(std::string_view time, double magnitude, double azimuth,
                            double elevation);

// "AOS  (UTC)" or "AOS  (PST)"; base is "AOS" or "LOS", the label "UTC" or the zone's.
std::string PassListHeader(std::string_view base, std::string_view zoneLabel);

// Text colour of a row: green above 10 degrees / amber at or below while the pass is in
// progress, else a grey that gets lighter with the pass's maximum elevation.
Rgb PassTextColour(bool inProgress, double currentElevation, double maxElevation);

// Background of a cell: dark grey and black stripes; none (the list's own) for the flare
// column and the optional ones after it.
std::optional<Rgb> PassCellBackground(int column);

// Row icon from what the pass holds.
int PassRowIcon(bool hasFlare, bool hasLunarStart, bool hasLunarEnd, int lighting);

}  // namespace orvanta

#pragma once
// Next rise and set of the Sun and the Moon by a coarse-to-fine search on the
// geocentric elevation: hourly steps to bracket the crossing, 24-second steps
// back, then one-second steps forward. A body that does not cross its
// threshold within 48 hours (polar day or night, a circumpolar Moon) has no
// rise or set, rather than keeping the search running for ever.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "astro/sun_moon.h"

namespace orvanta {

enum class RiseSetBody { Sun, Moon };

// Elevation thresholds, degrees of geocentric elevation.
inline constexpr double SUN_RISE_THRESHOLD = -0.8333333333333334;   // -50 arc minutes
// Minus half the Moon's apparent diameter at this distance (km).
double MoonRiseThreshold(double distanceKm);

// Search steps, days.
inline constexpr double RISE_SET_COARSE_STEP = 0.041666666666666664;  // 1 hour
inline constexpr double RISE_SET_BACK_STEP = 0.0002777777777777778;   // 24 seconds
inline constexpr double RISE_SET_FINE_STEP = 1.1574074074074073e-5;   // 1 second
// Hourly steps after which a search gives up.
inline constexpr int RISE_SET_MAX_COARSE_STEPS = 48;

// Julian date of the first whole-second step at which the body's elevation
// reaches its threshold after start (for a body up at start: the rise after
// the coming set), or nothing when there is none within 48 hours.
std::optional<double> NextRise(RiseSetBody body, double startJd, const AstroSite& site);
// Julian date of the first whole-second step at which the elevation falls to
// the threshold, or nothing when there is none within 48 hours.
std::optional<double> NextSet(RiseSetBody body, double startJd, const AstroSite& site);

// Shown instead of a time when the search found no crossing.
inline constexpr const char* RISE_SET_NONE_TEXT = "none within 48 h";
// Longest result text, characters (the display keeps 99 plus a terminator).
inline constexpr std::size_t RISE_SET_TEXT_MAX = 99;

struct RiseSetTexts {
    std::string sunrise;
    std::string sunset;
    std::string moonrise;
    std::string moonset;
};

// Turns an instant into the displayed time of day (local or UTC, the
// caller's choice).
using TimeOfDayFormatter = std::function<std::string(double jd)>;

// The four searches from now, in the order sunrise, sunset, moonrise, moonset,
// each formatted by format (or RISE_SET_NONE_TEXT) and cut to
// RISE_SET_TEXT_MAX characters. The views pass the display-time formatter
// (time of day, local unless UTC display is chosen), e.g.
//   [](double jd) { return FormatTime(cJulianDate::FromJd(jd)); }
RiseSetTexts RefreshRiseSet(double nowJd, const AstroSite& site, const TimeOfDayFormatter& format);

}  // namespace orvanta

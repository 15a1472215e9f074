// orvanta-cli sun-moon: sidereal time and the Sun's and Moon's places for an
// observer, one CSV row per instant.
#include <cstdio>
#include <iostream>

#include "astro/sun_moon.h"
#include "cli/astro_cli.h"
#include "cli/command.h"

namespace orvanta::cli {
namespace {

int RunSunMoon(const std::vector<std::string>& args) {
    std::string error;
    const auto parsed = ParseObserverArgs(args, error);
    if (!parsed) return UsageError("sun-moon: " + error);
    const AstroSite site(parsed->latitude, parsed->longitude);

    std::printf("time_utc,gast_deg,sun_ra_deg,sun_dec_deg,sun_az,sun_el,moon_ra_deg,moon_dec_deg,"
                "moon_dist_km,moon_az,moon_el\n");
    for (double jd : parsed->instants) {
        const double gast = ApparentSiderealTime(jd);
        double sunRa, sunDec, sunAz, sunEl;
        SunEquatorial(jd, sunRa, sunDec);
        EquatorialToHorizontal(sunRa, sunDec, gast, site, sunAz, sunEl);
        double moonRa, moonDec, moonDist, moonAz, moonEl;
        MoonEquatorial(jd, moonRa, moonDec, moonDist);
        EquatorialToHorizontal(moonRa, moonDec, gast, site, moonAz, moonEl);
        // Right ascensions in [0, 360), as other tools print them.
        NormalizeDegrees(sunRa);
        NormalizeDegrees(moonRa);
        std::printf("%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.3f,%.6f,%.6f\n", FormatIsoUtcSeconds(jd).c_str(), gast,
                    sunRa, sunDec, sunAz, sunEl, moonRa, moonDec, moonDist, moonAz, moonEl);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

constexpr const char* kHelp =
    "Apparent sidereal time and the Sun's and Moon's places (right ascension, declination,\n"
    "azimuth, elevation in degrees; the Moon's distance in km) for an observer, one CSV row an\n"
    "instant.\n"
    "\n"
    "Options:\n"
    "  --lat DEG                      latitude, -90 ... 90, north positive (required)\n"
    "  --lon DEG                      longitude, -180 ... 180, east positive (required)\n"
    "  --at ISO8601Z [ISO8601Z ...]   one or more instants, UTC; may repeat (required)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli sun-moon --lat 48.1 --lon 11.6 --at 2026-05-08T12:00:00Z\n";

}  // namespace

ORVANTA_CLI_COMMAND(kSunMoonCommand, "sun-moon",
                    "sun-moon --lat DEG --lon DEG --at ISO8601Z [ISO8601Z ...]", kHelp,
                    RunSunMoon);

}  // namespace orvanta::cli

// orvanta-cli rise-set: the next sunrise, sunset, moonrise and moonset after
// an instant, one CSV row per instant; an empty field when there is none
// within 48 hours.
#include <cstdio>

#include "astro/rise_set.h"
#include "cli/astro_cli.h"
#include "cli/command.h"

namespace orvanta::cli {
namespace {

std::string Field(const std::optional<double>& jd) { return jd ? FormatIsoUtcSeconds(*jd) : std::string(); }

int RunRiseSet(const std::vector<std::string>& args) {
    std::string error;
    const auto parsed = ParseObserverArgs(args, error);
    if (!parsed) return UsageError("rise-set: " + error);
    const AstroSite site(parsed->latitude, parsed->longitude);

    std::printf("sunrise_utc,sunset_utc,moonrise_utc,moonset_utc\n");
    for (double jd : parsed->instants) {
        std::printf("%s,%s,%s,%s\n", Field(NextRise(RiseSetBody::Sun, jd, site)).c_str(),
                    Field(NextSet(RiseSetBody::Sun, jd, site)).c_str(),
                    Field(NextRise(RiseSetBody::Moon, jd, site)).c_str(),
                    Field(NextSet(RiseSetBody::Moon, jd, site)).c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

constexpr const char* kHelp =
    "The next sunrise, sunset, moonrise and moonset after each instant, one CSV row an\n"
    "instant; a field is empty when there is none within 48 hours.\n"
    "\n"
    "Options:\n"
    "  --lat DEG                      latitude, -90 ... 90, north positive (required)\n"
    "  --lon DEG                      longitude, -180 ... 180, east positive (required)\n"
    "  --at ISO8601Z [ISO8601Z ...]   one or more instants, UTC; may repeat (required)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli rise-set --lat 48.1 --lon 11.6 --at 2026-05-08T00:00:00Z\n";

}  // namespace

ORVANTA_CLI_COMMAND(kRiseSetCommand, "rise-set", "rise-set --lat DEG --lon DEG --at ISO8601Z [ISO8601Z ...]",
                    kHelp, RunRiseSet);

}  // namespace orvanta::cli

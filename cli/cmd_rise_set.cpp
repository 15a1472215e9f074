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

}  // namespace

ORVANTA_CLI_COMMAND(kRiseSetCommand, "rise-set", "rise-set --lat DEG --lon DEG --at ISO8601Z [ISO8601Z ...]",
                    RunRiseSet);

}  // namespace orvanta::cli

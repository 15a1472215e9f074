#include "cli/element_age.h"

#include <algorithm>
#include <cstdio>

#include "catalogue/pass_list_search.h"
#include "cli/astro_cli.h"

namespace orvanta::cli {

std::optional<std::string> StaleElementsWarning(double newestEpochJd, double whenJd) {
    const double ageDays = whenJd - newestEpochJd;
    if (!(ageDays > kVeryInaccurateAgeDays)) return std::nullopt;
    char text[512];
    std::snprintf(text, sizeof text,
                  "orvanta-cli: warning: the element sets are %.0f days old (newest epoch %s), "
                  "predictions very inaccurate. Get fresh ones with Download Keplers in orvanta, "
                  "or from https://celestrak.org/NORAD/elements/gp.php?GROUP=active&FORMAT=tle "
                  "and pass that file with --tle.",
                  ageDays, FormatIsoUtcSeconds(newestEpochJd).c_str());
    return std::string(text);
}

void WarnIfElementsStale(const std::vector<double>& epochJds, double whenJd) {
    static bool warned = false;
    if (warned || epochJds.empty()) return;
    const double newest = *std::max_element(epochJds.begin(), epochJds.end());
    if (const auto warning = StaleElementsWarning(newest, whenJd)) {
        std::fprintf(stderr, "%s\n", warning->c_str());
        warned = true;
    }
}

}  // namespace orvanta::cli

// orvanta-cli pass-details: the details table of one pass, found by the program's pass
// search, as CSV from AOS to LOS at a fixed step.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_details.h"
#include "catalogue/pass_finder.h"
#include "cli/cli_numbers.h"
#include "cli/command.h"
#include "cli/element_age.h"
#include "cli/element_lookup.h"
#include "cli/program_elements.h"
#include "orbit/element_set.h"
#include "orbit/julian_date.h"
#include "orbit/tle_file.h"

namespace orvanta::cli {
namespace {

constexpr const char* kUsage =
    "pass-details [--tle FILE] --sat CATNR --lat DEG --lon DEG [--alt-m M] --start ISO8601Z "
    "[--pass K] [--step S] [--frequency HZ]";
constexpr const char* kHelp =
    "One pass of a satellite, as the pass search finds it, one CSV row a step from AOS to LOS\n"
    "(the last row at LOS): azimuth and elevation (degrees), range (km), range rate (km/s),\n"
    "the Doppler shift of --frequency (Hz), the visual magnitude where the satellite's\n"
    "brightness is known and it can be seen, and 1 while it is sunlit.\n"
    "\n"
    "Options:\n"
    "  --tle FILE         element file, TLE or OMM (default: the program's element file)\n"
    "  --sat CATNR        catalogue number (required)\n"
    "  --lat DEG          observer latitude, -90 ... 90, north positive (required)\n"
    "  --lon DEG          observer longitude, -180 ... 180, east positive (required)\n"
    "  --alt-m M          observer height in whole metres (default: 0)\n"
    "  --start ISO8601Z   search from this instant, UTC (required)\n"
    "  --pass K           the K-th pass the search finds, 1 ... 1000 (default: 1)\n"
    "  --step S           seconds between rows, 1 ... 3600 (default: 10, or 60 for a pass of\n"
    "                     30 minutes or more)\n"
    "  --frequency HZ     frequency for the Doppler column (default: none, the column empty)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli pass-details --sat 25544 --lat 51.4779 --lon -0.0015 "
    "--start 2026-05-08T00:00:00Z --frequency 145800000\n";

struct Args {
    std::string tlePath;
    std::optional<int> satellite;
    std::optional<double> lat, lon;
    int altitudeMetres = 0;
    std::optional<double> start;
    int pass = 1;
    std::optional<double> step;
    std::optional<double> frequencyHz;
};

std::optional<std::string> Parse(const std::vector<std::string>& args, Args& a) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        std::string v;
        const bool hasValue = i + 1 < args.size();
        if (hasValue) v = args[i + 1];
        long long n;
        double d;
        if (opt == "--tle") {
            if (!hasValue) return "--tle needs a file";
            a.tlePath = v;
        } else if (opt == "--sat") {
            if (!hasValue || !ParseInt(v, 0, 999999999, n)) return "--sat needs a catalogue number";
            a.satellite = static_cast<int>(n);
        } else if (opt == "--lat" || opt == "--lon") {
            const double limit = opt == "--lat" ? 90.0 : 180.0;
            if (!hasValue || !ParseDouble(v, -limit, limit, d)) return opt + " needs degrees";
            (opt == "--lat" ? a.lat : a.lon) = d;
        } else if (opt == "--alt-m") {
            if (!hasValue || !ParseInt(v, -1000000, 1000000, n))
                return "--alt-m needs whole metres";
            a.altitudeMetres = static_cast<int>(n);
        } else if (opt == "--start") {
            const auto jd = hasValue ? ParseIsoUtc(v) : std::nullopt;
            if (!jd) return "--start needs a time as YYYY-MM-DDTHH:MM:SSZ";
            a.start = *jd;
        } else if (opt == "--pass") {
            if (!hasValue || !ParseInt(v, 1, 1000, n)) return "--pass needs a number from 1";
            a.pass = static_cast<int>(n);
        } else if (opt == "--step") {
            if (!hasValue || !ParseInt(v, 1, 3600, n)) return "--step needs seconds, 1 ... 3600";
            a.step = static_cast<double>(n);
        } else if (opt == "--frequency") {
            if (!hasValue || !ParseDouble(v, 0.0, 1e15, d)) return "--frequency needs hertz";
            a.frequencyHz = d;
        } else {
            return "unknown option '" + opt + "'";
        }
        ++i;  // every option takes a value
    }
    if (!a.satellite) return "--sat is required";
    if (!a.lat || !a.lon) return "--lat and --lon are required";
    if (!a.start) return "--start is required";
    return std::nullopt;
}

int Run(const std::vector<std::string>& args) {
    Args a;
    if (const auto error = Parse(args, a)) return UsageError("pass-details: " + *error);

    TleReadResult file;
    std::string error;
    if (a.tlePath.empty()) {
        a.tlePath = ProgramElementFile(error);
        if (a.tlePath.empty()) return UsageError("pass-details: " + error);
    }
    if (!ReadTleFile(a.tlePath, file, error)) return UsageError("pass-details: " + error);
    // The last set with the number, as the search takes it.
    const TleRecord* found = FindRecords(file.records, {*a.satellite}).front();
    if (!found)
        return UsageError("pass-details: satellite " + std::to_string(*a.satellite) +
                          " is not in " + a.tlePath);
    const cElementSet elements(found->name, found->line1, found->line2);
    WarnIfElementsStale({elements.Epoch().Date()}, *a.start);

    PassSearchSatellite sat;
    sat.name = found->name;
    sat.line1 = found->line1;
    sat.line2 = found->line2;
    sat.catalogueNumber = *a.satellite;
    SatelliteSearchContext ctx;
    ctx.now = *a.start;
    ctx.observer.altitudeMetres = a.altitudeMetres;
    ctx.observer.latitude = *a.lat;
    ctx.observer.longitude = *a.lon;
    ctx.options.passesPerSatellite = a.pass;
    ctx.log = [](int, const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    ctx.formatDateTime = [](double jd) { return FormatIsoUtcSeconds(jd); };
    std::vector<PassRecord> slots(static_cast<std::size_t>(a.pass));
    const SatelliteSearchResult result = SearchSatellitePasses(sat, 0, ctx, slots.data());
    if (result.passes < a.pass || slots.back().los == 0.0) {
        std::fprintf(stderr, "orvanta-cli: pass-details: satellite %d has no pass %d after %s\n",
                     *a.satellite, a.pass, FormatIsoUtcSeconds(*a.start).c_str());
        return 1;
    }

    const PassRecord& pass = slots.back();
    PassDetailsRequest request;
    request.observer = ctx.observer;
    request.aosJd = pass.aos;
    request.losJd = pass.los;
    request.stepSeconds = a.step.value_or(DefaultPassDetailStep(pass.aos, pass.los));
    request.frequencyHz = a.frequencyHz;
    std::vector<PassDetailRow> rows;
    if (!ComputePassDetails(elements, request, rows)) {
        std::fprintf(stderr,
                     "orvanta-cli: pass-details: the orbit cannot be propagated over "
                     "the pass\n");
        return 1;
    }

    const std::string out = PassDetailsCsv(rows);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "orvanta-cli: cannot write the output\n");
        return 1;
    }
    return 0;
}

}  // namespace

ORVANTA_CLI_COMMAND(kPassDetailsCommand, "pass-details", kUsage, kHelp, Run);

}  // namespace orvanta::cli

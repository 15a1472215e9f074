// Pass search over the built-in element file (the CelesTrak active snapshot of 2026-05-07):
// 100 LEO satellites for 7 days, the whole catalogue for 5 passes each, and the first case
// again with flares and lunar passes on. One worker per processor, as the program runs it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "catalogue/pass_search.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta::bench {
namespace {

constexpr double kStart = 2461168.25;  // 2026-05-07 18:00 UTC, a few hours after the median epoch

std::vector<PassSearchSatellite> Catalogue() {
    TleReadResult file;
    std::string error;
    std::vector<PassSearchSatellite> out;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_passes: %s\n", error.c_str());
        return out;
    }
    for (const TleRecord& r : file.records) {
        PassSearchSatellite s;
        s.name = r.name;
        s.line1 = r.line1;
        s.line2 = r.line2;
        s.catalogueNumber = cElementSet(r.name, r.line1, r.line2).CatalogueNumber();
        out.push_back(std::move(s));
    }
    return out;
}

// 100 low-orbit satellites spread evenly over the catalogue (so not all Starlinks).
std::vector<PassSearchSatellite> HundredLeo(const std::vector<PassSearchSatellite>& all) {
    std::vector<PassSearchSatellite> leo;
    for (const auto& s : all) {
        const cOrbit orbit(cElementSet(s.name, s.line1, s.line2));
        if (orbit.IsValid() && orbit.Period() > 0.0 && orbit.Period() < 128.0 * 60.0)
            leo.push_back(s);
    }
    std::vector<PassSearchSatellite> out;
    if (leo.empty()) return out;
    const double stride = static_cast<double>(leo.size()) / 100.0;
    for (int i = 0; i < 100 && i < static_cast<int>(leo.size()); ++i)
        out.push_back(leo[static_cast<std::size_t>(std::floor(i * stride))]);
    return out;
}

PassSearchInputs Inputs(std::vector<PassSearchSatellite> sats, int n, double untilJd) {
    PassSearchInputs in;
    in.now = kStart;
    in.observer.latitude = 51.4779;
    in.observer.longitude = -0.0015;
    in.observer.altitudeMetres = 0;
    in.options.passesPerSatellite = n;
    in.options.untilJd = untilJd;
    in.options.reportNvs = true;
    in.satellites = std::move(sats);
    return in;
}

int Processors() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Seconds for one search, the best of a few runs; found = passes in the table.
double TimeSearch(const PassSearchInputs& in, int runs, int& found) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        PassSearch search([](int, int, const std::string&) {});
        const double t0 = Now();
        search.Run(in, Processors());
        best = std::min(best, Now() - t0);
        found = 0;
        for (const auto& p : search.Records()) found += p.IsEmpty() ? 0 : 1;
    }
    return best;
}

void BenchPasses() {
    const auto all = Catalogue();
    if (all.empty()) return;
    const auto leo = HundredLeo(all);
    // "All passes in 7 days": at most two a revolution, bounded here generously.
    const int allPasses = 2 * 7 * 17 + 2;
    int found = 0;

    const PassSearchInputs a = Inputs(leo, allPasses, kStart + 7.0);
    const double ta = TimeSearch(a, 3, found);
    Report("passes_100leo_7d", ta, "s");
    Report("passes_100leo_7d_found", found, "passes");

    // The same with each pass's culmination, shadow times, visible window and brightness.
    PassSearchInputs v = a;
    v.options.visibility = true;
    const double tv = TimeSearch(v, 3, found);
    Report("passes_100leo_7d_visible", tv, "s");
    Report("passes_100leo_7d_visible_ratio", tv / ta, "x");

    const PassSearchInputs b = Inputs(all, 5, 0.0);
    const double tb = TimeSearch(b, 1, found);
    Report("passes_catalogue_n5", tb, "s");
    Report("passes_catalogue_n5_found", found, "passes");

    PassSearchInputs c = a;
    c.options.searchIridiumFlares = true;
    c.options.searchLunarPasses = true;
    const double tc = TimeSearch(c, 3, found);
    Report("passes_100leo_7d_flares_lunar", tc, "s");
    Report("passes_100leo_7d_flares_lunar_ratio", tc / ta, "x");
}

}  // namespace

ORVANTA_BENCHMARK(kPassesBench, "passes", BenchPasses);

}  // namespace orvanta::bench

#pragma once
// Shared by the Earth view benchmarks.
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench.h"

#include "catalogue/element_file.h"

namespace orvanta::bench {

// A constellation's worth: the first 1,000 low-orbit sets (over 11 revolutions a day) of the
// built-in element file, all shown with track, horizon and name.
bool LoadThousandSatellites(KeplerCatalogue& catalogue, std::vector<SelectedSat>& selection);
// Constellation scale: the `count` low-orbit sets (period under 225 minutes) of the built-in
// element file with the latest epochs, shown with track and name, horizons off.
bool LoadRecentLowOrbit(std::size_t count, KeplerCatalogue& catalogue,
                        std::vector<SelectedSat>& selection);

// An instant a day after the built-in elements' epoch, as a user with fresh elements has.
inline double EarthBenchInstant() { return 2461168.75; }  // 2026-05-08 06:00 UTC

// Wall-clock milliseconds per run, and the process's processor time per run on a second line
// ("name_cpu"), which a loaded machine inflates far less.
class CpuAndWall {
public:
    CpuAndWall() : wall_(Now()), cpu_(std::clock()) {}
    void Report(const std::string& name, int runs) const {
        const double wall = (Now() - wall_) * 1000.0 / runs;
        const double cpu = double(std::clock() - cpu_) / CLOCKS_PER_SEC * 1000.0 / runs;
        ::orvanta::bench::Report(name, wall, "ms");
        ::orvanta::bench::Report(name + "_cpu", cpu, "ms");
    }

private:
    double wall_;
    std::clock_t cpu_;
};

}  // namespace orvanta::bench

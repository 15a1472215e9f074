// Orbit model speed: position requests per second on one core through cOrbit::PositionAt, and
// through the batch propagator.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "orbit/orbit.h"
#include "orbit/sgp4_batch.h"
#include "orbit/tle_file.h"

namespace orvanta::bench {

namespace {

// Keeps the compiler from dropping propagations whose results nobody reads.
volatile double gSink = 0.0;

// Processor time of this (single-threaded) process: on a shared machine it counts only the
// time this core spent on the requests, which is what "per core" means.
double CpuNow() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Runs batches of requests until at least minSeconds of processor time have passed; returns
// requests per processor second.
template <typename Batch>
double Rate(Batch batch, double minSeconds = 1.0) {
    batch();  // warm caches
    long count = 0;
    const double start = CpuNow();
    double elapsed = 0.0;
    do {
        count += batch();
        elapsed = CpuNow() - start;
    } while (elapsed < minSeconds);
    return count / elapsed;
}

long Sweep(const std::vector<cOrbit>& orbits, double t0, double t1, double step) {
    long n = 0;
    double sum = 0.0;
    cEci eci;
    for (const cOrbit& orbit : orbits) {
        for (double t = t0; t <= t1; t += step) {
            orbit.PositionAt(t, eci);
            sum += eci.Pos().x;
            ++n;
        }
    }
    gSink = gSink + sum;
    return n;
}

cOrbit OrbitOf(const char* name, const char* l1, const char* l2) {
    return cOrbit(cElementSet(name, l1, l2));
}

void BenchOrbit() {
    TleReadResult leo;
    std::string error;
    const std::string path = SourceDirectory() + "/tests/data/orbit/leo_visual.tle";
    if (!ReadTleFile(path, leo, error) || leo.records.empty()) {
        std::fprintf(stderr, "orvanta-bench: %s\n",
                     error.empty() ? "no element sets" : error.c_str());
        return;
    }
    std::vector<cOrbit> nearEarth;
    for (const TleRecord& r : leo.records) {
        cOrbit o(cElementSet(r.name, r.line1, r.line2));
        if (o.IsValid() && !o.IsDeepSpace()) nearEarth.push_back(std::move(o));
    }
    // A day at one-minute steps around each epoch, the way a pass search walks.
    const double scalarRate = Rate([&] { return Sweep(nearEarth, -720.0, 720.0, 1.0); });
    Report("sgp4_near_earth", scalarRate, "prop/s");

    // The same sets and times through the batch propagator, and its gain over the scalar
    // figure of this run.
    const cSgp4Batch batch(nearEarth);
    std::vector<double> times;
    for (double t = -720.0; t <= 720.0; t += 1.0) times.push_back(t);
    cSgp4BatchStates states;
    const double batchRate = Rate([&] {
        batch.Propagate(times, states);
        gSink = gSink + states.x[states.x.size() / 2];
        return static_cast<long>(states.x.size());
    });
    Report("sgp4_batch_near_earth", batchRate, "prop/s");
    Report("sgp4_batch_vs_scalar", batchRate / scalarRate, "x");

    // NAVSTAR 80: a 12-hour orbit of low eccentricity, so not resonant.
    const std::vector<cOrbit> gps = {OrbitOf(
        "NAVSTAR 80", "1 46826U 20078A   26124.44025308  .00000014  00000+0  00000+0 0  9997",
        "2 46826  53.9867 212.5528 0071479 206.0342 188.1917  2.00565048 40634")};
    Report("sdp4_deep_space", Rate([&] { return Sweep(gps, 0.0, 1440.0, 0.25); }), "prop/s");

    // GOES 18 thirty days from epoch: every request integrates the resonance 60 steps.
    const std::vector<cOrbit> geo = {
        OrbitOf("GOES 18", "1 51850U 22021A   26127.66103786  .00000104  00000+0  00000+0 0  9994",
                "2 51850   0.0403  83.8935 0000653  17.6962 224.8959  1.00271767  6184")};
    Report("sdp4_resonant_30d", Rate([&] { return Sweep(geo, 43200.0, 43200.0 + 360.0, 0.25); }),
           "prop/s");

    // Building an orbit: what each pass-search worker and view redraw pays per satellite.
    Report("orbit_construct", Rate([&] {
               long n = 0;
               for (const TleRecord& r : leo.records) {
                   const cOrbit o(cElementSet(r.name, r.line1, r.line2));
                   gSink = gSink + o.Period();
                   ++n;
               }
               return n;
           }),
           "orbits/s");
}

}  // namespace

ORVANTA_BENCHMARK(kOrbitBench, "orbit", BenchOrbit);

}  // namespace orvanta::bench

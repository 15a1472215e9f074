// The Earth view's work: composing the 2048 x 1024 background (one core), the per-second
// positions, tracks and horizons of 1,000 satellites, and (with Qt) one paint of the map
// with all of them.
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "bench/bench_earthview.h"
#include "catalogue/element_file.h"
#include "earthview/daynight.h"
#include "earthview/earth_images.h"
#include "earthview/earth_tracks.h"
#include "orbit/tle_file.h"

namespace orvanta::bench {

constexpr double kInstant = 2461383.0;  // 2026-12-08 12:00 UTC

// One element set into the catalogue, selected with its track and name (and horizon).
static void AddShown(const TleRecord& r, bool horizon, KeplerCatalogue& catalogue,
                     std::vector<SelectedSat>& selection) {
    const KeplerRecord k = MakeKeplerRecord(r.name, r.line1, r.line2);
    catalogue.records.push_back(k);
    SelectedSat s;
    s.catalogueNumber = k.catalogueNumber;
    s.catalogueIndex = catalogue.Count() - 1;
    s.shown = s.track = s.nameLabel = 1;
    s.radioHorizon = horizon ? 1 : 0;
    selection.push_back(s);
}

bool LoadThousandSatellites(KeplerCatalogue& catalogue, std::vector<SelectedSat>& selection) {
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_earthview: %s\n", error.c_str());
        return false;
    }
    for (const TleRecord& r : file.records) {
        if (r.line2.size() < 63 || std::stod(r.line2.substr(52, 11)) < 11.0) continue;
        AddShown(r, true, catalogue, selection);
        if (selection.size() == 1000) break;
    }
    return selection.size() == 1000;
}

bool LoadRecentLowOrbit(std::size_t count, KeplerCatalogue& catalogue,
                        std::vector<SelectedSat>& selection) {
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_earthview: %s\n", error.c_str());
        return false;
    }
    // Epoch as YYDDD.DDDDDDDD with the two-digit year pivoting at 57.
    auto epoch = [](const TleRecord& r) {
        const double e = std::stod(r.line1.substr(18, 14));
        return e < 57000.0 ? e + 100000.0 : e;
    };
    std::vector<const TleRecord*> low;
    for (const TleRecord& r : file.records)
        if (r.line1.size() >= 32 && r.line2.size() >= 63 && std::stod(r.line2.substr(52, 11)) > 6.4)
            low.push_back(&r);
    if (low.size() < count) return false;
    std::stable_sort(low.begin(), low.end(),
                     [&](const TleRecord* a, const TleRecord* b) { return epoch(*a) > epoch(*b); });
    for (std::size_t i = 0; i < count; ++i) {
        const TleRecord& r = *low[i];
        AddShown(r, false, catalogue, selection);
    }
    return true;
}

namespace {

void BenchCompose() {
    const EarthLayers layers = LoadEarthLayers(EarthImageDirectory(DataDirectory()), 12);
    if (!layers.dayOk || !layers.nightOk) return;
    PixelImage out(layers.day.width, layers.day.height);
    const DayNightCompositor compositor(layers.day, layers.night, nullptr, SunGeometryAt(kInstant));
    compositor.ComposeAll(out);  // warm-up
    constexpr int kRuns = 10;
    const CpuAndWall t0;
    for (int i = 0; i < kRuns; ++i)
        DayNightCompositor(layers.day, layers.night, nullptr, SunGeometryAt(kInstant + i * 0.01))
            .ComposeAll(out);
    t0.Report("earthview_compose_2048x1024", kRuns);
}

void BenchTick() {
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    if (!LoadThousandSatellites(catalogue, selection)) return;
    EarthTracks tracks;
    tracks.Rebuild(catalogue, selection);
    const ObserverLocation home{520, 48.137, 11.575};
    const double at = EarthBenchInstant();
    // The per-second tick: three positions, look angles and a horizon per satellite.
    constexpr int kRuns = 20;
    const CpuAndWall tick;
    for (int i = 0; i < kRuns; ++i) tracks.Update(selection, home, at + i / 86400.0, false, 0);
    tick.Report("earthview_tick_1000_sats", kRuns);
    // The once-a-minute cycle (and "Recalculate Tracks now..."): 220 track points more each.
    const CpuAndWall cycle;
    tracks.Update(selection, home, at, true, 0);
    cycle.Report("earthview_tracks_1000_sats", 1);

    // At x3600 every tick is an hour on: positions each time, the tracks (here on the same
    // thread, so the figure is the worst case) only when the time has left their span.
    constexpr int kFastRuns = 40;
    tracks.Rebuild(catalogue, selection);
    int rebuilds = 0;
    const CpuAndWall fast;
    for (int i = 0; i < kFastRuns; ++i) {
        const double jd = at + i / 24.0;
        const bool due = tracks.TracksDue(selection, jd);
        rebuilds += due;
        tracks.Update(selection, home, jd, due, 0);
    }
    fast.Report("earthview_tick_1000_sats_x3600", kFastRuns);
    std::fprintf(stderr, "earthview_tick_1000_sats_x3600: %d track rebuilds in %d ticks\n",
                 rebuilds, kFastRuns);
}

void BenchTenThousand() {
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    if (!LoadRecentLowOrbit(10000, catalogue, selection)) return;
    EarthTracks tracks;
    tracks.Rebuild(catalogue, selection);
    const ObserverLocation home{520, 48.137, 11.575};
    const double at = EarthBenchInstant();
    constexpr int kRuns = 10;
    const CpuAndWall tick;
    for (int i = 0; i < kRuns; ++i) tracks.Update(selection, home, at + i / 86400.0, false, 0);
    tick.Report("earthview_tick_10000_sats", kRuns);
    // The rebuild as the view's track thread runs it, on every core.
    const TrackJob job = tracks.PrepareTracks(selection, at);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const CpuAndWall build;
    const TrackResult result = ComputeTracks(job, cores);
    build.Report("earthview_tracks_10000_sats", 1);
    tracks.ApplyTracks(result);
}

}  // namespace

ORVANTA_BENCHMARK(bench_earthview_compose, "earthview_compose", BenchCompose);
ORVANTA_BENCHMARK(bench_earthview_tick, "earthview_tick", BenchTick);
// Registered under the tick's name too, so "earthview_tick" runs both sizes.
ORVANTA_BENCHMARK(bench_earthview_10000, "earthview_tick_10000", BenchTenThousand);

}  // namespace orvanta::bench

// The Earth view's work: composing the 2048 x 1024 background (one core), the per-second
// positions, tracks and horizons of 1,000 satellites, and (with Qt) one paint of the map
// with all of them.
#include <algorithm>
#include <cstdio>
#include <string>
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

bool LoadThousandSatellites(KeplerCatalogue& catalogue, std::vector<SelectedSat>& selection) {
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_earthview: %s\n", error.c_str());
        return false;
    }
    for (const TleRecord& r : file.records) {
        if (r.line2.size() < 63 || std::stod(r.line2.substr(52, 11)) < 11.0) continue;
        KeplerRecord k;
        std::snprintf(k.name, sizeof k.name, "%s", r.name.c_str());
        std::snprintf(k.line1, sizeof k.line1, "%s", r.line1.c_str());
        std::snprintf(k.line2, sizeof k.line2, "%s", r.line2.c_str());
        k.catalogueNumber = ParseCatalogueNumber(r.line1.substr(2, 5));
        catalogue.records.push_back(k);
        SelectedSat s;
        s.catalogueNumber = k.catalogueNumber;
        s.catalogueIndex = catalogue.Count() - 1;
        s.shown = s.track = s.radioHorizon = s.nameLabel = 1;
        selection.push_back(s);
        if (selection.size() == 1000) break;
    }
    return selection.size() == 1000;
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
}

}  // namespace

ORVANTA_BENCHMARK(bench_earthview_compose, "earthview_compose", BenchCompose);
ORVANTA_BENCHMARK(bench_earthview_tick, "earthview_tick", BenchTick);

}  // namespace orvanta::bench

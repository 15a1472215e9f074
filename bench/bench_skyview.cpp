// The Sky view's repaint and its once-a-second tick, off-screen: all stars to magnitude 6.5,
// the realistic sky, the Sun and the Moon, and 20 satellites above the horizon with their
// tracks (the first 20 of the well-known test set that are up at the instant).
#if ORVANTA_BENCH_QT
#include <QGuiApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/bench_earthview.h"
#include "catalogue/element_file.h"
#include "catalogue/pass_list.h"
#include "orbit/tle_file.h"
#include "skyview/sky_tick.h"
#include "skyview/ui/sky_drawing.h"
#include "skyview/ui/sky_view_render.h"

namespace orvanta::bench {
namespace {

constexpr double kInstant = 2461168.85;  // 2026-05-08 08:24 UTC: Sun and Moon both up
const ObserverLocation kSite{46, 51.4779, -0.0015};

void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "orvanta-bench";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

struct Scene {
    KeplerCatalogue catalogue;
    std::vector<PassRecord> passes;
};

// Twenty passes in progress at the instant, with live values and both tracks.
bool BuildScene(Scene& scene) {
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(SourceDirectory() + "/tests/data/catalogue/wellknown.gz", file, error)) {
        std::fprintf(stderr, "bench_skyview: %s\n", error.c_str());
        return false;
    }
    for (const TleRecord& r : file.records) {
        const KeplerRecord k = MakeKeplerRecord(r.name, r.line1, r.line2);
        PassRecord p;
        if (!UpdateLiveValues(p, k, kSite, 1, kInstant) || p.currentElevation <= 0.0) continue;
        p.satellite = scene.catalogue.Count();
        p.listed = 1;
        p.aos = kInstant - 10.0 / 1440;
        p.los = kInstant + 10.0 / 1440;
        scene.catalogue.records.push_back(k);
        scene.passes.push_back(p);
        if (scene.passes.size() == 20) break;
    }
    return scene.passes.size() == 20;
}

void BenchSkyView() {
    EnsureGuiApplication();
    EnsureStarsLoaded();
    Scene scene;
    if (!BuildScene(scene)) {
        std::fprintf(stderr, "bench_skyview: fewer than 20 satellites up\n");
        return;
    }
    SkyViewState state;
    auto satelliteOf = [&](const PassRecord& r) { return scene.catalogue.At(r.satellite); };

    // The tick's work: tracks of the 20 passes, then the tooltip's hit test over every box.
    constexpr int kTicks = 50;
    int hits = 0;
    double t0 = Now();
    for (int i = 0; i < kTicks; ++i) {
        const double now = kInstant + i / 86400.0;
        UpdateSkyTracks(scene.passes, state, kSite, now, satelliteOf);
        hits += HitTestSky(state, 1, 1, scene.passes, GetStarCatalogue().get()) ? 1 : 0;
    }
    const double tickMs = (Now() - t0) / kTicks * 1e3;

    SkyPaintInput in;
    in.state = &state;
    in.width = 600;
    in.height = 600;
    in.now = kInstant;
    in.observer = kSite;
    in.passes = &scene.passes;
    in.satelliteOf = satelliteOf;
    in.stars = GetStarCatalogue().get();
    in.fonts = DefaultSkyFonts();
    PaintSkyChart(in);  // warms the font caches
    constexpr int kPaints = 30;
    std::uint64_t checksum = 0;
    t0 = Now();
    for (int i = 0; i < kPaints; ++i) checksum += PaintSkyChart(in).pixel(300, 300);
    const double paintMs = (Now() - t0) / kPaints * 1e3;
    if (checksum == 1 && hits < 0) std::puts("");  // keeps the work from being optimised away

    Report("skyview_paint_600x600", paintMs, "ms");
    Report("skyview_tick_20_sats", tickMs, "ms");
}

// Constellation scale: the 10,000 latest low-orbit sets all listed, the tick drawing the
// tracks of those above the horizon (their passes as in-progress ones of 20 minutes).
void BenchSkyTickTenThousand() {
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    if (!LoadRecentLowOrbit(10000, catalogue, selection)) return;
    std::vector<PassRecord> passes;
    for (int i = 0; i < catalogue.Count(); ++i) {
        PassRecord p;
        UpdateLiveValues(p, catalogue.records[i], kSite, 1, kInstant);
        p.satellite = i;
        p.listed = 1;
        p.aos = kInstant - 10.0 / 1440;
        p.los = kInstant + 10.0 / 1440;
        passes.push_back(p);
    }
    SkyViewState state;
    auto satelliteOf = [&](const PassRecord& r) { return catalogue.At(r.satellite); };
    UpdateSkyTracks(passes, state, kSite, kInstant, satelliteOf);  // first sight of each set
    constexpr int kTicks = 10;
    int hits = 0;
    const double t0 = Now();
    for (int i = 1; i <= kTicks; ++i) {
        UpdateSkyTracks(passes, state, kSite, kInstant + i / 86400.0, satelliteOf);
        hits += HitTestSky(state, 1, 1, passes, nullptr) ? 1 : 0;
    }
    Report("skyview_tick_10000_sats", (Now() - t0) / kTicks * 1e3, "ms");
    if (hits < 0) std::puts("");
}

}  // namespace

ORVANTA_BENCHMARK(kSkyView, "skyview", BenchSkyView);
ORVANTA_BENCHMARK(kSkyViewTenThousand, "skyview_tick_10000", BenchSkyTickTenThousand);

}  // namespace orvanta::bench
#endif

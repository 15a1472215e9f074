// One paint of the Earth view's map area, 1000 x 600, with 1,000 satellites shown with
// tracks, horizons and names (needs Qt; the offscreen platform draws without a display).
#ifdef ORVANTA_BENCH_QT
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "bench/bench.h"
#include "bench/bench_earthview.h"
#include "common/ui/drawing_objects.h"
#include "earthview/daynight.h"
#include "earthview/earth_images.h"
#include "earthview/earth_tracks.h"
#include "earthview/ui/earth_view_painter.h"
#include "earthview/ui/earth_view_render.h"

namespace orvanta::bench {
namespace {

void BenchPaint() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "orvanta-bench";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    if (!LoadThousandSatellites(catalogue, selection)) return;
    const double jd = EarthBenchInstant();
    const EarthLayers layers = LoadEarthLayers(EarthImageDirectory(DataDirectory()), 12);
    const QImage background = ToQImage(ComposeDayNight(layers.day, layers.night, nullptr, jd));
    EarthTracks tracks;
    tracks.Rebuild(catalogue, selection);
    tracks.Update(selection, {520, 48.137, 11.575}, jd, true, 0);
    EarthPaintInput in;
    in.background = &background;
    in.catalogue = &catalogue;
    in.selection = &selection;
    in.records = &tracks.Records();
    const DrawingObjects objects = MakeDrawingObjects(96);
    EarthBackgroundCache cache;
    QImage target(1000, 600, QImage::Format_RGB32);
    PaintEarthMap(target, in, objects, &cache);  // warm-up: glyph cache, scaled background
    constexpr int kRuns = 5;
    const CpuAndWall t0;
    for (int i = 0; i < kRuns; ++i) PaintEarthMap(target, in, objects, &cache);
    t0.Report("earthview_paint_1000_sats_1000x600", kRuns);
    const QString pngDir = qEnvironmentVariable("ORVANTA_BENCH_PNG");
    if (!pngDir.isEmpty()) {
        target.save(pngDir + "/earthview_1000.png");
        // Three of them an hour on with the tracks kept, as at x3600 before a rebuild.
        std::vector<SelectedSat> three = selection;
        for (std::size_t i = 3; i < three.size(); ++i) three[i].shown = 0;
        in.selection = &three;
        tracks.Update(three, {520, 48.137, 11.575}, jd + 1.0 / 24, false, 0);
        PaintEarthMap(target, in, objects, &cache);
        target.save(pngDir + "/earthview_3_hour_on.png");
        tracks.Update(three, {520, 48.137, 11.575}, jd + 1.0 / 24, true, 0);
        PaintEarthMap(target, in, objects, &cache);
        target.save(pngDir + "/earthview_3_rebuilt.png");
        in.selection = &selection;
    }

    // The 10,000 latest low-orbit sets: markers and names (10,000 tracks would cover the
    // whole map), then the same with every track for comparison. ORVANTA_BENCH_PNG names a
    // directory to write both maps to, to look at.
    KeplerCatalogue big;
    std::vector<SelectedSat> many;
    if (!LoadRecentLowOrbit(10000, big, many)) return;
    EarthTracks manyTracks;
    manyTracks.Rebuild(big, many);
    manyTracks.Update(many, {520, 48.137, 11.575}, jd, true, 0);
    for (SelectedSat& s : many) s.track = 0;
    in.catalogue = &big;
    in.selection = &many;
    in.records = &manyTracks.Records();
    PaintEarthMap(target, in, objects, &cache);
    if (!pngDir.isEmpty()) target.save(pngDir + "/earthview_10000.png");
    const CpuAndWall t1;
    for (int i = 0; i < kRuns; ++i) PaintEarthMap(target, in, objects, &cache);
    t1.Report("earthview_paint_10000_sats_1000x600", kRuns);
    for (SelectedSat& s : many) s.track = 1;
    const double w0 = Now();
    PaintEarthMap(target, in, objects, &cache);
    std::fprintf(stderr, "earthview_paint_10000_sats_1000x600 with every track: %.1f ms\n",
                 (Now() - w0) * 1000.0);
    if (!pngDir.isEmpty()) target.save(pngDir + "/earthview_10000_tracks.png");
}

}  // namespace

ORVANTA_BENCHMARK(bench_earthview_paint, "earthview_paint", BenchPaint);

}  // namespace orvanta::bench
#endif

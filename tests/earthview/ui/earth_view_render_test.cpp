// The Earth view drawn off-screen: background lit where the Sun is up, home cross, markers
// and the detail and mouse lines.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>

#include "common/ui/drawing_objects.h"
#include "earthview/daynight.h"
#include "earthview/map_projection.h"
#include "earthview/ui/earth_view_painter.h"
#include "earthview/ui/earth_view_render.h"
#include "orbit/globals.h"

namespace orvanta {
namespace {

KeplerRecord Iss() {
    KeplerRecord r;
    std::snprintf(r.name, sizeof r.name, "ISS (ZARYA)             ");
    std::snprintf(r.line1, sizeof r.line1, "1 25544U 98067A   26341.50000000  .00010000  00000-0  18000-3 0  9991");
    std::snprintf(r.line2, sizeof r.line2, "2 25544  51.6400 200.0000 0004000  90.0000 270.0000 15.50000000  1000");
    r.catalogueNumber = 25544;
    return r;
}

RenderContext IssContext() {
    RenderContext context;
    context.catalogue.records = {Iss()};
    SelectedSat s;
    s.catalogueNumber = 25544;
    s.catalogueIndex = 0;
    s.shown = s.track = s.radioHorizon = s.nameLabel = 1;
    context.selection = {s};
    context.settings.observer = {520, 48.137, 11.575};  // Munich
    return context;
}

double Brightness(QRgb p) { return qRed(p) + qGreen(p) + qBlue(p); }

TEST(EarthViewRender, DayWhereTheSunIsUpAndTheHomeCross) {
    const RenderContext context = IssContext();
    RenderRequest request;
    request.julianDate = 2461383.0;  // 2026-12-08 12:00 UTC
    request.size = QSize(1000, 600);
    const QImage image = RenderEarthView(context, request);
    ASSERT_EQ(image.size(), QSize(1000, 600));

    // The Sahara at noon (Sun about 45 degrees high) and at midnight: the same patch of
    // ground is many times brighter by day.
    RenderRequest midnight = request;
    midnight.julianDate -= 0.5;
    const QImage night = RenderEarthView(context, midnight);
    const MapPoint sahara = ProjectToMap(23 * DEG_TO_RAD, 10 * DEG_TO_RAD, 1000, 600, 0);
    auto patch = [&](const QImage& img) {
        double sum = 0;
        for (int dy = -20; dy <= 20; ++dy)
            for (int dx = -20; dx <= 20; ++dx) sum += Brightness(img.pixel(sahara.x + dx, sahara.y + dy));
        return sum / (41 * 41);
    };
    const SunGeometry sun = SunGeometryAt(request.julianDate);
    const int col = static_cast<int>((10.0 / 360 + 0.5) * 2048), row = static_cast<int>((90.0 - 23) / 180 * 1024);
    ASSERT_GT(SunAltitudeAt(sun, col, row, 2048, 1024), 0.7);
    EXPECT_GT(patch(image), 200.0);
    EXPECT_GT(patch(image), 2 * patch(night));  // the night image shows dark blue land

    const MapPoint home = ProjectToMap(48.137 * DEG_TO_RAD, 11.575 * DEG_TO_RAD, 1000, 600, 0);
    EXPECT_EQ(image.pixel(home.x, home.y - 4), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(home.x + 4, home.y), qRgb(255, 255, 0));
}

TEST(EarthViewPainter, MarkersHitBoxesAndTheCentreMarker) {
    const RenderContext context = IssContext();
    std::vector<SelectedSat> selection = context.selection;
    EarthTracks tracks;
    tracks.Rebuild(context.catalogue, selection);
    tracks.Update(selection, context.settings.observer, 2461383.0, true, 0);
    QImage background(64, 32, QImage::Format_RGB32);
    background.fill(QColor(0, 0, 40));
    QImage target(800, 400, QImage::Format_RGB32);
    EarthPaintInput in;
    in.background = &background;
    in.catalogue = &context.catalogue;
    in.selection = &selection;
    in.records = &tracks.Records();
    in.dragging = true;
    in.offset = -0.5;
    PaintEarthMap(target, in, MakeDrawingObjects(96));
    const TrackRecord& r = tracks.Records()[0];
    const int cx = (r.hitLeft + r.hitRight) / 2, cy = (r.hitTop + r.hitBottom) / 2;
    EXPECT_EQ(r.hitRight - r.hitLeft, 10);
    // On a dark ground the current marker is yellow.
    EXPECT_EQ(target.pixel(cx, cy), qRgb(255, 255, 0));
    // The centre-longitude line runs up the middle of the map.
    EXPECT_EQ(target.pixel(400, 100), qRgb(232, 232, 232));

    // On a light ground it turns red.
    background.fill(QColor(250, 250, 250));
    QImage light(800, 400, QImage::Format_RGB32);
    in.dragging = false;
    PaintEarthMap(light, in, MakeDrawingObjects(96));
    EXPECT_EQ(light.pixel(cx, cy), qRgb(255, 0, 0));
}

TEST(EarthViewPainter, TrackAcrossTheDateLineDrawsNoStreak) {
    // A track that leaves the map on the right and comes back on the left.
    KeplerCatalogue catalogue;
    catalogue.records = {Iss()};
    SelectedSat s;
    s.catalogueIndex = 0;
    s.shown = s.track = 1;
    std::vector<SelectedSat> selection = {s};
    std::vector<TrackRecord> records(1);
    TrackRecord& r = records[0];
    r.computed = r.hasTrack = true;
    r.now = {0.0, 170 * DEG_TO_RAD, 400};
    for (int k = 0; k < FUTURE_TRACK_POINTS; ++k)
        r.future[k] = {0.0, (170 + 0.2 * (k + 1)) * DEG_TO_RAD, 400};
    for (int k = 0; k < PAST_TRACK_POINTS; ++k) r.past[k] = r.now;
    r.oneMinuteAgo = r.twoMinutesAgo = r.now;
    QImage background(8, 4, QImage::Format_RGB32);
    background.fill(Qt::black);
    QImage target(720, 360, QImage::Format_RGB32);
    EarthPaintInput in;
    in.background = &background;
    in.showHome = false;
    in.catalogue = &catalogue;
    in.selection = &selection;
    in.records = &records;
    PaintEarthMap(target, in, MakeDrawingObjects(96));
    // The equator row is lit only near the two edges, never across the middle.
    const int row = ProjectToMap(0, 0, 720, 360, 0).y;
    int litInMiddle = 0;
    for (int x = 100; x < 620; ++x) litInMiddle += target.pixel(x, row) != qRgb(0, 0, 0);
    EXPECT_EQ(litInMiddle, 0);
    int litRight = 0, litLeft = 0;
    for (int x = 690; x < 720; ++x) litRight += target.pixel(x, row) != qRgb(0, 0, 0);
    for (int x = 0; x < 20; ++x) litLeft += target.pixel(x, row) != qRgb(0, 0, 0);
    EXPECT_GT(litRight, 5);
    EXPECT_GT(litLeft, 5);
}

TEST(EarthViewPainter, StatusLines) {
    TrackRecord r;
    r.now = {-33.5 * DEG_TO_RAD, 200.0 * DEG_TO_RAD, 420.0};
    r.azimuth = 123.45 * DEG_TO_RAD;
    r.elevation = -4.5 * DEG_TO_RAD;
    EXPECT_EQ(DetailLine("ISS (ZARYA)", r, 1),
              "ISS (ZARYA): S 33.50  W 160.00 Altitude: 420.00 km Az:123.5 El:-4.5");
    EXPECT_EQ(DetailLine("ISS", r, 3), "ISS: S 33.50  W 160.00 Altitude: 226.78 nm Az:123.5 El:-4.5");
    EXPECT_EQ(MouseLine(499, 299, 1000, 600, 0), "Mouse: N 0.15  W 0.18");
    EXPECT_EQ(MouseLine(0, 0, 1000, 600, 0), "Mouse: N 89.85  W 179.82");
}

// Two satellites in one place: the second name moves to the other side of the marker (or is
// left out) instead of being written over the first.
TEST(EarthViewPainter, NamesOfCloseSatellitesDoNotOverlap) {
    RenderContext context = IssContext();
    KeplerRecord twin = Iss();
    std::snprintf(twin.name, sizeof twin.name, "%-24s", "ISS TWIN");
    twin.catalogueNumber = 25545;
    context.catalogue.records.push_back(twin);
    SelectedSat second = context.selection[0];
    second.catalogueNumber = 25545;
    second.catalogueIndex = 1;
    context.selection.push_back(second);
    for (SelectedSat& s : context.selection) s.track = s.radioHorizon = 0;
    QImage background(64, 32, QImage::Format_RGB32);
    background.fill(QColor(0, 0, 40));
    auto inked = [&](bool first, bool other, bool names) {
        std::vector<SelectedSat> selection = context.selection;
        selection[0].shown = first;
        selection[1].shown = other;
        for (SelectedSat& s : selection) s.nameLabel = names;
        EarthTracks tracks;
        tracks.Rebuild(context.catalogue, selection);
        tracks.Update(selection, context.settings.observer, 2461383.0, false, 0);
        QImage target(800, 400, QImage::Format_RGB32);
        EarthPaintInput in;
        in.background = &background;
        in.showHome = false;
        in.catalogue = &context.catalogue;
        in.selection = &selection;
        in.records = &tracks.Records();
        PaintEarthMap(target, in, MakeDrawingObjects(96));
        int count = 0;
        for (int y = 0; y < target.height(); ++y)
            for (int x = 0; x < target.width(); ++x) count += target.pixel(x, y) != qRgb(0, 0, 40);
        return count;
    };
    const int markers = inked(true, true, false);
    const int one = inked(true, false, true) - markers;
    const int other = inked(false, true, true) - markers;
    ASSERT_GT(one, 20);
    ASSERT_GT(other, 20);
    const int both = inked(true, true, true) - markers;
    // Apart, the two names ink what each inks alone (less a few pixels over the markers);
    // written over each other, about a quarter less.
    EXPECT_NEAR(both, one + other, 8);
}

// Names are looked up by area: a name must find one it would cover in a neighbouring area,
// and two at the same place leave room for one.
TEST(EarthViewPainter, LabelOccupancyFindsOverlapsAcrossAreas) {
    LabelOccupancy placed(1000, 600);
    const QRect name(40, 60, 50, 12);  // spans the 64-pixel areas both ways
    EXPECT_TRUE(placed.Free(name));
    placed.Take(name);
    EXPECT_FALSE(placed.Free(name));
    EXPECT_FALSE(placed.Free(QRect(89, 71, 30, 12)));  // corner to corner, other area
    EXPECT_TRUE(placed.Free(QRect(90, 60, 30, 12)));   // touching is not covering
    EXPECT_FALSE(placed.Free(QRect(-20, 50, 70, 20))); // reaching in from off the map
    EXPECT_TRUE(placed.Free(QRect(990, 590, 40, 20)));
}

}  // namespace
}  // namespace orvanta

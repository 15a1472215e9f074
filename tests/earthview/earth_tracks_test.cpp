// The map projection, the radio horizon and the per-second track work.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "earthview/earth_tracks.h"
#include "earthview/map_projection.h"
#include "earthview/track_sampling.h"
#include "orbit/eci.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/orbit.h"

namespace orvanta {
namespace {

constexpr double DEG = DEG_TO_RAD;

TEST(MapProjection, CentreEdgesAndOffset) {
    const int w = 1000, h = 600;
    const MapPoint greenwich = ProjectToMap(0, 0, w, h, 0);
    EXPECT_EQ(greenwich.x, 499);
    EXPECT_EQ(greenwich.y, 299);
    EXPECT_EQ(ProjectToMap(PI / 2, 0, w, h, 0).y, 0);
    EXPECT_EQ(ProjectToMap(-PI / 2, 0, w, h, 0).y, 599);
    // Longitudes beyond 180 degrees east come back once onto the map.
    EXPECT_EQ(ProjectToMap(0, 270 * DEG, w, h, 0).x, ProjectToMap(0, -90 * DEG, w, h, 0).x);
    // An offset of -90 degrees (centre on 90 E) puts 90 E in the middle.
    EXPECT_NEAR(ProjectToMap(0, 90 * DEG, w, h, -PI / 2).x, 499, 1);
    // The mouse read-out inverts the projection to within a pixel.
    for (double lat : {-60.0, 0.0, 45.0})
        for (double lon : {-170.0, -30.0, 0.0, 100.0, 179.0})
            for (double c : {0.0, 0.7, -2.0}) {
                const MapPoint m = ProjectToMap(lat * DEG, lon * DEG, w, h, c);
                const MapCoordinates back = MapToCoordinates(m.x, m.y, w, h, c);
                EXPECT_NEAR(back.lat / DEG, lat, 0.7);
                double diff = std::remainder(-back.westLon / DEG - lon, 360.0);
                EXPECT_NEAR(diff, 0.0, 0.8) << lat << " " << lon << " " << c;
            }
}

TEST(MapProjection, DraggingAWholeWidthTurnsOnceAroundAndStaysInRange) {
    double c = 0.3;
    for (int step = 0; step < 10; ++step) c = DragOffset(c, 100, 1000);
    EXPECT_NEAR(c, 0.3, 1e-9);
    c = DragOffset(3.0, -200, 1000);
    EXPECT_LE(c, PI);
    EXPECT_GE(c, -PI);
    EXPECT_NEAR(c, 3.0 + 0.4 * PI - TWOPI, 1e-9);
}

TEST(RadioHorizon, RangesFromAltitude) {
    EXPECT_NEAR(RadioHorizonRangeKm(400), 2139.0, 0.5);
    EXPECT_EQ(RadioHorizonRangeKm(3157.1), 6370.0);
    EXPECT_EQ(RadioHorizonRangeKm(35786), 6370.0);
    // 6370 km of ground range is about 57.3 degrees of arc.
    const auto ring = RadioHorizon(0, 0, 20000);
    EXPECT_NEAR(ring[0].lat / DEG, 57.3, 0.1);
}

TEST(RadioHorizon, CircleClosesAndPolePointsHaveLongitudeZero) {
    const auto ring = RadioHorizon(40 * DEG, 10 * DEG, 400);
    EXPECT_NEAR(ring[35].lat, ring[0].lat, 1e-12);
    EXPECT_NEAR(ring[35].lon, ring[0].lon, 1e-12);
    for (const GeoPoint& p : ring) {
        // Every point lies the horizon's arc away from the centre.
        const double arc = std::acos(std::sin(40 * DEG) * std::sin(p.lat) +
                                     std::cos(40 * DEG) * std::cos(p.lat) * std::cos(p.lon - 10 * DEG));
        EXPECT_NEAR(arc * 6371.0, 2139.0, 25.0);
    }
    // A circle reaching just past the north pole: point 0 lands on the pole (not NaN) and
    // takes longitude 0.
    const double delta = RadioHorizonRangeKm(400) / 1.852 / 3437.7467707849396;
    const auto polar = RadioHorizon(PI / 2 - delta + 1e-12, 1.0, 400);
    EXPECT_EQ(polar[0].lat, PI / 2);
    EXPECT_EQ(polar[0].lon, 0.0);
    for (const GeoPoint& p : polar) EXPECT_FALSE(std::isnan(p.lat) || std::isnan(p.lon));
}

TEST(EarthTracks, PropagatesShownSatellitesAndTheDetailOne) {
    KeplerCatalogue catalogue;
    KeplerRecord iss;
    std::snprintf(iss.name, sizeof iss.name, "ISS (ZARYA)             ");
    std::snprintf(iss.line1, sizeof iss.line1, "1 25544U 98067A   26127.50000000  .00010000  00000-0  18000-3 0  9991");
    std::snprintf(iss.line2, sizeof iss.line2, "2 25544  51.6400 200.0000 0004000  90.0000 270.0000 15.50000000  1000");
    iss.catalogueNumber = 25544;
    catalogue.records = {iss, iss, iss};
    std::vector<SelectedSat> selection(3);
    for (int i = 0; i < 3; ++i) {
        selection[i].catalogueNumber = 25544;
        selection[i].catalogueIndex = i;
    }
    selection[0].shown = 1;
    EarthTracks tracks;
    tracks.Rebuild(catalogue, selection);
    const ObserverLocation home{100, 48.1, 11.6};
    EXPECT_EQ(tracks.Update(selection, home, 2461168.0, true, 2), 1);
    const auto& r = tracks.Records();
    EXPECT_TRUE(r[0].computed && r[0].hasTrack);
    EXPECT_FALSE(r[1].computed);             // hidden and not the detail satellite
    EXPECT_TRUE(r[2].computed);              // the detail line needs it
    EXPECT_FALSE(r[2].hasTrack);
    EXPECT_NEAR(r[0].now.alt, 410, 40);
    EXPECT_LE(std::fabs(r[0].now.lat), 51.7 * DEG);
    EXPECT_EQ(r[0].now.lat, r[2].now.lat);
    // Two and a half orbits ahead span 2.5 x 92.9 minutes: the last point's latitude is
    // where the satellite will be then, a valid point on the same inclination band.
    EXPECT_LE(std::fabs(r[0].future[199].lat), 51.7 * DEG);
    EXPECT_NE(r[0].future[199].lon, 0.0);
    std::vector<SelectedSat> none;
    tracks.Rebuild(catalogue, none);
    EXPECT_EQ(tracks.Update(none, home, 2461168.0, false, 0), 0);
}

// The tracks come from SGP4 at every fourth point and interpolation between, converted by a
// closed form: every point must still match the full conversion of an exact position, and a
// track must be kept inside its span and be due outside it.
// The vector arc tangents in every quadrant, on the axes and at the poles, against the
// iterated geodetic conversion; the centre gives the documented point.
TEST(EarthTracks, GeodeticPointsMatchTheIteratedConversionEverywhere) {
    const cJulianDate date = cJulianDate::FromJd(2461168.3);
    const double positions[][3] = {{7000, 0, 0},     {-7000, 0, 0},      {0, 7000, 0},
                                   {0, -7000, 0},    {-5000, -4000, 3000}, {3000, -6000, -2000},
                                   {0, 0, 6800},     {0, 0, -42164},     {-1e-9, 0, 26000},
                                   {20000, 30000, -15000}, {0, 0, 0}};
    constexpr std::size_t n = std::size(positions);
    double x[n], y[n], z[n], gmst[n];
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = positions[i][0];
        y[i] = positions[i][1];
        z[i] = positions[i][2];
        gmst[i] = date.ToGmst();
    }
    GeoPoint out[n];
    GeodeticPoints(x, y, z, gmst, n, out);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const cCoordGeo g = cEci(cVector(x[i], y[i], z[i]), cVector(), date, false).ToGeodetic();
        EXPECT_NEAR(out[i].lat, g.lat, 3e-5) << i;
        EXPECT_GE(out[i].lon, 0.0) << i;
        EXPECT_LT(out[i].lon, TWOPI) << i;
        // Over a pole the iterated height degenerates, and the longitude means nothing.
        if (std::fabs(g.lat) > 1.5) continue;
        EXPECT_NEAR(std::remainder(out[i].lon - g.lon, TWOPI), 0.0, 1e-12) << i;
        EXPECT_NEAR(out[i].alt, g.alt, 0.1) << i;
    }
    EXPECT_EQ(out[n - 1].lat, 0.0);
    EXPECT_EQ(out[n - 1].alt, -XKMPER);
}

TEST(EarthTracks, InterpolatedTrackMatchesExactPositionsAndHoldsItsSpan) {
    KeplerCatalogue catalogue;
    KeplerRecord iss;
    std::snprintf(iss.name, sizeof iss.name, "ISS");
    std::snprintf(iss.line1, sizeof iss.line1, "1 25544U 98067A   26127.50000000  .00010000  00000-0  18000-3 0  9991");
    std::snprintf(iss.line2, sizeof iss.line2, "2 25544  51.6400 200.0000 0004000  90.0000 270.0000 15.50000000  1000");
    catalogue.records = {iss};
    std::vector<SelectedSat> selection(1);
    selection[0].catalogueIndex = 0;
    selection[0].shown = selection[0].track = 1;
    EarthTracks tracks;
    tracks.Rebuild(catalogue, selection);
    const double jd = 2461168.0;
    EXPECT_TRUE(tracks.TracksDue(selection, jd));  // none yet
    tracks.Update(selection, {100, 48.1, 11.6}, jd, true, 0);
    const TrackRecord& r = tracks.Records()[0];
    const cOrbit orbit(cElementSet("ISS", iss.line1, iss.line2));
    auto exact = [&](double at) {
        cEci eci;
        EXPECT_TRUE(orbit.PositionAt((at - orbit.Epoch().Date()) * 1440.0, eci));
        return eci.ToGeodetic();
    };
    for (int k = 0; k < FUTURE_TRACK_POINTS; ++k) {
        const cCoordGeo g = exact(jd + (k + 1) * r.futureStep);
        // Under half a kilometre: a map pixel is some 40 km.
        EXPECT_NEAR(r.future[k].lat, g.lat, 3e-5) << k;
        EXPECT_NEAR(std::remainder(r.future[k].lon - g.lon, TWOPI), 0.0, 3e-5) << k;
        EXPECT_NEAR(r.future[k].alt, g.alt, 0.5) << k;
    }
    for (int k = 0; k < PAST_TRACK_POINTS; ++k)
        EXPECT_NEAR(r.past[k].lat, exact(jd - (k + 1) * r.pastStep).lat, 3e-5) << k;

    // An eccentric orbit's perigee passes too fast to interpolate: its points stay exact.
    KeplerRecord molniya;
    std::snprintf(molniya.name, sizeof molniya.name, "MOLNIYA");
    std::snprintf(molniya.line1, sizeof molniya.line1, "1 25485U 98054A   26127.50000000  .00000100  00000-0  10000-3 0  9990");
    std::snprintf(molniya.line2, sizeof molniya.line2, "2 25485  62.8000 100.0000 7400000 270.0000  10.0000  2.00600000  1000");
    KeplerCatalogue high;
    high.records = {molniya};
    EarthTracks highTracks;
    highTracks.Rebuild(high, selection);
    highTracks.Update(selection, {100, 48.1, 11.6}, jd, true, 0);
    const TrackRecord& m = highTracks.Records()[0];
    const cOrbit highOrbit(cElementSet("MOLNIYA", molniya.line1, molniya.line2));
    for (int k = 0; k < FUTURE_TRACK_POINTS; ++k) {
        cEci eci;
        ASSERT_TRUE(highOrbit.PositionAt((jd + (k + 1) * m.futureStep - highOrbit.Epoch().Date()) * 1440.0, eci));
        EXPECT_NEAR(m.future[k].lat, eci.ToGeodetic().lat, 3e-5) << k;
    }

    // About 93 minutes a revolution: a third of one behind, one and a half ahead.
    EXPECT_FALSE(tracks.TracksDue(selection, jd));
    EXPECT_FALSE(tracks.TracksDue(selection, jd + 130.0 / 1440));
    EXPECT_FALSE(tracks.TracksDue(selection, jd - 30.0 / 1440));
    EXPECT_TRUE(tracks.TracksDue(selection, jd + 1.0 / 24 * 3));
    EXPECT_TRUE(tracks.TracksDue(selection, jd - 1.0 / 24));
    selection[0].track = 0;  // tracks not drawn are never due
    EXPECT_FALSE(tracks.TracksDue(selection, jd + 1.0));
}

}  // namespace
}  // namespace orvanta

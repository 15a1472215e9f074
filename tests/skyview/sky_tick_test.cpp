// The view's once-a-second schedule, tooltips and tracks, and its options' menu and
// persistence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "catalogue/pass_list.h"
#include "common/registry.h"
#include "common/settings.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "platform/settings_store.h"
#include "skyview/sky_tick.h"
#include "skyview/sky_view_state.h"

using namespace orvanta;

namespace {

// ISS elements of 2026-05-07 (CelesTrak).
const char kIssName[] = "ISS (ZARYA)";
const char kIss1[] = "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
const char kIss2[] = "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";

KeplerRecord Iss() {
    KeplerRecord k;
    std::strcpy(k.name, kIssName);
    std::strcpy(k.line1, kIss1);
    std::strcpy(k.line2, kIss2);
    k.catalogueNumber = 25544;
    return k;
}

}  // namespace

TEST(SkySchedule, PeriodicScreenshotMovesTheMarkEveryIntervalAndRequestsOnlyWhenOn) {
    SkyViewState s;
    s.lastScreenshotTick = 1000;
    EXPECT_FALSE(PeriodicScreenshotCheck(s, 1000 + 5 * 60000 - 1, 5, true));
    EXPECT_FALSE(PeriodicScreenshotCheck(s, 1000 + 5 * 60000, 5, false));
    EXPECT_EQ(s.lastScreenshotTick, 1000u + 5 * 60000);
    EXPECT_EQ(s.screenshotRequested, 0);
    EXPECT_TRUE(PeriodicScreenshotCheck(s, 1000 + 10 * 60000, 5, true));
    EXPECT_EQ(s.screenshotRequested, 1);
}

TEST(SkySchedule, RiseAndSetOnTheFirstTickThenHourlyOrAfterALocationChange) {
    SkyViewState s;  // a fresh view: counter 1,000,000
    EXPECT_TRUE(RiseSetDue(s, false));
    int ticks = 1;
    while (!RiseSetDue(s, false)) ++ticks;
    EXPECT_EQ(ticks, 3601);
    EXPECT_FALSE(RiseSetDue(s, false));
    EXPECT_TRUE(RiseSetDue(s, true));
    EXPECT_FALSE(RiseSetDue(s, false));
}

TEST(SkyTooltip, ShowsAfterHalfASecondAndGoesAtFiveSeconds) {
    EXPECT_EQ(TooltipTiming(10500, 10000, false), TooltipStep::Nothing);
    EXPECT_EQ(TooltipTiming(10501, 10000, false), TooltipStep::TryShow);
    EXPECT_EQ(TooltipTiming(14999, 10000, false), TooltipStep::TryShow);
    EXPECT_EQ(TooltipTiming(14999, 10000, true), TooltipStep::Nothing);
    EXPECT_EQ(TooltipTiming(15000, 10000, true), TooltipStep::Hide);
    EXPECT_EQ(TooltipTiming(15000, 10000, false), TooltipStep::Nothing);
    EXPECT_EQ(TooltipTiming(10200, 10000, true), TooltipStep::Hide);
    // The tick counter wraps after 49.7 days; the difference stays right.
    EXPECT_EQ(TooltipTiming(700, 0xFFFFFF00u, false), TooltipStep::TryShow);
}

TEST(SkyTooltip, HitTestOrderSunMoonSatellitesStarsAndZeroStarsNeverMatch) {
    SkyViewState s;
    s.moonBox = {10, 10, 20, 20};
    std::vector<PassRecord> table(2);
    table[1].listed = 1;
    table[1].currentElevation = 5;
    table[1].screenBox = {12, 12, 20, 20};
    table[0].screenBox = {0, 0, 100, 100};  // not visible: never matches
    StarCatalogue stars;
    stars.table.resize(3);
    stars.boxes.resize(3);
    stars.count = 3;
    stars.boxes[0] = {30, 30, 40, 40};  // a zero record
    stars.table[2].hd = 48915;
    stars.boxes[2] = {30, 30, 40, 40};
    auto hit = HitTestSky(s, 15, 15, table, &stars);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->kind, TooltipTarget::Moon);
    hit = HitTestSky(s, 19, 12, table, &stars);
    EXPECT_EQ(hit->kind, TooltipTarget::Moon);
    hit = HitTestSky(s, 20, 15, table, &stars);  // right edge excluded from the Moon's box
    EXPECT_FALSE(hit);
    s.moonBox = {};
    hit = HitTestSky(s, 15, 15, table, &stars);
    EXPECT_EQ(hit->kind, TooltipTarget::Satellite);
    EXPECT_EQ(hit->index, 1);
    hit = HitTestSky(s, 35, 35, table, &stars);
    EXPECT_EQ(hit->kind, TooltipTarget::Star);
    EXPECT_EQ(hit->index, 2);
    EXPECT_FALSE(HitTestSky(s, 35, 35, table, nullptr));
}

TEST(SkyTooltip, TextsCarryTheirFormats) {
    SkyViewState s;
    s.sunriseText = "07:58:12";
    s.sunsetText = "16:12:40";
    s.sunAz = 181.25;
    s.sunEl = 15.123;
    EXPECT_EQ(SunTooltipText(s),
              "The Sun\rNext rise:\t07:58:12\rNext set:\t16:12:40\rCurrent Az:\t181.2\xC2\xB0"
              "\rCurrent El:\t15.12\xC2\xB0");
    s.moonDistance = 385000.0;
    s.moonriseText = "a";
    s.moonsetText = "b";
    EXPECT_NE(MoonTooltipText(s, 2).find("Dist:\t239227.46 mi away"), std::string::npos);
    EXPECT_NEAR(s.moonDistance, 239227.46, 0.01);  // replaced until the next repaint
    s.moonDistance = 385000.0;
    EXPECT_NE(MoonTooltipText(s, 3).find("207883.37 nm"), std::string::npos);
    EXPECT_EQ(SatelliteTooltipText("ISS (ZARYA)", 25544, "21:03:05", "+2   21:10:00"),
              "Name:\tISS (ZARYA) (# 25544)\rAOS:\t21:03:05\rLOS:\t+2   21:10:00");
    StarRecord sirius;
    sirius.bayer = {'A', 'l', 'p', ' ', '\0'};
    sirius.constellation = {'C', 'M', 'a', '\0'};
    sirius.hd = 48915;
    sirius.sao = 151881;
    sirius.magnitude = -1.46;
    EXPECT_EQ(StarTooltipText(sirius),
              "Star\rName:\tAlp  CMa\rHD:\t48915\rSAO:\t151881\rMag:\t-1.46");

    RowTimeOptions o;
    o.use24h = true;
    const double now = 2461168.5;
    EXPECT_EQ(SkyPassTimeText(now + 2.3, now, o), "+2   07:12:00");
    EXPECT_EQ(SkyPassTimeText(now - 0.01, now, o), "23:45:36");
}

TEST(SkyTracks, PastEndsAndFutureStartsAtThePresentPosition) {
    const KeplerRecord iss = Iss();
    const ObserverLocation site{46, 51.4779, -0.0015};
    PassRecord r;
    const double now = 2461168.25;
    r.aos = now - 3.0 / 1440;
    r.los = now + 4.0 / 1440;
    ASSERT_TRUE(ComputePassTrack(r, iss, site, now));
    PassRecord live;
    ASSERT_TRUE(UpdateLiveValues(live, iss, site, 1, now));
    const double deg = 180.0 / 3.14159265358979323846;
    EXPECT_NEAR(r.pastTrack[29].azimuth * deg, live.currentAzimuth, 1e-6);
    EXPECT_NEAR(r.pastTrack[29].elevation * deg, live.currentElevation, 1e-6);
    EXPECT_NEAR(r.futureTrack[0].elevation * deg, live.currentElevation, 1e-6);
    // The track moves: its ends differ from the present position.
    EXPECT_GT(std::fabs(r.pastTrack[0].azimuth - r.futureTrack[29].azimuth) +
                  std::fabs(r.pastTrack[0].elevation - r.futureTrack[29].elevation),
              0.01);

    // Every point, interpolated or not, where the model and the site put the satellite.
    const cOrbit orbit(cElementSet(kIssName, kIss1, kIss2));
    const cSite from(site.latitude, site.longitude, site.altitudeMetres / 1000);
    for (int k = 0; k < TRACK_POINTS; ++k) {
        const double at = now + k * (r.los - now) / TRACK_POINTS;
        cEci eci;
        ASSERT_TRUE(orbit.PositionAt((at - orbit.Epoch().Date()) * 1440.0, eci));
        const cCoordTopo look = from.LookAngles(eci);
        EXPECT_NEAR(r.futureTrack[k].azimuth, look.az, 1e-5) << k;
        EXPECT_NEAR(r.futureTrack[k].elevation, look.el, 1e-5) << k;
    }

    // Orbits are kept between ticks: a new set of the same satellite must not get the old
    // orbit's track, and the old set its own again.
    KeplerRecord moved = iss;
    std::memcpy(moved.line2 + 43, "300", 3);  // another mean anomaly
    PassRecord m = r;
    ASSERT_TRUE(ComputePassTrack(m, moved, site, now));
    EXPECT_GT(std::fabs(m.futureTrack[0].azimuth - r.futureTrack[0].azimuth), 0.01);
    PassRecord again = r;
    ASSERT_TRUE(ComputePassTrack(again, iss, site, now));
    EXPECT_EQ(again.futureTrack[0].azimuth, r.futureTrack[0].azimuth);

    KeplerRecord broken = iss;
    broken.line2[10] = '\0';
    EXPECT_FALSE(ComputePassTrack(r, broken, site, now));
}

TEST(SkyTracks, TrackValidFollowsShowTracksExceptForTheTooltipsPass) {
    std::vector<PassRecord> table(3);
    for (auto& r : table) {
        r.listed = 1;
        r.currentElevation = 10;
        r.aos = 2461168.24;
        r.los = 2461168.26;
        r.trackValid = 1;
    }
    table[2].currentElevation = -1;
    SkyViewState s;
    s.showTracks = 0;
    s.tooltipOwner = 1;
    const KeplerRecord iss = Iss();
    auto sat = [&](const PassRecord&) { return &iss; };
    UpdateSkyTracks(table, s, ObserverLocation{0, 51.5, 0}, 2461168.25, sat);
    EXPECT_EQ(table[0].trackValid, 0);
    EXPECT_EQ(table[1].trackValid, 1);  // its tooltip shows the track
    EXPECT_EQ(table[2].trackValid, 1);  // below the horizon: untouched
    s.showTracks = 1;
    UpdateSkyTracks(table, s, ObserverLocation{0, 51.5, 0}, 2461168.25, sat);
    EXPECT_EQ(table[0].trackValid, 1);
}

// The whole table's tracks in one batch call give the single-pass tracks: near-earth,
// deep-space (every point propagated) and a set that cannot be built, which stays invalid.
TEST(SkyTracks, TableTracksMatchTheSinglePassTracks) {
    KeplerRecord molniya = Iss();
    std::snprintf(molniya.line1, sizeof molniya.line1, "1 25485U 98054A   26127.50000000  .00000100  00000-0  10000-3 0  9990");
    std::snprintf(molniya.line2, sizeof molniya.line2, "2 25485  62.8000 100.0000 7400000 270.0000  10.0000  2.00600000  1000");
    molniya.catalogueNumber = 25485;
    KeplerRecord broken = Iss();
    broken.line2[10] = '\0';
    broken.catalogueNumber = 99999;
    const KeplerRecord sats[] = {Iss(), molniya, broken};
    const double now = 2461168.25;
    std::vector<PassRecord> table(3);
    for (int i = 0; i < 3; ++i) {
        table[i].satellite = i;
        table[i].listed = 1;
        table[i].currentElevation = 10;
        table[i].aos = now - (3.0 + i) / 1440;
        table[i].los = now + (40.0 + i) / 1440;
    }
    SkyViewState s;
    s.showTracks = 1;
    const ObserverLocation site{46, 51.4779, -0.0015};
    UpdateSkyTracks(table, s, site, now, [&](const PassRecord& r) { return &sats[r.satellite]; });
    EXPECT_EQ(table[2].trackValid, 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(table[i].trackValid, 1) << i;
        PassRecord one = table[i];
        ASSERT_TRUE(ComputePassTrack(one, sats[i], site, now));
        for (int k = 0; k < TRACK_POINTS; ++k) {
            EXPECT_NEAR(table[i].pastTrack[k].azimuth, one.pastTrack[k].azimuth, 1e-9) << i << k;
            EXPECT_NEAR(table[i].futureTrack[k].elevation, one.futureTrack[k].elevation, 1e-9)
                << i << k;
        }
    }
}

TEST(SkyStars, OnlyStarsBrighterThanTheLimitAndAboveTheHorizonGetBoxes) {
    StarCatalogue c;
    c.table.resize(4);
    c.boxes.resize(4, ScreenBox{1, 1, 2, 2});
    c.count = 4;
    // Polaris-like star, always up from 51.5 N; one exactly at the limit; one below the
    // horizon (far south); a zero record.
    c.table[0] = {0, {}, {}, 8890, 308, 2.53, 89.26, 2.02};
    c.table[1] = {0, {}, {}, 1, 1, 2.53, 89.0, 4.5};
    c.table[2] = {0, {}, {}, 2, 2, 6.0, -85.0, 1.0};
    SkyViewState s;
    s.magLimit = 4.5;
    s.starSizeBase = 1;
    std::vector<StarDisc> discs;
    ComputeStarDiscs(c, s, 100.0, 51.5, 0.0, 600, 600, discs);
    ASSERT_EQ(discs.size(), 1u);
    EXPECT_EQ(discs[0].size, 5);  // class 4 plus the two-pixel base
    // Polaris stands at the pole's elevation, straight north of the zenith.
    EXPECT_NEAR(discs[0].x, 300, 3);
    EXPECT_NEAR(discs[0].y, 300 - (90 - 51.5) / 90 * 300, 3);
    EXPECT_EQ(c.boxes[0].right - c.boxes[0].left, 10);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(c.boxes[i].right, 0) << i;
}

class SkyOptions : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsStore(store_); }
    void TearDown() override { SetSettingsStore(nullptr); }
    std::shared_ptr<platform::ISettingsStore> store_ = platform::MakeMemorySettingsStore();
};

TEST_F(SkyOptions, MenuCommandsChangeTheStateAndTheirChecksFollow) {
    SkyViewState s;
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_SHOW_NAMES));
    EXPECT_EQ(s.showNames, 0);
    EXPECT_FALSE(SkyMenuItemChecked(s, SKY_CMD_SHOW_NAMES));
    EXPECT_TRUE(ApplySkyMenuCommand(s, 32795));  // "2.5"
    EXPECT_EQ(s.magLimitIndex, 2);
    EXPECT_EQ(s.magLimit, 2.5);
    EXPECT_TRUE(SkyMenuItemChecked(s, 32795));
    EXPECT_FALSE(SkyMenuItemChecked(s, 32791));
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_MAG_10));
    EXPECT_EQ(s.magLimit, 1.0);
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_POLAR_NESW));
    EXPECT_EQ(s.projection, 2);
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_STRETCHED_NWSE));
    EXPECT_EQ(s.projection, 3);
    s.heading = 123;
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_RESET_HEADING));
    EXPECT_EQ(s.heading, 0);
    EXPECT_TRUE(ApplySkyMenuCommand(s, SKY_CMD_STAR_SIZE_2));
    EXPECT_TRUE(SkyMenuItemChecked(s, SKY_CMD_STAR_SIZE_2));
    EXPECT_FALSE(SkyMenuItemChecked(s, SKY_CMD_STAR_SIZE_1));
    EXPECT_FALSE(ApplySkyMenuCommand(s, 32797));
}

TEST_F(SkyOptions, OptionsSurviveCloseAndReopenAndABadLimitIndexKeepsTheLimit) {
    SkyViewState s;
    s.heading = 42;
    s.showTracks = 0;
    s.showNames = 0;
    s.projection = 1;
    s.magLimitIndex = 4;
    ASSERT_TRUE(SaveSkyViewState(s));
    Settings read = ReadAllSettings();
    EXPECT_EQ(read.skyviewOrientation, 42);
    EXPECT_EQ(read.showName, 0);
    EXPECT_EQ(read.projectionType, 1);
    EXPECT_EQ(read.magLimit, 4);

    SkyViewState next;
    LoadSkyStartupOptions(next, read);
    OpenSkyViewState(next, 777);
    EXPECT_EQ(next.heading, 42);
    EXPECT_EQ(next.showTracks, 0);
    EXPECT_EQ(next.magLimit, 4.5);
    EXPECT_EQ(next.lastScreenshotTick, 777u);
    EXPECT_EQ(next.riseSetCounter, 1000000);

    // A stored index outside 1 ... 6 is neither used nor written back.
    read.magLimit = 9;
    SkyViewState odd;
    odd.magLimit = 5.5;
    LoadSkyStartupOptions(odd, read);
    OpenSkyViewState(odd, 0);
    EXPECT_EQ(odd.magLimit, 5.5);
    EXPECT_FALSE(SkyMenuItemChecked(odd, SKY_CMD_MAG_65));
    ASSERT_TRUE(SaveSkyViewState(odd));
    EXPECT_EQ(ReadAllSettings().magLimit, 4);
}

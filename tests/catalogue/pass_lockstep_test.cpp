// A worker searches its satellites together, their propagations batched: every satellite
// must get the passes, fields and event-log lines it gets when searched alone.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_search.h"
#include "orbit/julian_date.h"
#include "pass_test_util.h"

namespace orvanta {
namespace {

const std::string kData = ORVANTA_TEST_DATA_DIR;

using Lines = std::vector<std::pair<int, std::string>>;

TEST(PassSearchTogether, EverySatelliteGetsWhatItGetsAlone) {
    // More near-earth sets than a worker keeps open, and deep-space sets (the scalar path;
    // some fail beyond the model's reach), each once before and after the others.
    std::vector<PassSearchSatellite> sats = test::LoadSatellites(kData + "/orbit/leo_visual.tle");
    const auto high = test::LoadSatellites(kData + "/orbit/high_orbits.tle");
    ASSERT_GT(sats.size(), 100u);
    ASSERT_GE(high.size(), 4u);
    sats.insert(sats.begin() + 3, high.begin(), high.begin() + 2);
    sats.insert(sats.end(), high.begin() + 2, high.end());
    PassSearchSatellite gone = sats[10];
    gone.located = false;  // no longer in the catalogue: nothing searched, slots empty
    sats.insert(sats.begin() + 70, gone);

    PassSearchInputs in;
    in.now = *ParseIsoUtc("2026-05-08T00:00:00Z");
    in.observer.latitude = 48.14;
    in.observer.longitude = 11.58;
    in.options.passesPerSatellite = 12;
    in.options.untilJd = in.now + 2.0;
    in.options.searchLunarPasses = true;
    in.options.visibility = true;
    in.options.reportNvs = true;
    in.satellites = sats;

    Lines together;
    PassSearch search([&together](int, int level, const std::string& text) {
        together.emplace_back(level, text);
    });
    ASSERT_TRUE(search.Run(in, 1));
    EXPECT_DOUBLE_EQ(search.Progress(), 100.0);
    const std::vector<PassRecord>& table = search.Records();
    const int n = in.options.passesPerSatellite;

    Lines alone;
    SatelliteSearchContext ctx;
    ctx.now = in.now;
    ctx.observer = in.observer;
    ctx.options = in.options;
    ctx.log = [&alone](int level, const std::string& text) { alone.emplace_back(level, text); };
    int passes = 0;
    for (std::size_t s = 0; s < sats.size(); ++s) {
        std::vector<PassRecord> slots(static_cast<std::size_t>(n));
        SearchSatellitePasses(sats[s], static_cast<int>(s), ctx, slots.data());
        for (int k = 0; k < n; ++k) {
            SCOPED_TRACE(sats[s].name + " pass " + std::to_string(k));
            const PassRecord& a = slots[static_cast<std::size_t>(k)];
            const PassRecord& t = table[s * static_cast<std::size_t>(n) + static_cast<std::size_t>(k)];
            passes += a.IsEmpty() ? 0 : 1;
            // The times are whole seconds: the same seconds. The angles come from states
            // a fraction of a micrometre apart.
            EXPECT_EQ(t.satellite, a.satellite);
            EXPECT_EQ(t.aos, a.aos);
            EXPECT_EQ(t.los, a.los);
            EXPECT_EQ(t.lunarStart, a.lunarStart);
            EXPECT_EQ(t.visibleStart, a.visibleStart);
            EXPECT_EQ(t.visibleEnd, a.visibleEnd);
            EXPECT_EQ(t.shadowEntry, a.shadowEntry);
            EXPECT_EQ(t.brightestTime, a.brightestTime);
            EXPECT_EQ(t.lighting, a.lighting);
            EXPECT_NEAR(t.riseAzimuth, a.riseAzimuth, 1e-7);
            EXPECT_NEAR(t.setAzimuth, a.setAzimuth, 1e-7);
            EXPECT_NEAR(t.maxElevation, a.maxElevation, 1e-7);
            EXPECT_NEAR(t.culminationElevation, a.culminationElevation, 1e-7);
            EXPECT_NEAR(t.brightestMagnitude, a.brightestMagnitude, 1e-7);
        }
    }
    EXPECT_GT(passes, 500);
    // The lines of one worker come in satellite order, as when it searched them one by one.
    EXPECT_GT(alone.size(), 3u);
    EXPECT_EQ(together, alone);
}

// Empty records handed in are the table when there are enough of them (trimmed to the
// search's size), and are passed over when there are too few.
TEST(PassSearchTogether, APreparedTableIsTakenWhenLargeEnough) {
    PassSearchInputs in;
    in.now = *ParseIsoUtc("2026-05-08T00:00:00Z");
    in.observer.latitude = 48.14;
    in.observer.longitude = 11.58;
    in.options.passesPerSatellite = 3;
    in.satellites = test::LoadSatellites(kData + "/orbit/leo_visual.tle");
    in.satellites.resize(5);
    PassSearch plain;
    ASSERT_TRUE(plain.Run(in, 2));
    for (const std::size_t prepared : {std::size_t(40), std::size_t(15), std::size_t(7)}) {
        PassSearchInputs with = in;
        with.table.assign(prepared, PassRecord{});
        const PassRecord* given = with.table.data();
        PassSearch search;
        ASSERT_TRUE(search.Run(std::move(with), 2));
        const std::vector<PassRecord>& table = search.Records();
        ASSERT_EQ(table.size(), 15u);
        EXPECT_EQ(table.data() == given, prepared >= 15) << prepared;
        for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].aos, plain.Records()[i].aos);
    }
}

}  // namespace
}  // namespace orvanta

// The pass details table against the pass search that found the pass, and orvanta-cli
// pass-details as scripts see it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/pass_details.h"
#include "pass_test_util.h"
#include "tests/support/cli_runner.h"
#include "tests/support/unique_temp_dir.h"

namespace orvanta {
namespace {

using test::Find;
using test::LoadSatellites;

const std::string kData = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/";

// The ISS's second pass over Greenwich after 2026-05-07 12:00 UTC: 21.8 degrees, ten
// minutes, lit at AOS in a dark sky and entering the shadow on the way down.
struct IssPass : ::testing::Test {
    void SetUp() override {
        const auto sats = LoadSatellites(kData + "pass_reference.tle");
        const PassSearchSatellite* iss = Find(sats, 25544);
        ASSERT_NE(iss, nullptr);
        sat = *iss;
        ctx.now = *ParseIsoUtc("2026-05-07T12:00:00Z");
        ctx.observer.latitude = 51.4779;
        ctx.observer.longitude = -0.0015;
        ctx.options.passesPerSatellite = 2;
        ctx.options.visibility = true;
        ctx.formatDateTime = [](double jd) { return FormatIsoUtcSeconds(jd); };
        PassRecord slots[2];
        ASSERT_EQ(SearchSatellitePasses(sat, 0, ctx, slots).passes, 2);
        pass = slots[1];
        request.observer = ctx.observer;
        request.aosJd = pass.aos;
        request.losJd = pass.los;
    }
    cElementSet Elements() const { return cElementSet(sat.name, sat.line1, sat.line2); }

    PassSearchSatellite sat;
    SatelliteSearchContext ctx;
    PassRecord pass;
    PassDetailsRequest request;
};

TEST_F(IssPass, EverySecondAgreesWithThePassSearch) {
    request.stepSeconds = 1.0;
    std::vector<PassDetailRow> rows;
    ASSERT_TRUE(ComputePassDetails(Elements(), request, rows));
    const long seconds = std::lround((pass.los - pass.aos) * 86400.0);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(seconds + 1));
    EXPECT_EQ(rows.front().time, pass.aos);
    EXPECT_EQ(rows.back().time, pass.los);
    // AOS the first second above the horizon, LOS the first below it again.
    EXPECT_GT(rows.front().elevation, 0.0);
    EXPECT_LE(rows.back().elevation, 0.0);
    EXPECT_GT(rows[rows.size() - 2].elevation, 0.0);
    EXPECT_NEAR(rows.front().azimuth, pass.riseAzimuth, 0.01);
    EXPECT_NEAR(rows.back().azimuth, pass.setAzimuth, 0.01);

    // Culmination and brightest moment as the visibility fields found them.
    std::size_t top = 0, brightest = 0, lit = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].elevation > rows[top].elevation) top = i;
        if (rows[i].magnitude &&
            (!rows[brightest].magnitude || *rows[i].magnitude < *rows[brightest].magnitude))
            brightest = i;
        lit += rows[i].sunlit ? 1 : 0;
        // Dark sky all through this pass: a magnitude exactly where it is lit.
        EXPECT_EQ(rows[i].magnitude.has_value(), rows[i].sunlit) << i;
        EXPECT_FALSE(rows[i].dopplerHz.has_value());
    }
    EXPECT_NEAR(rows[top].time, pass.culmination, 1.0 / 86400.0);
    EXPECT_NEAR(rows[top].elevation, pass.culminationElevation, 0.01);
    // Skyfield's crossings and culmination for this pass (pass_reference.csv).
    EXPECT_NEAR(rows.front().time, *ParseIsoUtc("2026-05-07T21:14:08.781Z"), 1.0 / 86400.0);
    EXPECT_NEAR(rows.back().time, *ParseIsoUtc("2026-05-07T21:24:11.031Z"), 1.0 / 86400.0);
    EXPECT_NEAR(rows[top].elevation, 21.788, 0.01);
    ASSERT_NE(pass.shadowEntry, 0.0);
    EXPECT_NEAR(static_cast<double>(lit), (pass.shadowEntry - pass.aos) * 86400.0, 1.0);
    ASSERT_TRUE(rows[brightest].magnitude.has_value());
    EXPECT_NEAR(*rows[brightest].magnitude, pass.brightestMagnitude, 0.1);
}

TEST_F(IssPass, DefaultStepEndsAtLosWithDoppler) {
    EXPECT_EQ(DefaultPassDetailStep(pass.aos, pass.los), 10.0);
    EXPECT_EQ(DefaultPassDetailStep(0.0, 1800.0 / 86400.0), 60.0);
    request.stepSeconds = 10.0;
    request.frequencyHz = 437.0e6;
    std::vector<PassDetailRow> rows;
    ASSERT_TRUE(ComputePassDetails(Elements(), request, rows));
    // 602 s: rows at 0, 10, ... 600 and LOS.
    ASSERT_EQ(rows.size(), 62u);
    EXPECT_NEAR((rows[60].time - pass.aos) * 86400.0, 600.0, 1e-4);
    EXPECT_EQ(rows.back().time, pass.los);
    // Approaching at AOS: the received frequency is higher; receding at LOS: lower.
    ASSERT_TRUE(rows.front().dopplerHz && rows.back().dopplerHz);
    EXPECT_LT(rows.front().rangeRateKmS, -6.0);
    EXPECT_NEAR(*rows.front().dopplerHz, -437.0e6 * rows.front().rangeRateKmS / 299792.458, 1e-6);
    EXPECT_LT(*rows.back().dopplerHz, -9000.0);

    request.stepSeconds = 0.0;
    EXPECT_FALSE(ComputePassDetails(Elements(), request, rows));
    EXPECT_TRUE(rows.empty());
    request.stepSeconds = 10.0;
    request.losJd = pass.aos - 1.0 / 86400.0;
    EXPECT_FALSE(ComputePassDetails(Elements(), request, rows));
}

// A chart of the pass shows the satellite at its brightest, else at its culmination, else at
// its highest row; a time outside the pass is never taken.
TEST_F(IssPass, ChartMomentFallsBackFromBrightestToCulminationToHighestRow) {
    request.stepSeconds = 10.0;
    std::vector<PassDetailRow> rows;
    ASSERT_TRUE(ComputePassDetails(Elements(), request, rows));
    ASSERT_NE(pass.brightestTime, 0.0);
    EXPECT_EQ(PassHighlightTime(pass, rows), pass.brightestTime);
    PassRecord p = pass;
    p.brightestTime = 0.0;
    EXPECT_EQ(PassHighlightTime(p, rows), pass.culmination);
    p.brightestTime = pass.los + 0.01;
    p.culmination = 0.0;
    EXPECT_NEAR((PassHighlightTime(p, rows) - pass.culmination) * 86400.0, 0.0, 5.0);
    EXPECT_EQ(PassHighlightTime(p, {}), pass.aos);
    // Ticks a minute apart on this ten-minute pass, an hour apart on a ten-hour one.
    EXPECT_DOUBLE_EQ(PassTickSpacing(pass.aos, pass.los) * 1440.0, 1.0);
    EXPECT_DOUBLE_EQ(PassTickSpacing(0.0, 10.0 / 24.0) * 1440.0, 60.0);
}

// ---- orvanta-cli pass-details ------------------------------------------------------------

namespace fs = std::filesystem;
using orvanta::testing::CliRun;
using orvanta::testing::SplitCsv;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
const std::string kSample = std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle";
const std::string kSite = " --lat 51.4779 --lon -0.0015 --start 2026-05-07T12:00:00Z";

struct PassDetailsCli : ::testing::Test {
    void SetUp() override { dir = orvanta::testing::MakeUniqueTempDir("orvanta-details-cli-"); }
    void TearDown() override { fs::remove_all(dir); }
    CliRun Run(const std::string& cmd, const std::string& args) {
        return orvanta::testing::RunCli(kCli, cmd + " --tle \"" + kSample + "\" " + args, dir);
    }
    fs::path dir;
};

TEST_F(PassDetailsCli, TableMatchesThePassesRow) {
    const CliRun passes = Run("passes", "--sat 25544 --passes 2" + kSite);
    ASSERT_EQ(passes.status, 0);
    ASSERT_EQ(passes.out.size(), 3u);
    const auto p = SplitCsv(passes.out[2]);

    const CliRun r = Run("pass-details", "--sat 25544 --pass 2 --step 60" + kSite);
    ASSERT_EQ(r.status, 0) << (r.err.empty() ? "" : r.err[0]);
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out[0],
              "time_utc,azimuth,elevation,range_km,range_rate_kms,doppler_hz,"
              "magnitude,sunlit");
    // One row a minute of the duration, and LOS.
    EXPECT_EQ(r.out.size(), 1u + static_cast<std::size_t>(std::stoi(p[8]) + 59) / 60 + 1);
    const auto first = SplitCsv(r.out[1]), last = SplitCsv(r.out.back());
    ASSERT_EQ(first.size(), 8u);
    EXPECT_EQ(first[0], p[2]);                            // AOS
    EXPECT_EQ(last[0], p[3]);                             // LOS
    EXPECT_EQ(first[1], p[4]);                            // rise azimuth
    EXPECT_EQ(last[1], p[7]);                             // set azimuth
    EXPECT_EQ(first[5], "");                              // no frequency, no Doppler
    EXPECT_EQ(first[7], p[18]);                           // sunlit at AOS
    EXPECT_EQ(first[3].size() - first[3].find('.'), 9u);  // km as propagate prints them
}

TEST_F(PassDetailsCli, BadArgumentsAndMissingPass) {
    for (const std::string& args :
         {"--pass 2" + kSite, "--sat 25544 --step 0" + kSite, "--sat 25544 --pass 0" + kSite,
          std::string("--sat 25544 --lat 51 --lon 0"), "--sat 25544 --frequency x" + kSite}) {
        const CliRun r = Run("pass-details", args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    // The geostationary GOES 18 never rises or sets: no pass, the search's reason on stderr.
    const CliRun r = Run("pass-details", "--sat 51850" + kSite);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_NE(r.err.back().find("has no pass 1"), std::string::npos);
}

}  // namespace
}  // namespace orvanta

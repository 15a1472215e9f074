// orvanta-cli sun-moon and rise-set as scripts see them: the built program on known instants,
// against the book's worked examples and the independent rise/set reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/astro_cli.h"
#include "tests/support/cli_runner.h"
#include "tests/support/unique_temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";

using orvanta::testing::CliRun;

std::vector<std::string> Split(const std::string& row) {
    return orvanta::testing::SplitCsv(row);
}

class AstroCliRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kCli) && !fs::exists(kCli + ".exe")) GTEST_SKIP() << "orvanta-cli not built";
        dir_ = orvanta::testing::MakeUniqueTempDir("orvanta-astro-cli-");
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    CliRun Run(const std::string& args) {
        return orvanta::testing::RunCli(kCli, args, dir_);
    }

    // Seconds from a reference Julian date to a printed time.
    static double SecondsAfter(double jd, const std::string& iso) {
        const auto t = orvanta::ParseIsoUtc(iso);
        return t ? (*t - jd) * 86400.0 : NAN;
    }

    fs::path dir_;
};

TEST_F(AstroCliRun, SunMoonGivesTheBooksPlaces) {
    // J2000.0 (sidereal time), 1992 October 13 0h (the Sun, 25.a), 1992 April 12 0h (the
    // Moon, 47.a).
    const CliRun r =
        Run("sun-moon --lat 38.921 --lon -77.065 --at 2000-01-01T12:00:00Z 1992-10-13T00:00:00Z "
            "--at 1992-04-12T00:00:00Z");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty());
    ASSERT_EQ(r.out.size(), 4u);
    EXPECT_EQ(r.out[0],
              "time_utc,gast_deg,sun_ra_deg,sun_dec_deg,sun_az,sun_el,moon_ra_deg,moon_dec_deg,"
              "moon_dist_km,moon_az,moon_el");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 1; i < r.out.size(); ++i) {
        rows.push_back(Split(r.out[i]));
        ASSERT_EQ(rows.back().size(), 11u) << r.out[i];
    }
    // Rows in the order asked for, times echoed.
    EXPECT_EQ(rows[0][0], "2000-01-01T12:00:00Z");
    EXPECT_EQ(rows[1][0], "1992-10-13T00:00:00Z");
    EXPECT_EQ(rows[2][0], "1992-04-12T00:00:00Z");

    EXPECT_EQ(rows[0][1], "280.457042");
    // The book's five decimals, and the sixth the command prints.
    EXPECT_NEAR(std::stod(rows[1][2]), 198.38083, 5.5e-6);  // printed in [0, 360)
    EXPECT_NEAR(std::stod(rows[1][3]), -7.78507, 5.5e-6);
    // The short nutation series: within half an arc second of the book's Moon.
    EXPECT_NEAR(std::stod(rows[2][6]), 134.688470, 0.5 / 3600.0);
    EXPECT_NEAR(std::stod(rows[2][7]), 13.768368, 0.5 / 3600.0);
    EXPECT_NEAR(std::stod(rows[2][8]), 368409.7, 0.05);
    for (const auto& f : rows) {
        for (int az : {4, 9}) {
            EXPECT_GT(std::stod(f[az]), 0.0);
            EXPECT_LE(std::stod(f[az]), 360.0);
        }
        for (int el : {5, 10}) EXPECT_LE(std::fabs(std::stod(f[el])), 90.0);
    }
}

TEST_F(AstroCliRun, SunOverheadAtTheSubsolarPoint) {
    // At J2000.0 the Sun (ra 281.282356, dec -23.032516) culminates where the hour angle,
    // apparent sidereal time 280.457042 plus the east longitude minus ra, is 0.
    const CliRun r = Run("sun-moon --lat -23.032516 --lon 0.825314 --at 2000-01-01T12:00:00Z");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_GT(std::stod(Split(r.out[1])[5]), 89.99);
}

TEST_F(AstroCliRun, RiseSetMatchesTheReferenceToTheSecond) {
    // tests/data/astro/rise_set_reference.csv, Paris from 2025-01-01 0h UTC (JD 2460676.5):
    // the first whole second at or past each crossing.
    const CliRun r = Run("rise-set --lat 48.85 --lon 2.35 --at 2025-01-01T00:00:00Z");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty());
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_EQ(r.out[0], "sunrise_utc,sunset_utc,moonrise_utc,moonset_utc");
    const auto f = Split(r.out[1]);
    ASSERT_EQ(f.size(), 4u) << r.out[1];
    for (const auto& t : f) {
        ASSERT_EQ(t.size(), 20u) << t;
        EXPECT_EQ(t.back(), 'Z');
    }
    // The Sun's place is good to 0.01 degree (a few seconds of time), the Moon's to 15".
    EXPECT_NEAR(SecondsAfter(2460676.82222848, f[0]), 0.5, 10.0);
    EXPECT_NEAR(SecondsAfter(2460677.16994263, f[1]), 0.5, 10.0);
    EXPECT_NEAR(SecondsAfter(2460676.88908141, f[2]), 0.5, 3.0);
    EXPECT_NEAR(SecondsAfter(2460677.23282953, f[3]), 0.5, 3.0);
}

TEST_F(AstroCliRun, PolarDayAndNightLeaveTheFieldsEmpty) {
    const CliRun r =
        Run("rise-set --lat 78.22 --lon 15.65 --at 2026-06-21T00:00:00Z 2026-12-21T00:00:00Z");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 3u);
    const auto june = Split(r.out[1]), december = Split(r.out[2]);
    ASSERT_EQ(june.size(), 4u);
    ASSERT_EQ(december.size(), 4u);
    // Midnight sun and polar night: no sunrise or sunset within 48 hours.
    EXPECT_EQ(june[0], "");
    EXPECT_EQ(june[1], "");
    EXPECT_EQ(december[0], "");
    EXPECT_EQ(december[1], "");
}

TEST_F(AstroCliRun, BadArgumentsExitTwoWithOneLine) {
    for (const std::string& args : {
             std::string("sun-moon --lat 48 --lon 2"),
             std::string("sun-moon --lat 48 --lon 2 --at 2025-01-01T00:00:00"),
             std::string("sun-moon --lat 95 --lon 2 --at 2025-01-01T00:00:00Z"),
             std::string("rise-set --lat 48 --at 2025-01-01T00:00:00Z"),
             std::string("rise-set --lat 48 --lon 2 --at 2025-02-30T00:00:00Z"),
             std::string("rise-set --lat 48 --lon 2 --at 2025-01-01T00:00:00Z --frobnicate"),
         }) {
        const CliRun r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        ASSERT_EQ(r.err.size(), 1u) << args;
        EXPECT_EQ(r.err[0].rfind("orvanta-cli: ", 0), 0u) << r.err[0];
    }
}

}  // namespace

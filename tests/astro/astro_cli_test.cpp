// The sun-moon and rise-set command lines' time and argument parsing.
#include <gtest/gtest.h>

#include "cli/astro_cli.h"

namespace orvanta::cli {
namespace {

TEST(AstroCliTime, ParsesAndFormatsIsoUtc) {
    EXPECT_DOUBLE_EQ(*ParseIsoUtc("2000-01-01T12:00:00Z"), 2451545.0);
    EXPECT_DOUBLE_EQ(*ParseIsoUtc("1992-04-12T00:00:00Z"), 2448724.5);
    EXPECT_DOUBLE_EQ(*ParseIsoUtc("1970-01-01T00:00:00.5Z"), 2440587.5 + 0.5 / 86400.0);
    EXPECT_EQ(*ParseIsoUtc("2024-02-29T23:59:59Z") + 1.0 / 86400.0, *ParseIsoUtc("2024-03-01T00:00:00Z"));
    for (const char* text : {"2026-12-08T01:30:07Z", "1999-12-31T23:59:59Z", "2024-02-29T00:00:00Z",
                             "1957-10-04T19:28:34Z", "2100-03-01T06:07:08Z"})
        EXPECT_EQ(FormatIsoUtcSeconds(*ParseIsoUtc(text)), text);
    // Dates a hair below a whole second (sums of one-second steps) keep that second;
    // real fractions are truncated.
    const double jd = *ParseIsoUtc("2026-06-21T10:23:34Z");
    EXPECT_EQ(FormatIsoUtcSeconds(jd - 1e-10), "2026-06-21T10:23:34Z");
    EXPECT_EQ(FormatIsoUtcSeconds(jd + 0.9 / 86400.0), "2026-06-21T10:23:34Z");
    EXPECT_EQ(FormatIsoUtcSeconds(jd - 0.1 / 86400.0), "2026-06-21T10:23:33Z");
}

TEST(AstroCliTime, RejectsMalformedTimes) {
    for (const char* text : {"", "2026-01-01", "2026-01-01T00:00:00", "2026-01-01T00:00:00ZZ",
                             "2026-01-01 00:00:00Z", "2026-13-01T00:00:00Z", "2026-02-29T00:00:00Z",
                             "2026-04-31T00:00:00Z", "2026-01-01T24:00:00Z", "2026-01-01T00:60:00Z",
                             "2026-01-01T00:00:60Z", "2026-1-01T00:00:00Z", "x026-01-01T00:00:00Z",
                             "2026-+1-01T00:00:00Z", "2026-01-01T00:00:1e1Z", "2026-01-01T00:00:00.Z",
                             "2026-01-01T00:00:00.5xZ", "0000-01-01T00:00:00Z"})
        EXPECT_FALSE(ParseIsoUtc(text)) << text;
}

TEST(AstroCliArgs, ObserverAndInstants) {
    std::string error;
    auto a = ParseObserverArgs({"--lat", "-33.87", "--lon", "151.21", "--at", "2024-06-30T18:00:00Z",
                                "2024-07-01T18:00:00Z", "--at", "2024-07-02T00:00:00Z"},
                               error);
    ASSERT_TRUE(a) << error;
    EXPECT_DOUBLE_EQ(a->latitude, -33.87);
    EXPECT_DOUBLE_EQ(a->longitude, 151.21);
    EXPECT_EQ(a->instants.size(), 3u);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--lat", "10", "--lon", "0"},
          {"--lat", "91", "--lon", "0", "--at", "2024-01-01T00:00:00Z"},
          {"--lat", "10", "--lon", "180.5", "--at", "2024-01-01T00:00:00Z"},
          {"--lat", "1e", "--lon", "0", "--at", "2024-01-01T00:00:00Z"},
          {"--lat", "nan", "--lon", "0", "--at", "2024-01-01T00:00:00Z"},
          {"--lat", "10", "--lon", "0", "--at"},
          {"--lat", "10", "--lon", "0", "--at", "2024-01-01T00:00:00Z", "--alt", "5"},
          {"--lat"}}) {
        error.clear();
        EXPECT_FALSE(ParseObserverArgs(bad, error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace orvanta::cli

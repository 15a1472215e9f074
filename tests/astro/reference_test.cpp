// Sun, Moon, sidereal time and rise/set instants against an independent
// reference (Swiss Ephemeris' Moshier theory and Skyfield; see
// tools/make_astro_reference.py). Tolerances are the stated accuracy of the
// short methods: Sun 0.01 deg, Moon 10" in longitude and 4" in latitude.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"

namespace orvanta {
namespace {

constexpr double DEG = 0.017453292519943295;

std::vector<std::vector<std::string>> ReadCsv(const std::string& name) {
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/astro/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, ',')) fields.push_back(field);
        if (!line.empty() && line.back() == ',') fields.push_back("");  // empty last field
        rows.push_back(fields);
    }
    return rows;
}

// Angle a - b in (-180, 180].
double AngleDiff(double a, double b) { return std::remainder(a - b, 360.0); }

TEST(Reference, SunMoonAndSiderealTimeOverSixDecades) {
    const auto rows = ReadCsv("sun_moon_reference.csv");
    ASSERT_EQ(rows.size(), 36u);
    double worstSun = 0, worstMoon = 0, worstGast = 0, worstDist = 0;
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 7u);
        const double jd = std::stod(r[0]);
        const double gast = ApparentSiderealTime(jd);
        worstGast = std::max(worstGast, std::fabs(AngleDiff(gast, std::stod(r[1]))));

        double ra, dec;
        SunEquatorial(jd, ra, dec);
        const double sunSep = std::hypot(AngleDiff(ra, std::stod(r[2])) * std::cos(dec * DEG), dec - std::stod(r[3]));
        worstSun = std::max(worstSun, sunSep);

        double dist;
        MoonEquatorial(jd, ra, dec, dist);
        const double moonSep =
            std::hypot(AngleDiff(ra, std::stod(r[4])) * std::cos(dec * DEG), dec - std::stod(r[5]));
        worstMoon = std::max(worstMoon, moonSep);
        worstDist = std::max(worstDist, std::fabs(dist - std::stod(r[6])));
    }
    // Short nutation series: 0.5" in longitude.
    EXPECT_LT(worstGast * 3600.0, 1.0);
    EXPECT_LT(worstSun, 0.01);
    // 10" and 4" of the truncated series, plus the aberration the series leaves out.
    EXPECT_LT(worstMoon * 3600.0, 15.0);
    EXPECT_LT(worstDist, 10.0);
}

std::optional<double> OptionalJd(const std::string& field) {
    if (field.empty()) return std::nullopt;
    return std::stod(field);
}

TEST(Reference, RiseAndSetInstants) {
    const auto rows = ReadCsv("rise_set_reference.csv");
    ASSERT_EQ(rows.size(), 18u);
    int compared = 0, none = 0;
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 7u);
        const AstroSite site(std::stod(r[1]), std::stod(r[2]));
        const double start = std::stod(r[3]);
        const RiseSetBody body = r[4] == "sun" ? RiseSetBody::Sun : RiseSetBody::Moon;
        // The Sun's 0.01 deg is a few seconds of time at these latitudes, the
        // Moon's 15" about one; a stepping fault costs 24 s or more.
        const double tolSeconds = body == RiseSetBody::Sun ? 10.0 : 3.0;
        const std::optional<double> got[2] = {NextRise(body, start, site), NextSet(body, start, site)};
        const std::optional<double> want[2] = {OptionalJd(r[5]), OptionalJd(r[6])};
        for (int k = 0; k < 2; ++k) {
            const std::string what = r[0] + " " + r[3] + " " + r[4] + (k == 0 ? " rise" : " set");
            ASSERT_EQ(got[k].has_value(), want[k].has_value()) << what;
            if (!want[k]) {
                ++none;
                continue;
            }
            // The result is the first whole second at or past the crossing.
            EXPECT_NEAR((*got[k] - *want[k]) * 86400.0, 0.5, tolSeconds) << what;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 29);
    EXPECT_EQ(none, 7);
}

}  // namespace
}  // namespace orvanta

// Rise and set searches: thresholds, the order of the coming events, the
// one-second result, and bodies that do not cross within 48 hours.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"

namespace orvanta {
namespace {

constexpr double SECOND = 1.0 / 86400.0;

// Julian date of a UTC calendar instant (proleptic Gregorian).
double Jd(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468.0;
    return 2440587.5 + days + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

double Elevation(RiseSetBody body, double jd, const AstroSite& site, double* distance = nullptr) {
    double az, el, dist = 0;
    if (body == RiseSetBody::Sun)
        SunHorizontal(jd, site, az, el);
    else
        MoonHorizontal(jd, site, az, el, dist);
    if (distance) *distance = dist;
    return el;
}

double Threshold(RiseSetBody body, double startJd, const AstroSite& site) {
    if (body == RiseSetBody::Sun) return SUN_RISE_THRESHOLD;
    double distance;
    Elevation(body, startJd, site, &distance);
    return MoonRiseThreshold(distance);
}

// A rise is the first whole-second step at or above the threshold.
void ExpectRiseAt(RiseSetBody body, double start, double rise, const AstroSite& site) {
    const double h0 = Threshold(body, start, site);
    EXPECT_GE(Elevation(body, rise, site), h0);
    EXPECT_LT(Elevation(body, rise - SECOND, site), h0);
}

void ExpectSetAt(RiseSetBody body, double start, double set, const AstroSite& site) {
    const double h0 = Threshold(body, start, site);
    EXPECT_LE(Elevation(body, set, site), h0);
    EXPECT_GT(Elevation(body, set - SECOND, site), h0);
}

TEST(RiseSetThreshold, MoonSemidiameter) {
    EXPECT_NEAR(MoonRiseThreshold(363000.0), -0.5 * 987.53 / 3600.0, 1e-6);
    EXPECT_NEAR(MoonRiseThreshold(363000.0), -0.13715, 1e-5);
    EXPECT_NEAR(MoonRiseThreshold(405000.0), -0.12293, 5e-6);
    EXPECT_DOUBLE_EQ(SUN_RISE_THRESHOLD, -50.0 / 60.0);
}

TEST(SunRiseSet, SunUpAtStartGivesTodaysSetAndTomorrowsRise) {
    const AstroSite berlin(52.52, 13.405);
    const double noon = Jd(2024, 3, 20, 11, 0, 0);
    const auto set = NextSet(RiseSetBody::Sun, noon, berlin);
    const auto rise = NextRise(RiseSetBody::Sun, noon, berlin);
    ASSERT_TRUE(set && rise);
    // Equinox: sunset near 17:20 UT, sunrise next day near 05:05 UT.
    EXPECT_NEAR(*set, Jd(2024, 3, 20, 17, 21, 0), 10.0 / 1440.0);
    EXPECT_NEAR(*rise, Jd(2024, 3, 21, 5, 4, 0), 10.0 / 1440.0);
    EXPECT_LT(*set, *rise);
    ExpectSetAt(RiseSetBody::Sun, noon, *set, berlin);
    ExpectRiseAt(RiseSetBody::Sun, noon, *rise, berlin);
}

TEST(SunRiseSet, SunDownAtStartGivesTodaysRiseThenSet) {
    const AstroSite sydney(-33.87, 151.21);
    // 2024 June 30, 18:00 UT is 04:00 local: the Sun is down.
    const double start = Jd(2024, 6, 30, 18, 0, 0);
    ASSERT_LT(Elevation(RiseSetBody::Sun, start, sydney), SUN_RISE_THRESHOLD);
    const auto rise = NextRise(RiseSetBody::Sun, start, sydney);
    const auto set = NextSet(RiseSetBody::Sun, start, sydney);
    ASSERT_TRUE(rise && set);
    EXPECT_LT(*rise, *set);
    EXPECT_LT(*rise - start, 0.5);
    EXPECT_NEAR(*set - *rise, 9.9 / 24.0, 0.3 / 24.0);
    ExpectRiseAt(RiseSetBody::Sun, start, *rise, sydney);
    ExpectSetAt(RiseSetBody::Sun, start, *set, sydney);
}

TEST(SunRiseSet, PolarDayAndNightHaveNoCrossing) {
    const AstroSite svalbard(78.22, 15.65);
    for (double start : {Jd(2026, 6, 21, 0, 0, 0), Jd(2026, 12, 21, 0, 0, 0)}) {
        EXPECT_FALSE(NextRise(RiseSetBody::Sun, start, svalbard)) << start;
        EXPECT_FALSE(NextSet(RiseSetBody::Sun, start, svalbard)) << start;
    }
    // Near the equinox the Sun rises and sets there like anywhere else.
    const double march = Jd(2026, 3, 20, 0, 0, 0);
    const auto rise = NextRise(RiseSetBody::Sun, march, svalbard);
    const auto set = NextSet(RiseSetBody::Sun, march, svalbard);
    ASSERT_TRUE(rise && set);
    ExpectRiseAt(RiseSetBody::Sun, march, *rise, svalbard);
    ExpectSetAt(RiseSetBody::Sun, march, *set, svalbard);
}

TEST(MoonRiseSet, MidLatitudeRisesAndSetsToTheSecond) {
    const AstroSite site(48.85, 2.35);
    // A month of starts every 17 hours: every phase, Moon up and down at start.
    for (double start = Jd(2025, 1, 1) + 0.3 * SECOND; start < Jd(2025, 2, 1); start += 17.0 / 24.0) {
        const auto rise = NextRise(RiseSetBody::Moon, start, site);
        const auto set = NextSet(RiseSetBody::Moon, start, site);
        ASSERT_TRUE(rise && set) << start;
        EXPECT_GT(*rise, start);
        EXPECT_GT(*set, start);
        EXPECT_LT(*rise - start, 2.0);
        EXPECT_LT(*set - start, 2.0);
        ExpectRiseAt(RiseSetBody::Moon, start, *rise, site);
        ExpectSetAt(RiseSetBody::Moon, start, *set, site);
        // Results lie on whole seconds after the start, however many steps it took.
        for (double secs : {(*rise - start) * 86400.0, (*set - start) * 86400.0})
            EXPECT_NEAR(secs, std::round(secs), 1e-3);
        // The body is up at start exactly when the set comes before the rise.
        const bool up = Elevation(RiseSetBody::Moon, start, site) > Threshold(RiseSetBody::Moon, start, site);
        EXPECT_EQ(up, *set < *rise) << start;
    }
}

TEST(MoonRiseSet, CircumpolarAndNeverRisingMoonAtHighLatitude) {
    const AstroSite svalbard(78.22, 15.65);
    const double h0Margin = 1.0;
    int up = 0, down = 0;
    // Through two months of 2025 (major lunar standstill) the Moon spends days
    // above and days below the horizon of 78 deg N.
    for (double start = Jd(2025, 6, 1); start < Jd(2025, 8, 1); start += 0.5) {
        const auto rise = NextRise(RiseSetBody::Moon, start, svalbard);
        const auto set = NextSet(RiseSetBody::Moon, start, svalbard);
        bool staysUp = true, staysDown = true;
        for (double t = start; t <= start + 2.0; t += 1.0 / 24.0) {
            const double el = Elevation(RiseSetBody::Moon, t, svalbard);
            staysUp = staysUp && el > h0Margin;
            staysDown = staysDown && el < -h0Margin;
        }
        if (staysUp || staysDown) {
            EXPECT_FALSE(set) << start;
            EXPECT_FALSE(rise) << start;
            up += staysUp;
            down += staysDown;
        }
        if (rise) ExpectRiseAt(RiseSetBody::Moon, start, *rise, svalbard);
        if (set) ExpectSetAt(RiseSetBody::Moon, start, *set, svalbard);
    }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
}

TEST(SunRiseSet, UnusableStartGivesNoCrossing) {
    const AstroSite site(48.85, 2.35);
    for (double bad : {NAN, INFINITY, -INFINITY})
        for (RiseSetBody body : {RiseSetBody::Sun, RiseSetBody::Moon}) {
            EXPECT_FALSE(NextRise(body, bad, site));
            EXPECT_FALSE(NextSet(body, bad, site));
        }
}

TEST(RefreshRiseSet, FormatsInOrderAndSaysWhenThereIsNone) {
    const AstroSite svalbard(78.22, 15.65);
    const double start = Jd(2026, 6, 21, 0, 0, 0);
    std::vector<double> formatted;
    const RiseSetTexts texts = RefreshRiseSet(start, svalbard, [&](double jd) {
        formatted.push_back(jd);
        return std::string("T") + std::to_string(formatted.size());
    });
    EXPECT_EQ(texts.sunrise, "none within 48 h");
    EXPECT_EQ(texts.sunset, "none within 48 h");
    const auto moonrise = NextRise(RiseSetBody::Moon, start, svalbard);
    const auto moonset = NextSet(RiseSetBody::Moon, start, svalbard);
    std::vector<double> expected;
    if (moonrise) expected.push_back(*moonrise);
    if (moonset) expected.push_back(*moonset);
    EXPECT_EQ(formatted, expected);
    EXPECT_EQ(texts.moonrise, moonrise ? "T1" : "none within 48 h");
}

TEST(RefreshRiseSet, TextsAreCutTo99Characters) {
    const AstroSite site(48.85, 2.35);
    const double start = Jd(2025, 1, 10, 12, 0, 0);
    int calls = 0;
    const RiseSetTexts texts = RefreshRiseSet(start, site, [&](double) {
        ++calls;
        return std::string(150, 'x');
    });
    EXPECT_EQ(calls, 4);
    for (const std::string* s : {&texts.sunrise, &texts.sunset, &texts.moonrise, &texts.moonset})
        EXPECT_EQ(s->size(), 99u);
}

}  // namespace
}  // namespace orvanta

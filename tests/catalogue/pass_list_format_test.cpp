#include <gtest/gtest.h>

#include "catalogue/pass_list_format.h"
#include "common/time_format.h"

using namespace orvanta;

namespace {
// 2026-05-07 00:00:00 UTC
constexpr double kMidnight = 2461167.5;
constexpr double kSecond = 1.0 / 86400.0;
}  // namespace

TEST(PassListFormat, RowTimeDayPrefixAndClockForms) {
    RowTimeOptions utc24{0, true};
    const double now = kMidnight + 10 * 3600 * kSecond;  // 10:00:00
    // 2.5 days ahead shows "+2"; less than a day ahead no prefix.
    EXPECT_EQ(FormatRowTime(now + 2.5, now, utc24), "+2   22:00:00");
    EXPECT_EQ(FormatRowTime(now + 0.99, now, utc24), "09:45:36");
    // A pass in progress has its AOS in the past: no prefix, no minus sign.
    EXPECT_EQ(FormatRowTime(now - 300 * kSecond, now, utc24), "09:55:00");

    RowTimeOptions local12{120, false};
    EXPECT_EQ(FormatRowTime(now, now, local12), "12:00:00 PM");
    EXPECT_EQ(FormatRowTime(now + 1.6, now, local12), "+1   2:24:00 AM");
    RowTimeOptions west{-300, true};
    EXPECT_EQ(FormatRowTime(kMidnight + 2 * 3600 * kSecond, kMidnight, west), "21:00:00");
}

TEST(PassListFormat, TimeOfDaySurvivesRoundingBelowTheSecond) {
    const TimeOfDay t = JulianTimeOfDay(kMidnight + 0.75 - 1e-10);
    EXPECT_EQ(t.hour, 18);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(FormatTime12h({0, 5, 7}), "12:05:07 AM");
    EXPECT_EQ(FormatTime12h({12, 0, 0}), "12:00:00 PM");
    EXPECT_EQ(FormatTime12h({23, 59, 59}), "11:59:59 PM");
}

TEST(PassListFormat, CountdownHoursPastADayAndPastTargets) {
    const double now = kMidnight;
    EXPECT_EQ(FormatCountdown(now + 65 * kSecond, now), "00:01:05");
    EXPECT_EQ(FormatCountdown(now + 1.5, now), "36:00:00");
    EXPECT_EQ(FormatCountdown(now - kSecond, now), "00:00:00");
}

TEST(PassListFormat, CellTexts) {
    EXPECT_EQ(FormatSatelliteCell("ISS (ZARYA)", 25544), "ISS (ZARYA)   (25544)");
    EXPECT_EQ(FormatSatelliteCell("SAT", 5), "SAT   (00005)");
    EXPECT_EQ(FormatAzimuthCell(7.9), "007");
    EXPECT_EQ(FormatAzimuthCell(359.99), "359");
    EXPECT_EQ(FormatMaxElevationCell(187.4, 5.6), "187 @ 05");
    EXPECT_EQ(FormatDurationCell(kMidnight, kMidnight + 605 * kSecond), "10m 05s");
    // LOS a rounding error short of a whole second still counts the full second.
    EXPECT_EQ(FormatDurationCell(kMidnight, kMidnight + 60 * kSecond - 1e-11), "1m 00s");
    EXPECT_EQ(FormatLiveAzimuth(5.25), "005.2");
    EXPECT_EQ(FormatLiveElevation(3.14), "03.1");
    EXPECT_EQ(FormatLiveRange(1234.56), "1234.6");
    EXPECT_EQ(FormatFlareCell("10:00:00", -2.346, 120.04, 45.06),
              "10:00:00 M: -2.35 Az: 120.0 El: 45.1");
}

TEST(PassListFormat, HeadersAndLocaleTime) {
    EXPECT_EQ(PassListHeader("AOS", "UTC"), "AOS  (UTC)");
    EXPECT_EQ(PassListHeader("LOS", "CEST"), "LOS  (CEST)");
    // Without the 24-hour form the locale's own time format is used, prefix kept.
    struct Dotted : IDateTimeRenderer {
        std::string ShortDate(const CalendarFields&) const override { return "d"; }
        std::string TimeOfDay(const CalendarFields& f) const override {
            return std::to_string(f.hour) + "." + std::to_string(f.minute) + "." +
                   std::to_string(f.second);
        }
    } dotted;
    RowTimeOptions locale{60, false, &dotted};
    EXPECT_EQ(FormatRowTime(kMidnight + 3.5, kMidnight, locale), "+3   13.0.0");
}

TEST(PassListFormat, ColoursByElevationAndColumn) {
    EXPECT_EQ(PassTextColour(true, 10.5, 40), (Rgb{0, 255, 0}));
    EXPECT_EQ(PassTextColour(true, 10.0, 40), (Rgb{185, 146, 30}));
    EXPECT_EQ(PassTextColour(false, 0, 0), (Rgb{92, 92, 92}));
    EXPECT_EQ(PassTextColour(false, 0, 90), (Rgb{254, 254, 254}));
    EXPECT_EQ(PassTextColour(false, 0, 45), (Rgb{173, 173, 173}));

    for (int c : {1, 3, 5, 7, 9, 11}) EXPECT_EQ(PassCellBackground(c), (Rgb{32, 32, 32})) << c;
    for (int c : {0, 2, 4, 6, 8, 10, 12}) EXPECT_EQ(PassCellBackground(c), (Rgb{0, 0, 0})) << c;
    EXPECT_FALSE(PassCellBackground(COL_FLARE).has_value());
}

TEST(PassListFormat, RowIconPrecedence) {
    EXPECT_EQ(PassRowIcon(true, true, true, ICON_DARK), ICON_FLARE);
    EXPECT_EQ(PassRowIcon(false, true, true, ICON_DARK), ICON_LUNAR_PASS);
    EXPECT_EQ(PassRowIcon(false, true, false, ICON_DARK), ICON_LUNAR_START_ONLY);
    EXPECT_EQ(PassRowIcon(false, false, true, ICON_DARK), ICON_LUNAR_END_ONLY);
    EXPECT_EQ(PassRowIcon(false, false, false, ICON_TWILIGHT), ICON_TWILIGHT);
}

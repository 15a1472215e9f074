// Pass alerts on a fake real-time clock: when each fires, that it fires once across a
// re-search, what is never fired (late, simulated, not chosen), the text, and the settings.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "catalogue/pass_alerts.h"
#include "tests/common/memory_settings_fixture.h"

namespace orvanta {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kAos = 2461168.5 + 19.7 / 24.0 + 5 * kSecond;  // 2026-05-08 19:42:05 UTC

PassAlertRow Iss(double aos = kAos, bool visible = true) {
    static std::deque<PassRecord> records;  // the rows point into the pass table
    PassRecord& r = records.emplace_back();
    PassAlertRow row{25544, "ISS (ZARYA)     ", &r};
    r.aos = aos;
    r.los = aos + 600 * kSecond;
    r.riseAzimuth = 251.3;
    r.maxElevation = 62.0;
    r.visibilityKnown = 1;
    r.culmination = aos + 300 * kSecond;
    r.culminationElevation = 63.4;
    if (visible) {
        r.visibleStart = aos;
        r.visibleEnd = r.los;
        r.brightestTime = r.culmination;
        r.brightestMagnitude = -3.14;
    }
    return row;
}

PassAlertSettings ForIss() {
    PassAlertSettings s;
    s.satellites = {25544};
    return s;
}

const RowTimeOptions k24h{0, true, nullptr};

TEST(PassAlerts, LeadAndRiseFireOnceEachEvenWhenAReSearchMovesTheAos) {
    PassAlerts alerts;
    const PassAlertSettings s = ForIss();
    std::vector<PassAlertRow> rows{Iss()};
    EXPECT_TRUE(alerts.Due(rows, s, kAos - 601 * kSecond, true, k24h).empty());
    auto due = alerts.Due(rows, s, kAos - 600 * kSecond, true, k24h);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].kind, PassAlertKind::Lead);
    EXPECT_EQ(due[0].title, "ISS (ZARYA)");
    EXPECT_EQ(due[0].text,
              "ISS (ZARYA) rises in 10 min at 19:42:05, azimuth 251\xC2\xB0 (WSW), "
              "max. elevation 63\xC2\xB0, magnitude -3.1");
    EXPECT_TRUE(alerts.Due(rows, s, kAos - 599 * kSecond, true, k24h).empty());
    // The list is searched again: the same pass, AOS two seconds later.
    rows = {Iss(kAos + 2 * kSecond)};
    EXPECT_TRUE(alerts.Due(rows, s, kAos - 590 * kSecond, true, k24h).empty());
    due = alerts.Due(rows, s, kAos + 2 * kSecond, true, k24h);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].kind, PassAlertKind::Rise);
    EXPECT_EQ(due[0].text.rfind("ISS (ZARYA) rises now at 19:42:07, azimuth", 0), 0u);
    EXPECT_TRUE(alerts.Due(rows, s, kAos + 3 * kSecond, true, k24h).empty());
    // The next pass, 90 minutes on, is a new one.
    rows = {Iss(kAos + 5400 * kSecond)};
    EXPECT_EQ(alerts.Due(rows, s, kAos + 4800 * kSecond, true, k24h).size(), 1u);
}

TEST(PassAlerts, NothingLateSimulatedUnchosenOrInvisibleWhenOnlyVisibleAreWanted) {
    const std::vector<PassAlertRow> rows{Iss(), Iss(kAos + 3 * kSecond, false)};
    PassAlertSettings s = ForIss();
    // Started (or woken) more than a minute after the lead time: that alert is missed.
    PassAlerts late;
    EXPECT_TRUE(late.Due({Iss()}, s, kAos - 539 * kSecond, true, k24h).empty());
    PassAlerts barelyLate;
    EXPECT_EQ(barelyLate.Due({Iss()}, s, kAos - 541 * kSecond, true, k24h).size(), 1u);
    // The rows of a simulated time are not the real passes.
    PassAlerts simulated;
    EXPECT_TRUE(simulated.Due(rows, s, kAos - 600 * kSecond, false, k24h).empty());
    EXPECT_TRUE(simulated.Due(rows, s, kAos, false, k24h).empty());
    PassAlerts unchosen;
    EXPECT_TRUE(unchosen.Due(rows, PassAlertSettings{}, kAos, true, k24h).empty());
    // Visible only: the dark pass (catalogued under another number) is left out.
    std::vector<PassAlertRow> mixed{Iss(), Iss(kAos, false)};
    mixed[1].catalogueNumber = 20580;
    s.satellites.insert(20580);
    s.visibleOnly = true;
    s.leadMinutes = 0;  // at AOS only
    PassAlerts visible;
    const auto due = visible.Due(mixed, s, kAos, true, k24h);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].catalogueNumber, 25544);
    EXPECT_EQ(due[0].kind, PassAlertKind::Rise);
}

TEST(PassAlerts, TextsCompassAndNextPass) {
    EXPECT_STREQ(CompassPoint(0), "N");
    EXPECT_STREQ(CompassPoint(11.2), "N");
    EXPECT_STREQ(CompassPoint(11.3), "NNE");
    EXPECT_STREQ(CompassPoint(359), "N");
    EXPECT_STREQ(CompassPoint(-90), "W");
    const std::string dark = PassAlertText(Iss(kAos, false), PassAlertKind::Rise, 10,
                                           RowTimeOptions{120, false, nullptr});
    EXPECT_EQ(dark, "ISS (ZARYA) rises now at 9:42:05 PM, azimuth 251\xC2\xB0 (WSW), "
                    "max. elevation 63\xC2\xB0");
    const std::vector<PassAlertRow> rows{Iss(kAos + 86400 * kSecond), Iss()};
    EXPECT_EQ(NextPassText(rows, kAos - 4320 * kSecond, k24h), "Next: ISS (ZARYA) 19:42:05 in 1h 12m");
    EXPECT_EQ(NextPassText(rows, kAos + kSecond, k24h), "Now: ISS (ZARYA) until 19:52:05");
    EXPECT_EQ(NextPassText(rows, kAos + 700 * kSecond, k24h), "Next: ISS (ZARYA) 19:42:05 in 23h 48m");
    EXPECT_EQ(NextPassText({}, kAos, k24h), "");
}

using PassAlertSettingsTest = test::MemorySettingsTest;

TEST_F(PassAlertSettingsTest, DefaultsRoundTripAndDamagedValues) {
    EXPECT_EQ(ReadPassAlertSettings(), PassAlertSettings{});
    PassAlertSettings s;
    s.satellites = {25544, 33591};
    s.visibleOnly = true;
    s.leadMinutes = 5;
    s.sound = true;
    s.closeToTray = true;
    ASSERT_TRUE(WritePassAlertSettings(s));
    EXPECT_EQ(ReadPassAlertSettings(), s);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    reg.WriteString("Alert Satellites", "25544,,x,-3,7z,33591");
    reg.WriteDword("Alert Minutes", -1);
    const PassAlertSettings damaged = ReadPassAlertSettings(reg);
    EXPECT_EQ(damaged.satellites, (std::set<std::int32_t>{25544, 33591}));
    EXPECT_EQ(damaged.leadMinutes, 10);
}

}  // namespace
}  // namespace orvanta

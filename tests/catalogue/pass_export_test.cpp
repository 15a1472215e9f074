// Pass export formats: CSV quoting and empty fields, iCalendar escaping and line folding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/pass_export.h"

namespace orvanta {
namespace {

constexpr double kDay = 2461168.5;  // 2026-05-08 00:00 UTC

PassExportRow Row(const std::string& name, bool visible) {
    PassExportRow row;
    row.catalogueNumber = 25544;
    row.name = name;
    PassRecord& r = row.record;
    r.aos = kDay + 0.25;
    r.los = r.aos + 600.0 / 86400.0;
    r.riseAzimuth = 200.0;
    r.setAzimuth = 80.0;
    r.maxElevation = 40.0;
    r.lighting = LIGHTING_DARK;
    r.visibilityKnown = 1;
    r.culmination = r.aos + 300.0 / 86400.0;
    r.culminationElevation = 40.123;
    r.sunlitAtAos = visible ? 1 : 0;
    if (visible) {
        r.visibleStart = r.aos + 60.0 / 86400.0;
        r.visibleEnd = r.los;
        r.visibleMaxElevation = 40.123;
        r.brightestTime = r.culmination;
        r.brightestMagnitude = -2.04;
    }
    return row;
}

std::vector<std::string> Split(const std::string& text, const std::string& sep) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (std::size_t next; (next = text.find(sep, pos)) != std::string::npos; pos = next + sep.size())
        out.push_back(text.substr(pos, next - pos));
    out.push_back(text.substr(pos));
    return out;
}

TEST(PassCsv, VisibilityColumnsFilledOrEmptyAndNamesQuoted) {
    const std::string seen = PassCsvRow(Row("ISS (ZARYA)   ", true));
    EXPECT_EQ(seen,
              "25544,ISS (ZARYA),2026-05-08T06:00:00Z,2026-05-08T06:10:00Z,200.00,40.00,0.00,80.00,"
              "600,night,,,,,,,2026-05-08T06:05:00Z,40.12,1,2026-05-08T06:01:00Z,"
              "2026-05-08T06:10:00Z,40.12,-2.0,2026-05-08T06:05:00Z\n");
    const std::string dark = PassCsvRow(Row("A \"B\", C", false));
    EXPECT_EQ(dark.rfind("25544,\"A \"\"B\"\", C\",", 0), 0u) << dark;
    const auto f = Split(dark.substr(0, dark.size() - 1), ",");
    ASSERT_EQ(f.size(), 25u);  // the quoted name holds one comma
    EXPECT_EQ(f[17], "2026-05-08T06:05:00Z");
    EXPECT_EQ(f[18], "40.12");
    EXPECT_EQ(f[19], "0");
    for (std::size_t i = 20; i < 25; ++i) EXPECT_EQ(f[i], "") << i;
    PassExportRow unknown = Row("X", false);
    unknown.record.visibilityKnown = 0;
    EXPECT_EQ(Split(PassCsvRow(unknown), ",").size(), 24u);
    EXPECT_EQ(Split(PassCsvHeader(), ",").size(), 24u);
}

// Angles and magnitudes are printf's "%.2f" and "%.1f" to the character, also for values
// next to a rounding half, negative values that round to zero and values too big for a
// shortcut.
TEST(PassCsv, NumbersAsPrintfWritesThem) {
    const std::vector<std::string> header = Split(PassCsvHeader(), ",");
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t az = column("rise_az"), mag = column("brightest_mag");
    std::vector<double> values = {0.0,  -0.0,      0.005,  0.015,  2.675,   0.125, 0.05,
                                  0.25, -0.004,    -0.04,  -0.045, 359.995, 1e9,   -1e9,
                                  3e15, 1.0 / 3.0, 89.995, 90.0,   -2.05,   -2.15, 1e-300};
    for (double x = -400.0; x < 400.0; x += 0.0123457) values.push_back(x);
    for (int k = -4000; k <= 4000; ++k) values.push_back(k / 200.0);  // halves of 0.01
    int differ = 0;
    for (double v : values) {
        PassExportRow row = Row("SAT", true);
        row.record.riseAzimuth = v;
        row.record.brightestMagnitude = v;
        const std::vector<std::string> f = Split(PassCsvRow(row), ",");
        char two[400], one[400];
        std::snprintf(two, sizeof two, "%.2f", v);
        std::snprintf(one, sizeof one, "%.1f", v);
        differ += f[az] != two || f[mag] != one;
        if (f[az] != two || f[mag] != one) ADD_FAILURE() << v << ": " << f[az] << " " << f[mag];
        if (differ > 5) break;
    }
    EXPECT_EQ(differ, 0);
}

TEST(PassICalendar, EscapedFoldedAndOneEventPerPass) {
    const std::string cal =
        PassesICalendar({Row("ISS; \"ZARYA\", a very long name indeed to force folding", true),
                         Row("NOAA 20", false)},
                        kDay);
    const auto lines = Split(cal, "\r\n");
    ASSERT_EQ(lines.back(), "");  // ends with CRLF
    int events = 0;
    std::string unfolded;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 75u) << lines[i];
        EXPECT_EQ(lines[i].find('\n'), std::string::npos);
        if (lines[i] == "BEGIN:VEVENT") ++events;
        if (!lines[i].empty() && lines[i][0] == ' ')
            unfolded += lines[i].substr(1);
        else
            unfolded += "\n" + lines[i];
    }
    EXPECT_EQ(events, 2);
    EXPECT_NE(unfolded.find("\nSUMMARY:ISS\\; \"ZARYA\"\\, a very long name indeed to force "
                            "folding (25544)\\, culmination 40.1\xC2\xB0\\, visible"),
              std::string::npos)
        << unfolded;
    EXPECT_NE(unfolded.find("\nUID:25544-20260508T060000Z@orvanta"), std::string::npos);
    EXPECT_NE(unfolded.find("\nDTSTART:20260508T060000Z\nDTEND:20260508T061000Z"),
              std::string::npos);
    EXPECT_NE(unfolded.find("\\nBrightest -2.0 mag at 06:05:00 UTC."), std::string::npos);
    EXPECT_NE(unfolded.find("\\nVisible 06:01:00\xE2\x80\x93" "06:10:00 UTC"), std::string::npos);
}

TEST(PassICalendar, AlarmIsAddedInsideTheEventAndChangesNothingElse) {
    const PassExportRow row = Row("ISS (ZARYA)", true);
    const std::string plain = PassICalEvent(row, kDay);
    EXPECT_EQ(plain.find("VALARM"), std::string::npos);
    const std::string alarmed = PassICalEvent(row, kDay, 15);
    const std::string alarm =
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\n"
        "DESCRIPTION:ISS (ZARYA) (25544)\\, culmination 40.1\xC2\xB0\\, visible\r\n"
        "TRIGGER:-PT15M\r\nEND:VALARM\r\n";
    const std::size_t end = plain.find("END:VEVENT\r\n");
    ASSERT_NE(end, std::string::npos);
    std::string expected = plain;
    expected.insert(end, alarm);
    EXPECT_EQ(alarmed, expected);
    EXPECT_NE(PassesICalendar({row}, kDay, 0).find("TRIGGER:-PT0M\r\n"), std::string::npos);
}

}  // namespace
}  // namespace orvanta

// Pass export formats: CSV quoting and empty fields, iCalendar escaping and line folding.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
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

// printf's "%.*f", with a NaN spelt as glibc spells it: msvcrt drops the sign, while the
// rows keep it on every system.
std::string PrintfFixed(double v, int decimals) {
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    char b[400];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

// The row as the snprintf formatter wrote it: the reference the faster one must match.
std::string ReferenceRow(const PassExportRow& row) {
    const PassRecord& r = row.record;
    const auto time = [](double jd) {
        const UtcSeconds u = UtcSecondsFromJd(jd);
        char b[64];
        std::snprintf(b, sizeof b, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                      static_cast<long long>(u.year), u.month, u.day, u.hour, u.minute, u.second);
        return std::string(b);
    };
    const auto orEmpty = [&](double jd) { return jd != 0.0 ? time(jd) : std::string(); };
    const auto fixed = [](double v, int decimals) { return PrintfFixed(v, decimals); };
    std::string name = row.name;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r'))
        name.pop_back();
    if (name.find_first_of(",\"\r\n") != std::string::npos) {
        std::string quoted = "\"";
        for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        name = quoted + "\"";
    }
    const char* light = r.lighting == LIGHTING_SUNLIT     ? "day"
                        : r.lighting == LIGHTING_DARK     ? "night"
                        : r.lighting == LIGHTING_TWILIGHT ? "twilight"
                                                          : "";
    std::string text = std::to_string(row.catalogueNumber);
    const auto add = [&](const std::string& field) { text += "," + field; };
    for (const std::string& field : {name, time(r.aos), time(r.los)}) add(field);
    for (double v : {r.riseAzimuth, r.maxElevation, r.midAzimuth, r.setAzimuth}) add(fixed(v, 2));
    add(std::to_string(std::llround((r.los - r.aos) * 86400.0)));
    for (const std::string& field :
         {std::string(light), orEmpty(r.lunarStart), orEmpty(r.lunarEnd)})
        add(field);
    if (const int k = r.LastCompletedFlare(); k >= 0) {
        add(time(r.flareStart[k]));
        for (double v : {r.flareMagnitude, r.flareAzimuth, r.flareElevation}) add(fixed(v, 1));
    } else {
        text += ",,,,";
    }
    if (!r.visibilityKnown) return text + ",,,,,,,,\n";
    const bool window = r.HasVisibleWindow(), bright = r.brightestTime != 0.0;
    for (const std::string& field :
         {orEmpty(r.culmination), r.culmination != 0.0 ? fixed(r.culminationElevation, 2) : "",
          std::string(r.sunlitAtAos ? "1" : "0"), window ? time(r.visibleStart) : "",
          window ? time(r.visibleEnd) : "", window ? fixed(r.visibleMaxElevation, 2) : "",
          bright ? fixed(r.brightestMagnitude, 1) : "", bright ? time(r.brightestTime) : ""})
        add(field);
    return text + "\n";
}

// Random records over every branch of a row: rounding ties, negatives that round to zero,
// huge, tiny and non-finite numbers, times next to midnight, before 1970 and past 9999,
// empty visibility fields, names to quote and one longer than any row.
TEST(PassCsv, RowsMatchTheSnprintfFormatterOnRandomRecords) {
    std::mt19937_64 rng(20260508);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto uniform = [&](double lo, double hi) {
        return lo + (hi - lo) * (rng() >> 11) * 0x1p-53;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> special = {
        0.0,    -0.0,    0.005, -0.004, -0.05, 2.675,         1.005,
        0.125,  359.995, -2.05, 1e9,    -1e9,  3e15,          -1e300,
        5e-324, nan,     -nan,  inf,    -inf,  999999999.995, std::nextafter(1e9, 0.0)};
    const auto number = [&]() {
        std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        const int kind = pick(6);
        return kind == 0   ? uniform(-400.0, 400.0)
               : kind == 1 ? (pick(160001) - 80000) / 200.0  // halves of 0.01
               : kind == 2 ? (pick(16001) - 8000) / 20.0     // halves of 0.1
               : kind == 3 ? v
               : kind == 4 ? uniform(-1.0, 1.0) * std::pow(10.0, pick(24) - 8)
                           : special[rng() % special.size()];
    };
    // 1970, the leap days 2000-02-29 and 2028-02-29, 9999-12-31, the year 9900, the year 1
    // and dates of more or fewer year digits.
    const double days[] = {kUnixEpochJd, 2451604.5, 2461830.5, 5373483.5, 5337000.5,
                           1721425.5,    0.0,       -1e6,      1e10};
    const auto time = [&]() {
        const double day = pick(3) ? std::floor(uniform(kUnixEpochJd, 2488069.5)) : days[pick(9)];
        const int kind = pick(3);  // a millisecond either side of midnight, a whole second, any
        return kind == 0 ? day + (86400.0 - (pick(2) ? 0.0004 : 0.0006)) / 86400.0
                         : day + (kind == 1 ? pick(86400) / 86400.0 : uniform(0.0, 1.0));
    };
    std::vector<std::string> names = {"ISS (ZARYA)   ", "",     " \t\r",           "A,B",
                                      "say \"hi\"",     "a\nb", "UTF-8 \xC3\x84 ", "cr\rin"};
    names.push_back(std::string(700, 'x') + "\"  ");  // longer than any row
    std::string table, expected;
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        PassExportRow row;
        row.catalogueNumber = pick(2) ? static_cast<int>(rng()) : pick(100000);
        row.name = names[rng() % names.size()];
        PassRecord& r = row.record;
        r.aos = time();
        r.los = r.aos + (pick(4) ? uniform(-99.0, 2000.0) : pick(2000) - 9 + 0.5 * pick(2)) / 86400;
        if (pick(16) == 0) r.los = time();
        for (double* v : {&r.riseAzimuth, &r.maxElevation, &r.midAzimuth, &r.setAzimuth,
                          &r.flareMagnitude, &r.flareAzimuth, &r.flareElevation,
                          &r.culminationElevation, &r.visibleMaxElevation, &r.brightestMagnitude})
            *v = number();
        r.lighting = pick(12);
        for (double* t : {&r.lunarStart, &r.lunarEnd, &r.flareStart[0], &r.flareStart[2],
                          &r.flareEnd[0], &r.flareEnd[1], &r.flareEnd[2]})
            if (pick(4) == 0) *t = time();
        r.visibilityKnown = pick(3);
        r.sunlitAtAos = pick(3);
        if (pick(3)) r.culmination = time();
        if (pick(2)) r.visibleStart = time();
        if (pick(3)) r.visibleEnd = pick(4) ? r.visibleStart + 0.001 : time();
        if (pick(2)) r.brightestTime = time();
        EXPECT_EQ(PassCsvRow(row), ReferenceRow(row)) << "row " << i;
        AppendPassCsvRow(table, row);
        expected += ReferenceRow(row);
    }
    EXPECT_TRUE(table == expected);
}

// The columns rely on to_chars with a precision writing printf's digits (round half to even
// on the exact binary value): checked on doubles of every size.
TEST(PassCsv, ToCharsWithPrecisionIsPrintf) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 100000 && !HasFailure(); ++i) {
        double v =
            std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 120) - 100);
        const std::uint64_t bits = rng();
        if (i % 2) std::memcpy(&v, &bits, sizeof v);
        const int decimals = static_cast<int>(rng() % 4);
        char a[400];
        const char* end = std::to_chars(a, a + sizeof a, v, std::chars_format::fixed, decimals).ptr;
        EXPECT_EQ(std::string(a, end - a), PrintfFixed(v, decimals));
    }
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

#include "location/user_location.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace orvanta {

namespace {

std::size_t SkipBlanks(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' ||
                            s[i] == '\v' || s[i] == '\f'))
        ++i;
    return i;
}

}  // namespace

std::string FormatAngleField(double degrees) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, degrees, std::chars_format::fixed, 6);
    if (ec != std::errc()) return "0.000000";
    return std::string(buf, end);
}

std::string FormatAltitudeField(int metres) {
    return std::to_string(metres);
}

double ReadAngleField(const std::string& text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes no sign of its own here, so "--5" and "+-5" read 0 as atof does.
    if (i >= text.size() || text[i] == '-' || text[i] == '+') return 0.0;
    double v = 0.0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v,
                                     std::chars_format::fixed | std::chars_format::scientific);
    if (ec != std::errc() || !std::isfinite(v)) return 0.0;
    return negative ? -v : v;
}

bool AngleFieldInRange(const std::string& text, double limit) {
    std::size_t i = SkipBlanks(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size() || text[i] == '-' || text[i] == '+') return true;  // reads as 0
    double v = 0.0;
    const char* first = text.data() + i;
    auto [end, ec] = std::from_chars(first, text.data() + text.size(), v,
                                     std::chars_format::fixed | std::chars_format::scientific);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double is 0; too large is far outside any range.
        const std::string_view number(first, static_cast<std::size_t>(end - first));
        const std::size_t e = number.find_first_of("eE");
        return e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    }
    if (ec != std::errc()) return true;  // no number: reads as 0
    if (std::isnan(v)) return true;
    return std::fabs(v) <= limit;
}

int ReadAltitudeField(const std::string& text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > std::int64_t{std::numeric_limits<int>::max()} + 1) break;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

std::string TimeZoneAbbreviation(const std::string& zoneName) {
    std::string abbr;
    if (zoneName.empty()) return abbr;
    abbr.push_back(zoneName[0]);
    for (std::size_t i = 1; i <= 30 && i < zoneName.size() && abbr.size() < 9; ++i)
        if (zoneName[i] >= 'A' && zoneName[i] <= 'Z') abbr.push_back(zoneName[i]);
    return abbr;
}

std::string LocalTimeLabel(const std::string& zoneName, bool zoneKnown) {
    if (!zoneKnown) return std::string(" (") + kUnknownTimezoneName + ")";
    std::string name = zoneName.substr(0, 32);
    return name + " (" + TimeZoneAbbreviation(name) + ")";
}

}  // namespace orvanta

#include "location/user_location.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
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

namespace {

// The text without surrounding blanks, its sign taken off, the decimal mark made a point;
// nullopt when a sign is doubled or nothing is left.
std::optional<std::string> NumberText(const std::string& text, const std::string& decimalMark,
                                      bool& negative) {
    std::size_t b = SkipBlanks(text), e = text.size();
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    std::string t = text.substr(b, e - b);
    negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    if (t.empty() || t[0] == '+' || t[0] == '-') return std::nullopt;
    if (!decimalMark.empty() && decimalMark != ".") {
        // One mark only: "1,234,5" is no number in any convention.
        std::size_t at = t.find(decimalMark);
        if (at != std::string::npos) {
            if (t.find('.') != std::string::npos) return std::nullopt;
            t.replace(at, decimalMark.size(), ".");
        }
    }
    return t;
}

}  // namespace

FieldReading ParseAngleField(const std::string& text, double limit,
                             const std::string& decimalMark) {
    FieldReading r;
    bool negative = false;
    std::optional<std::string> t = NumberText(text, decimalMark, negative);
    if (!t) return r;
    const char* first = t->data();
    const char* last = first + t->size();
    double v = 0.0;
    auto [end, ec] =
        std::from_chars(first, last, v, std::chars_format::fixed | std::chars_format::scientific);
    if (end != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) return r;
    if (std::isnan(v)) return r;
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double is 0; too large is far off the globe.
        const std::size_t exp = t->find_first_of("eE");
        const bool tiny = exp != std::string::npos && exp + 1 < t->size() && (*t)[exp + 1] == '-';
        if (!tiny) {
            r.status = FieldStatus::OutOfRange;
            return r;
        }
        v = 0.0;
    }
    r.value = negative ? -v : v;
    r.status = std::fabs(v) <= limit ? FieldStatus::Ok : FieldStatus::OutOfRange;
    return r;
}

FieldReading ParseAltitudeField(const std::string& text, const std::string& decimalMark) {
    FieldReading r;
    bool negative = false;
    std::optional<std::string> t = NumberText(text, decimalMark, negative);
    if (!t) return r;
    std::size_t i = 0, digits = 0;
    while (i < t->size() && std::isdigit(static_cast<unsigned char>((*t)[i]))) ++i;
    digits = i;
    if (i < t->size() && (*t)[i] == '.') {
        ++i;
        while (i < t->size() && std::isdigit(static_cast<unsigned char>((*t)[i]))) ++i, ++digits;
    }
    if (digits == 0 || i != t->size()) return r;
    r.status = FieldStatus::Ok;
    r.value = ReadAltitudeField((negative ? "-" : "") + *t);
    return r;
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

std::string LocalTimeLabel(const std::string& zoneName, const std::string& abbreviation,
                           bool zoneKnown) {
    const bool named = !abbreviation.empty() &&
                       std::all_of(abbreviation.begin(), abbreviation.end(), [](char c) {
                           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
                       });
    if (!zoneKnown || !named) return LocalTimeLabel(zoneName, zoneKnown);
    return zoneName.substr(0, 32) + " (" + abbreviation.substr(0, 9) + ")";
}

}  // namespace orvanta

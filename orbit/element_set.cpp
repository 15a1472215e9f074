#include "orbit/element_set.h"

#include <charconv>
#include <cstdio>
#include <utility>

#include "orbit/globals.h"

namespace orvanta {

namespace {

// Both element lines must reach column 68, the last one any field is cut from.
constexpr std::size_t kMinLineLength = 68;

// Columns are 1-based and inclusive, as the two-line format is documented.
std::string Columns(const std::string& line, std::size_t first, std::size_t last) {
    return line.substr(first - 1, last - first + 1);
}

std::string TrimLeft(const std::string& s) {
    const std::size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

// Signed decimal integer from the start of text: blanks skipped, optional sign, digits up to
// the first non-digit. No digits reads as 0.
long LeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < 100000000L) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

// Eight characters: sign, five mantissa digits with an implied leading point, signed
// one-digit exponent ("_12345-4" is 0.12345e-4). Printed back as "%.9f".
std::string ExponentField(const std::string& text) {
    const long m = LeadingInt(text);
    double mantissa = static_cast<double>(m < 0 ? -m : m);
    while (mantissa >= 1.0) mantissa /= 10.0;
    if (m < 0) mantissa = -mantissa;
    const long x = text.size() >= 7 ? LeadingInt(std::string_view(text).substr(6)) : 0;
    long n = x < 0 ? -x : x;
    double base = 10.0, power = 1.0;
    while (n > 0) {
        if (n & 1) power *= base;
        base *= base;
        n >>= 1;
    }
    const double value = x < 0 ? mantissa / power : mantissa * power;
    // "%.9f", but independent of the C locale.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 9);
    return std::string(buffer, result.ptr);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Alpha5Digit(char c) {
    // A..Z without I and O stand for 10..33.
    if (c < 'A' || c > 'Z' || c == 'I' || c == 'O') return -1;
    int v = 10 + (c - 'A');
    if (c > 'I') --v;
    if (c > 'O') --v;
    return v;
}

}  // namespace

int CatalogueNumberFromText(std::string_view text) {
    if (text.size() != 5) return -1;
    int first;
    const char c0 = text[0];
    if (c0 == ' ' || (c0 >= '0' && c0 <= '9')) {
        first = c0 == ' ' ? 0 : c0 - '0';
    } else {
        first = Alpha5Digit(c0 >= 'a' && c0 <= 'z' ? static_cast<char>(c0 - 'a' + 'A') : c0);
        if (first < 0) return -1;
    }
    int value = first;
    bool leading = c0 == ' ';
    for (std::size_t i = 1; i < 5; ++i) {
        const char c = text[i];
        if (c == ' ' && leading) {
            value *= 10;
        } else if (c >= '0' && c <= '9') {
            leading = false;
            value = value * 10 + (c - '0');
        } else {
            return -1;
        }
    }
    if (leading) return -1;  // all blanks
    return value;
}

std::string CatalogueNumberToText(int number) {
    if (number < 0 || number > 339999) return std::string();
    char buffer[8];
    if (number <= 99999) {
        std::snprintf(buffer, sizeof buffer, "%05d", number);
        return buffer;
    }
    static const char kLetters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ";
    std::snprintf(buffer, sizeof buffer, "%c%04d", kLetters[number / 10000 - 10], number % 10000);
    return buffer;
}

cElementSet::cElementSet(const std::string& name_, const std::string& line1_,
                         const std::string& line2_)
    : name(name_), line1(line1_), line2(line2_) {
    Parse();
}

void cElementSet::Parse() {
    if (!fields[FLD_NORADNUM].empty()) return;
    // Short lines are never cut: the set stays invalid with empty fields.
    if (line1.size() < kMinLineLength || line2.size() < kMinLineLength) return;

    fields[FLD_NORADNUM] = Columns(line1, 3, 7);
    fields[FLD_INTLDESC] = Columns(line1, 10, 17);
    fields[FLD_EPOCHYEAR] = Columns(line1, 19, 20);
    fields[FLD_EPOCHDAY] = Columns(line1, 21, 32);
    fields[FLD_MMOTIONDT] = (line1[33] == '-' ? "-0" : "0") + Columns(line1, 35, 44);
    fields[FLD_MMOTIONDT2] = ExponentField(Columns(line1, 45, 52));
    fields[FLD_BSTAR] = ExponentField(Columns(line1, 54, 61));
    fields[FLD_SET] = TrimLeft(Columns(line1, 65, 68));

    fields[FLD_I] = TrimLeft(Columns(line2, 9, 16));
    fields[FLD_RAAN] = TrimLeft(Columns(line2, 18, 25));
    fields[FLD_E] = "0." + Columns(line2, 27, 33);
    fields[FLD_ARGPER] = TrimLeft(Columns(line2, 35, 42));
    fields[FLD_M] = TrimLeft(Columns(line2, 44, 51));
    fields[FLD_MMOTION] = TrimLeft(Columns(line2, 53, 63));
    fields[FLD_ORBITNUM] = TrimLeft(Columns(line2, 64, 68));

    // A year that is not two digits or a day outside the year would give an epoch the
    // calendar cannot hold (a damaged or hostile line reads as 999999999999); such a set
    // is not usable at all.
    const std::string& year = fields[FLD_EPOCHYEAR];
    const double day = ConvertText(fields[FLD_EPOCHDAY], U_NATIVE, FLD_EPOCHDAY);
    if (!IsDigit(year[0]) || !IsDigit(year[1]) || !(day >= 1.0 && day < 367.0)) {
        fields = {};
        return;
    }
    valid = true;
}

double cElementSet::ConvertText(const std::string& text, FieldUnits units, ElementField field) {
    // Leading blanks skipped, conversion stops at the first character that cannot continue
    // a number, no digits reads 0. from_chars rather than strtod: the user interface may
    // switch the C locale to one with a decimal comma.
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end && *p == '+') ++p;
    double value = 0.0;
    if (std::from_chars(p, end, value).ec != std::errc()) value = 0.0;
    if (units == U_RAD &&
        (field == FLD_I || field == FLD_RAAN || field == FLD_ARGPER || field == FLD_M)) {
        value *= DEG_TO_RAD;
    }
    return value;
}

double cElementSet::FieldValue(ElementField field, FieldUnits units) {
    const std::int32_t key = field + 100 * units;
    const auto it = valueCache.find(key);
    if (it != valueCache.end()) return it->second;
    const double value = std::as_const(*this).FieldValue(field, units);
    valueCache.emplace(key, value);
    return value;
}

double cElementSet::FieldValue(ElementField field, FieldUnits units) const {
    if (field < 0 || field >= FLD_LAST) return 0.0;
    return ConvertText(fields[field], units, field);
}

void cElementSet::FieldText(ElementField field, std::string& text, bool withUnits) const {
    if (field < 0 || field >= FLD_LAST) {
        text.clear();
        return;
    }
    text = fields[field];
    if (!withUnits) return;
    switch (field) {
        case FLD_I:
        case FLD_RAAN:
        case FLD_ARGPER:
        case FLD_M:
            text += " degrees";
            break;
        case FLD_MMOTION:
            text += " revs / day";
            break;
        default:
            break;
    }
}

std::string cElementSet::FieldText(ElementField field, bool withUnits) const {
    std::string text;
    FieldText(field, text, withUnits);
    return text;
}

cJulianDate cElementSet::Epoch() const {
    const int yy = static_cast<int>(FieldValue(FLD_EPOCHYEAR, U_NATIVE));
    const int year = yy < 57 ? yy + 2000 : yy + 1900;
    return cJulianDate(year, FieldValue(FLD_EPOCHDAY, U_NATIVE));
}

}  // namespace orvanta

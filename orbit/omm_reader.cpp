// Element sets from OMM records: which form a text is, each record's fields mapped onto the
// columns of two element lines, and a whole document read record by record.
#include "orbit/omm_reader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "orbit/element_set.h"
#include "orbit/omm_forms.h"

namespace orvanta {

namespace {

using omm::IsSpace;
using omm::Trim;

std::string_view SkipBom(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return text;
}

// ---- fields to element lines ---------------------------------------------------------

bool Number(const OmmFields& f, const char* key, double& value, bool required, double fallback,
            std::string& problem) {
    auto it = f.find(key);
    if (it == f.end() || (it->second.scalar && Trim(it->second.text).empty())) {
        if (required) {
            problem = std::string(key) + " missing";
            return false;
        }
        value = fallback;
        return true;
    }
    std::string_view t = Trim(it->second.text);
    if (!it->second.scalar) {
        problem = std::string(key) + " is not a number";
        return false;
    }
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    auto r = std::from_chars(t.data(), t.data() + t.size(), value);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(value)) {
        problem = std::string(key) + " is not a number: \"" + std::string(t.substr(0, 40)) + "\"";
        return false;
    }
    return true;
}

bool Integer(const OmmFields& f, const char* key, long long& value, bool required,
             long long fallback, std::string& problem) {
    double d = 0;
    if (!Number(f, key, d, required, double(fallback), problem)) return false;
    if (d != std::floor(d) || std::fabs(d) > 1e15) {
        problem = std::string(key) + " is not a whole number";
        return false;
    }
    value = static_cast<long long>(d);
    return true;
}

std::string Text(const OmmFields& f, const char* key) {
    auto it = f.find(key);
    return it == f.end() || !it->second.scalar ? std::string() : it->second.text;
}

// value printed with `decimals` places, right-aligned in `width`; empty when it does not fit.
std::string Fixed(double value, int width, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return {};
    std::string s(buf, r.ptr);
    if (s == "-0." + std::string(decimals, '0')) s.erase(0, 1);
    if (static_cast<int>(s.size()) > width) return {};
    return std::string(width - s.size(), ' ') + s;
}

// The eight-column exponent form: sign (blank or '-'), five mantissa digits with an
// implied leading point, signed one-digit exponent. Empty when the value cannot be held.
std::string ExponentForm(double value) {
    const char sign = value < 0 ? '-' : ' ';
    const double a = std::fabs(value);
    if (a < 1e-15) return " 00000+0";
    // Five significant digits rounded from the exact binary value, as printf rounds them:
    // "1.4501e-05" is mantissa 14501, exponent -4.
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 4);
    if (r.ec != std::errc()) return {};
    std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t ePos = t.find('e');
    if (ePos != 6 || t[1] != '.') return {};
    int exponent = 0;
    std::string_view ex = t.substr(ePos + 1);
    if (!ex.empty() && ex.front() == '+') ex.remove_prefix(1);
    if (std::from_chars(ex.data(), ex.data() + ex.size(), exponent).ec != std::errc()) return {};
    ++exponent;  // d.dddd e x is 0.ddddd e x+1
    if (exponent > 9) return {};
    if (exponent < -9) return " 00000+0";  // below the field's resolution
    std::string out(1, sign);
    out += t[0];
    out += t.substr(2, 4);
    out += exponent < 0 ? '-' : '+';
    out += char('0' + (exponent < 0 ? -exponent : exponent));
    return out;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The years the two-digit year of an element line stands for.
constexpr int FIRST_EPOCH_YEAR = 1957;
constexpr int LAST_EPOCH_YEAR = 2056;
// The last instant of a day that prints below the next day at eight decimal places.
constexpr double LAST_DAY_FRACTION = 1.0 - 1e-8;

// "YYYY-MM-DDThh:mm:ss[.f][Z]" or the day-of-year form "YYYY-DDDThh:mm:ss[.f]" into the
// year and the day of year with its fraction. Every field is digits within its range; a
// leap second (23:59:60) stays the last instant of its own day.
bool ParseEpoch(std::string_view t, int& year, double& dayOfYear) {
    t = Trim(t);
    if (!t.empty() && (t.back() == 'Z' || t.back() == 'z')) t.remove_suffix(1);
    auto digits = [&](std::size_t at, std::size_t len) {
        if (at + len > t.size()) return false;
        for (std::size_t i = at; i < at + len; ++i)
            if (t[i] < '0' || t[i] > '9') return false;
        return true;
    };
    auto num = [&](std::size_t at, std::size_t len, int& out) {
        if (!digits(at, len)) return false;
        std::from_chars(t.data() + at, t.data() + at + len, out);
        return true;
    };
    if (!num(0, 4, year) || t.size() < 8 || t[4] != '-') return false;
    int doy = 0;
    std::size_t timeAt;
    if (t.size() > 10 && t[7] == '-') {
        int month = 0, day = 0;
        if (!num(5, 2, month) || !num(8, 2, day) || month < 1 || month > 12 || day < 1)
            return false;
        static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const int inMonth = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
        if (day > inMonth) return false;
        for (int m = 1; m < month; ++m) doy += kDays[m - 1] + (m == 2 && IsLeap(year) ? 1 : 0);
        doy += day;
        timeAt = 10;
    } else {
        if (!num(5, 3, doy) || doy < 1 || doy > (IsLeap(year) ? 366 : 365)) return false;
        timeAt = 8;
    }
    double fraction = 0;
    if (timeAt < t.size()) {
        if (t[timeAt] != 'T' && t[timeAt] != ' ') return false;
        int h = 0, m = 0;
        if (!num(timeAt + 1, 2, h) || t.size() < timeAt + 9 || t[timeAt + 3] != ':' ||
            !num(timeAt + 4, 2, m) || t[timeAt + 6] != ':' || !digits(timeAt + 7, 2))
            return false;
        std::string_view secText = t.substr(timeAt + 7);
        const std::size_t decimals = secText.size() > 3 ? secText.size() - 3 : 0;
        if (secText.size() > 2 && (secText[2] != '.' || !digits(timeAt + 10, decimals)))
            return false;
        double s = 0;
        std::from_chars(secText.data(), secText.data() + secText.size(), s);
        const bool leapSecond = s >= 60 && s < 61 && h == 23 && m == 59;
        if (h > 23 || m > 59 || (s >= 60 && !leapSecond)) return false;
        fraction = leapSecond ? LAST_DAY_FRACTION : (h * 3600.0 + m * 60.0 + s) / 86400.0;
    }
    dayOfYear = doy + fraction;
    return true;
}

// "1998-067A" becomes "98067A  "; anything else leaves the columns blank.
std::string Designator(std::string_view id) {
    id = Trim(id);
    if (id.size() < 9 || id.size() > 11 || id[4] != '-') return std::string(8, ' ');
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 7})
        if (!std::isdigit(static_cast<unsigned char>(id[i]))) return std::string(8, ' ');
    for (std::size_t i = 8; i < id.size(); ++i)
        if (!std::isalpha(static_cast<unsigned char>(id[i]))) return std::string(8, ' ');
    std::string d = std::string(id.substr(2, 2)) + std::string(id.substr(5, 3)) +
                    std::string(id.substr(8));
    d.resize(8, ' ');
    return d;
}

void Complete(std::string& line) {
    line.resize(68, ' ');
    line += char('0' + ElementLineChecksum(line));
}

}  // namespace

int ElementLineChecksum(std::string_view line) {
    int sum = 0;
    for (std::size_t i = 0; i < line.size() && i < 68; ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9') sum += c - '0';
        else if (c == '-') sum += 1;
    }
    return sum % 10;
}

ElementTextFormat DetectElementTextFormat(std::string_view text) {
    text = SkipBom(text);
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i == text.size()) return ElementTextFormat::ThreeLine;
    if (text[i] == '[' || text[i] == '{') return ElementTextFormat::OmmJson;
    if (text[i] == '<') return ElementTextFormat::OmmXml;
    std::string_view first = text.substr(i, text.find('\n', i) - i);
    if (first.find(',') != std::string_view::npos &&
        first.find("NORAD_CAT_ID") != std::string_view::npos)
        return ElementTextFormat::OmmCsv;
    return ElementTextFormat::ThreeLine;
}

bool OmmFieldsToSet(const OmmFields& f, OmmSet& set, std::string& problem) {
    long long number = 0, setNo = 0, rev = 0, ephemeris = 0;
    double n = 0, e = 0, inc = 0, raan = 0, argp = 0, m = 0, bstar = 0, ndot = 0, nddot = 0;
    if (!Integer(f, "NORAD_CAT_ID", number, true, 0, problem) ||
        !Number(f, "MEAN_MOTION", n, true, 0, problem) ||
        !Number(f, "ECCENTRICITY", e, true, 0, problem) ||
        !Number(f, "INCLINATION", inc, true, 0, problem) ||
        !Number(f, "RA_OF_ASC_NODE", raan, true, 0, problem) ||
        !Number(f, "ARG_OF_PERICENTER", argp, true, 0, problem) ||
        !Number(f, "MEAN_ANOMALY", m, true, 0, problem) ||
        !Number(f, "BSTAR", bstar, false, 0, problem) ||
        !Number(f, "MEAN_MOTION_DOT", ndot, false, 0, problem) ||
        !Number(f, "MEAN_MOTION_DDOT", nddot, false, 0, problem) ||
        !Integer(f, "ELEMENT_SET_NO", setNo, false, 999, problem) ||
        !Integer(f, "REV_AT_EPOCH", rev, false, 0, problem) ||
        !Integer(f, "EPHEMERIS_TYPE", ephemeris, false, 0, problem))
        return false;
    auto it = f.find("EPOCH");
    if (it == f.end() || !it->second.scalar) {
        problem = "EPOCH missing";
        return false;
    }
    int year = 0;
    double day = 0;
    if (!ParseEpoch(it->second.text, year, day)) {
        problem = "EPOCH unreadable: \"" + it->second.text.substr(0, 40) + "\"";
        return false;
    }
    // Epoch day to eight places; a value that rounds to the end of the year opens the next,
    // which the two-digit year must still hold.
    std::string dayText = Fixed(day, 12, 8);
    double printed = 0;
    std::from_chars(dayText.data() + dayText.find_first_not_of(' '),
                    dayText.data() + dayText.size(), printed);
    const bool nextYear = printed >= (IsLeap(year) ? 366 : 365) + 1;
    if (year < FIRST_EPOCH_YEAR || year + (nextYear ? 1 : 0) > LAST_EPOCH_YEAR) {
        problem = "EPOCH outside the years 1957 to 2056: \"" + it->second.text.substr(0, 40) + "\"";
        return false;
    }
    if (number < 0 || number > 999999999) {
        problem = "NORAD_CAT_ID out of range";
        return false;
    }
    if (!(n > 0 && n < 100) || !(e >= 0 && e < 1) || !(inc >= 0 && inc <= 180) ||
        std::fabs(raan) > 1e6 || std::fabs(argp) > 1e6 || std::fabs(m) > 1e6 ||
        !(std::fabs(ndot) < 1) || rev < 0 || setNo < 0 || ephemeris < 0 || ephemeris > 9) {
        problem = "an element lies outside the range the element lines can hold";
        return false;
    }
    auto angle = [](double a) {
        a = std::fmod(a, 360.0);
        return a < 0 ? a + 360.0 : a;
    };

    if (nextYear) {
        ++year;
        dayText = Fixed(1.0, 12, 8);
    }
    for (char& c : dayText)
        if (c == ' ') c = '0';

    const std::string bstarText = ExponentForm(bstar);
    const std::string nddotText = ExponentForm(nddot);
    std::string ndotText = Fixed(std::fabs(ndot), 10, 8);  // "0.00010360"
    // The services cut the eccentricity to seven places rather than rounding it; ten
    // places first keep binary noise (0.0007016 as 0.00070159999...) from costing a digit.
    std::string eText = Fixed(e, 12, 10);
    eText = eText.size() == 12 && eText.substr(0, 2) == "0." ? eText.substr(2, 7) : std::string();
    if (bstarText.empty() || nddotText.empty() || eText.empty() || ndotText.size() != 10 ||
        ndotText[0] != '0' || ndotText[1] != '.') {
        problem = "an element lies outside the range the element lines can hold";
        return false;
    }
    ndotText = std::string(1, ndot < 0 ? '-' : ' ') + ndotText.substr(1);  // "-.00010360"

    std::string numberText = CatalogueNumberToText(static_cast<int>(
        number <= MAX_ALPHA5_NUMBER ? number : 0));
    if (number > MAX_ALPHA5_NUMBER) numberText = "     ";
    std::string cls = Text(f, "CLASSIFICATION_TYPE");
    const char classification = cls.empty() ? 'U' : cls[0];
    char yy[3];
    std::snprintf(yy, sizeof yy, "%02d", year % 100);
    char setText[8], revText[8];
    std::snprintf(setText, sizeof setText, "%4lld", setNo % 10000);
    std::snprintf(revText, sizeof revText, "%5lld", rev % 100000);

    std::string l1 = "1 " + numberText + classification + ' ' +
                     Designator(Text(f, "OBJECT_ID")) + ' ' + yy + dayText + ' ' + ndotText +
                     ' ' + nddotText + ' ' + bstarText + ' ' + char('0' + ephemeris) + ' ' +
                     setText;
    const std::string& eDigits = eText;
    std::string l2 = "2 " + numberText + ' ' + Fixed(inc, 8, 4) + ' ' + Fixed(angle(raan), 8, 4) +
                     ' ' + eDigits + ' ' + Fixed(angle(argp), 8, 4) + ' ' + Fixed(angle(m), 8, 4) +
                     ' ' + Fixed(n, 11, 8) + revText;
    if (l1.size() != 68 || l2.size() != 68) {
        problem = "an element lies outside the range the element lines can hold";
        return false;
    }
    Complete(l1);
    Complete(l2);
    set.line1 = std::move(l1);
    set.line2 = std::move(l2);
    set.catalogueNumber = static_cast<int>(number);
    set.name = Text(f, "OBJECT_NAME");
    if (set.name.empty()) set.name = std::to_string(number);
    // A name line is one line; the element file keeps at most 99 characters of it.
    for (char& c : set.name)
        if (c == '\n' || c == '\r') c = ' ';
    if (set.name.size() > 99) set.name.resize(99);
    return true;
}

namespace omm {

void RecordSink::Take(const OmmFields& fields) {
    if (result_.sets.size() >= maxSets_) {
        Refuse("more than " + std::to_string(maxSets_) + " element sets in one document");
        return;
    }
    OmmSet set;
    std::string problem;
    if (OmmFieldsToSet(fields, set, problem)) {
        ++count_;
        result_.sets.push_back(std::move(set));
    } else {
        Refuse(problem);
    }
}

void RecordSink::Refuse(const std::string& problem) {
    ++count_;
    ++result_.badRecords;
    if (result_.firstProblem.empty())
        result_.firstProblem = "record " + std::to_string(count_) + ": " + problem;
}

}  // namespace omm

OmmReadResult ReadOmmText(std::string_view text, ElementTextFormat format, std::size_t maxSets) {
    OmmReadResult result;
    text = SkipBom(text);
    omm::RecordSink sink(result, maxSets);
    switch (format) {
        case ElementTextFormat::OmmJson:
            omm::ReadJson(text, result, sink);
            break;
        case ElementTextFormat::OmmCsv:
            omm::ReadCsv(text, result, sink);
            break;
        case ElementTextFormat::OmmXml:
            omm::ReadXml(text, sink);
            break;
        case ElementTextFormat::ThreeLine:
            result.documentError = "not an OMM document";
            return result;
    }
    return result;
}

}  // namespace orvanta

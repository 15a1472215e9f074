#include "catalogue/pass_export.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orvanta {

namespace {

// RFC 5545 DATE-TIME in UTC: 20260507T194210Z.
std::string ICalTime(double jd) {
    const UtcSeconds f = UtcSecondsFromJd(jd);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld%02d%02dT%02d%02d%02dZ", static_cast<long long>(f.year),
                  f.month, f.day, f.hour, f.minute, f.second);
    return buf;
}

std::string ClockUtc(double jd) {
    const UtcSeconds f = UtcSecondsFromJd(jd);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

// "00" to "99": digits written two at a time.
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kDigitPairs;

char* PutTwo(char* p, unsigned v) {
    std::memcpy(p, kDigitPairs.text + 2 * v, 2);
    return p + 2;
}

// v < 10000 in decimal.
inline char* PutSmall(char* p, unsigned v) {
    if (v < 100) {
        if (v >= 10) return PutTwo(p, v);
        *p = static_cast<char>('0' + v);
        return p + 1;
    }
    const unsigned high = v / 100;
    if (high >= 10)
        p = PutTwo(p, high);
    else
        *p++ = static_cast<char>('0' + high);
    return PutTwo(p, v - high * 100);
}

// v in decimal: up to five digits (durations, catalogue numbers) by digit pairs, more by
// to_chars.
char* PutUnsigned(char* p, std::uint32_t v) {
    if (v < 10000) return PutSmall(p, v);
    if (v >= 100000) return std::to_chars(p, p + 10, v).ptr;
    const unsigned low = v % 10000;
    *p = static_cast<char>('0' + v / 10000);
    PutTwo(p + 1, low / 100);
    PutTwo(p + 3, low % 100);
    return p + 5;
}

// The longest text PutShortFixed writes: "-1000000000.00" (just below 1e9, rounded up).
constexpr std::size_t kShortFixed = 14;

// printf's "%.1f" or "%.2f" of v for the bulk of a table, angles and magnitudes, or nullptr
// for a value it leaves to to_chars: the scaled value rounded to a whole number is printf's
// digits whenever it lies clear of a half (the product's rounding error is far below the
// margin); near a half, or for huge values, printf's rule has to decide.
template <int kDecimals>
char* PutShortFixed(char* p, double v) {
    static_assert(kDecimals == 1 || kDecimals == 2);
    constexpr unsigned kUnit = kDecimals == 1 ? 10 : 100;
    const double a = std::fabs(v);
    if (!(a < 1e9)) return nullptr;
    const double scaled = a * kUnit;
    const auto rounded = static_cast<std::int64_t>(scaled + 0.5);  // floor, as scaled >= 0
    if (!(std::fabs(scaled - static_cast<double>(rounded)) < 0.5 - 1e-6)) return nullptr;
    if (std::signbit(v)) *p++ = '-';
    std::uint32_t fraction;
    if (rounded < 100000) {  // the usual angle or magnitude, in 32 bits
        const auto whole = static_cast<std::uint32_t>(rounded);
        const std::uint32_t units = whole / kUnit;
        fraction = whole - units * kUnit;
        p = PutSmall(p, units);
    } else {
        const auto whole = static_cast<std::uint64_t>(rounded);
        const auto units = static_cast<std::uint32_t>(whole / kUnit);  // at most 1e9
        fraction = static_cast<std::uint32_t>(whole - std::uint64_t{units} * kUnit);
        p = PutUnsigned(p, units);
    }
    *p++ = '.';
    if constexpr (kDecimals == 1) {
        *p = static_cast<char>('0' + fraction);
        return p + 1;
    } else {
        return PutTwo(p, fraction);
    }
}

// The longest fixed-notation text of a double with a few decimals.
constexpr std::size_t kLongFixed = 400;

// The text of printf's "%.*f" (to_chars with a precision is defined as printf), without the
// format parsing that made up most of the time spent writing a pass table. p has room for
// kLongFixed characters.
char* PutFixed(char* p, double v, int decimals) {
    char* end = decimals == 1   ? PutShortFixed<1>(p, v)
                : decimals == 2 ? PutShortFixed<2>(p, v)
                                : nullptr;
    return end ? end : std::to_chars(p, p + kLongFixed, v, std::chars_format::fixed, decimals).ptr;
}

void AppendFixed(std::string& out, double v, int decimals) {
    char buf[kLongFixed];
    out.append(buf, PutFixed(buf, v, decimals));
}

// std::llround, which is a library call, for the seconds of a pass.
long long RoundHalfAway(double x) {
    if (!(std::fabs(x) < 4503599627370496.0)) return std::llround(x);  // 2^52
    auto whole = static_cast<long long>(x);
    const double rest = x - static_cast<double>(whole);  // exact
    if (rest >= 0.5) ++whole;
    if (rest <= -0.5) --whole;
    return whole;
}

// The date of the last time a thread wrote: the times of a row, and the rows of one
// satellite in turn, mostly fall on the same day.
struct DayText {
    std::uint64_t day = ~std::uint64_t{0};  // since 1970
    char text[10];                          // YYYY-MM-DD
};
thread_local DayText lastDay;

// One CSV row, written into a buffer on the stack and copied out once: appending field by
// field to a std::string was most of the cost of a pass table. Every field but the first is
// written with the comma before it. The buffer holds the most the usual fields of a row
// write (kRowMost), so they are written without a check on the space left; text that may be
// longer (a long or quoted name, a huge number, a time outside 1970 ... 9893) goes to a
// string instead, after what the buffer held, and leaves the buffer empty.
class CsvRowWriter {
public:
    static constexpr std::size_t kShortName = 200;

    // Up to 20 characters ("-9223372036854775808").
    void Number(long long n) {
        if (n >= 0 && n <= 0xFFFFFFFF)
            end_ = PutUnsigned(end_, static_cast<std::uint32_t>(n));
        else
            end_ = std::to_chars(end_, end_ + 20, n).ptr;
    }
    void Char(char c) { *end_++ = c; }
    // Text of a known small size (a word, empty fields, a short name).
    void Short(std::string_view s) {
        std::memcpy(end_, s.data(), s.size());
        end_ += s.size();
    }
    void Long(std::string_view s) {
        spill_.append(buf_, end_);
        spill_ += s;
        end_ = buf_;
    }
    // The time as FormatIsoUtcSeconds writes it, whose arithmetic (the time rounded to the
    // millisecond, then cut to the second) is repeated here for times from 1970 to the year
    // 9893; it writes any other time itself. 21 characters.
    void Time(double jd) {
        const double ms = (jd - kUnixEpochJd) * 86400000.0;
        if (!(ms >= 0.0 && ms < 2.5e14)) return OtherTime(jd);
        const auto truncated = static_cast<std::int64_t>(ms);
        auto whole = static_cast<std::uint64_t>(truncated);
        if (ms - static_cast<double>(truncated) >= 0.5) ++whole;  // llround's, as ms >= 0
        const std::uint64_t days = whole / 86400000;
        const auto second = static_cast<unsigned>(whole - days * 86400000) / 1000;
        DayText& date = lastDay;
        if (days != date.day) NewDay(date, days);
        char* p = end_;
        *p = ',';
        std::memcpy(p + 1, date.text, sizeof date.text);
        p[11] = 'T';
        PutTwo(p + 12, second / 3600);
        p[14] = ':';
        PutTwo(p + 15, second % 3600 / 60);
        p[17] = ':';
        PutTwo(p + 18, second % 60);
        p[20] = 'Z';
        end_ = p + 21;
    }
    void TimeOrEmpty(double jd) {
        if (jd != 0.0)
            Time(jd);
        else
            Char(',');
    }
    // Up to 1 + kShortFixed characters.
    template <int kDecimals>
    void Fixed(double v) {
        *end_ = ',';
        if (char* end = PutShortFixed<kDecimals>(end_ + 1, v))
            end_ = end;
        else
            LongFixed(v, kDecimals);
    }
    std::string Take() {
        if (spill_.empty()) return std::string(buf_, end_);
        spill_.append(buf_, end_);
        return std::move(spill_);
    }
    void AppendTo(std::string& out) {
        if (!spill_.empty()) out += spill_;
        out.append(buf_, end_);
    }

private:
    // The most the usual fields write: the catalogue number, the name, nine times, ten
    // fixed-decimal values, the duration, the lighting word, sunlit_at_aos and the line end
    // (an empty field writes its comma only).
    static constexpr std::size_t kRowMost =
        20 + 1 + kShortName + 9 * 21 + 10 * (1 + kShortFixed) + 21 + 9 + 2 + 1;
    static constexpr std::size_t kSize = 640;
    static_assert(kRowMost <= kSize);

    // Kept out of Time and Fixed, whose usual path then needs no stack frame.
    [[gnu::noinline]] void OtherTime(double jd) {
        Char(',');
        Long(FormatIsoUtcSeconds(jd));
    }
    [[gnu::noinline]] void LongFixed(double v, int decimals) {
        char buf[kLongFixed];
        end_ += 1;  // the comma
        Long(std::string_view(buf, PutFixed(buf, v, decimals) - buf));
    }
    [[gnu::noinline]] static void NewDay(DayText& date, std::uint64_t days) {
        date.day = days;
        std::int64_t y;
        int m, d;
        CivilFromDays(static_cast<std::int64_t>(days), y, m, d);
        const auto year = static_cast<unsigned>(y);
        char* q = PutTwo(PutTwo(date.text, year / 100), year % 100);
        *q++ = '-';
        q = PutTwo(q, static_cast<unsigned>(m));
        *q++ = '-';
        PutTwo(q, static_cast<unsigned>(d));
    }

    char buf_[kSize];
    char* end_ = buf_;
    std::string spill_;  // the row's text before buf_, once something long was written
};

// Whether CsvField would quote the text: eight characters at a time, as names are read
// for every row. A character equal to one of the four is a zero byte of the word XORed with
// it, and (x - 0x01...) & ~x & 0x80... is non-zero exactly when x has a zero byte.
bool NeedsCsvQuotes(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    const auto special = [](std::uint64_t w) {
        const auto zero = [](std::uint64_t x) { return (x - kOnes) & ~x & (kOnes << 7); };
        return (zero(w ^ (kOnes * ',')) | zero(w ^ (kOnes * '"')) | zero(w ^ (kOnes * '\r')) |
                zero(w ^ (kOnes * '\n'))) != 0;
    };
    const std::size_t n = text.size();
    if (n < 8) {
        for (char c : text)
            if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
        return false;
    }
    std::uint64_t w;
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        std::memcpy(&w, text.data() + i, 8);
        if (special(w)) return true;
    }
    std::memcpy(&w, text.data() + n - 8, 8);  // the last eight, overlapping the loop's
    return special(w);
}

std::string Fixed(double v, int decimals) {
    std::string out;
    AppendFixed(out, v, decimals);
    return out;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string_view LightingWord(int code) {
    switch (code) {
        case LIGHTING_SUNLIT:
            return "day";
        case LIGHTING_DARK:
            return "night";
        case LIGHTING_TWILIGHT:
            return "twilight";
        default:
            return "";
    }
}

// TEXT value escaping of RFC 5545 (3.3.11).
std::string ICalText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A content line folded after 75 octets (never inside a UTF-8 sequence), CRLF ended.
void AddLine(std::string& out, const std::string& line) {
    std::size_t pos = 0, width = 75;
    while (line.size() - pos > width) {
        std::size_t cut = pos + width;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line, pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        width = 74;  // the leading blank counts
    }
    out.append(line, pos, std::string::npos);
    out += "\r\n";
}

}  // namespace


std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string PassCsvHeader() {
    return "catalogue,name,aos_utc,los_utc,rise_az,max_el,mid_az,set_az,duration_s,lighting,"
           "lunar_start_utc,lunar_end_utc,flare_start_utc,flare_mag,flare_az,flare_el,"
           "culmination_utc,culmination_el,sunlit_at_aos,visible_start_utc,visible_end_utc,"
           "visible_max_el,brightest_mag,brightest_utc";
}

namespace {

void WriteCsvRow(int catalogueNumber, std::string_view fullName, const PassRecord& r,
                 CsvRowWriter& out) {
    out.Number(catalogueNumber);
    std::size_t nameEnd = fullName.size();
    while (nameEnd > 0 && (fullName[nameEnd - 1] == ' ' || fullName[nameEnd - 1] == '\t' ||
                           fullName[nameEnd - 1] == '\r'))
        --nameEnd;
    const std::string_view name(fullName.data(), nameEnd);
    out.Char(',');
    if (NeedsCsvQuotes(name))
        out.Long(CsvField(std::string(name)));
    else if (name.size() > CsvRowWriter::kShortName)
        out.Long(name);
    else
        out.Short(name);
    out.Time(r.aos);
    out.Time(r.los);
    for (double v : {r.riseAzimuth, r.maxElevation, r.midAzimuth, r.setAzimuth}) out.Fixed<2>(v);
    out.Char(',');
    out.Number(RoundHalfAway((r.los - r.aos) * 86400.0));
    out.Char(',');
    out.Short(LightingWord(r.lighting));
    out.TimeOrEmpty(r.lunarStart);
    out.TimeOrEmpty(r.lunarEnd);
    const int flare = r.LastCompletedFlare();
    if (flare >= 0) {
        out.Time(r.flareStart[static_cast<std::size_t>(flare)]);
        for (double v : {r.flareMagnitude, r.flareAzimuth, r.flareElevation}) out.Fixed<1>(v);
    } else {
        out.Short(",,,,");
    }
    // For visual observers.
    if (r.visibilityKnown) {
        out.TimeOrEmpty(r.culmination);
        if (r.culmination != 0.0)
            out.Fixed<2>(r.culminationElevation);
        else
            out.Char(',');
        out.Char(',');
        out.Char(r.sunlitAtAos ? '1' : '0');
        if (r.HasVisibleWindow()) {
            out.Time(r.visibleStart);
            out.Time(r.visibleEnd);
            out.Fixed<2>(r.visibleMaxElevation);
        } else {
            out.Short(",,,");
        }
        if (r.brightestTime != 0.0) {
            out.Fixed<1>(r.brightestMagnitude);
            out.Time(r.brightestTime);
        } else {
            out.Short(",,");
        }
    } else {
        out.Short(",,,,,,,,");  // eight empty fields
    }
    out.Char('\n');
}

}  // namespace

std::string PassCsvRow(const PassExportRow& row) {
    CsvRowWriter out;
    WriteCsvRow(row.catalogueNumber, row.name, row.record, out);
    return out.Take();
}

void AppendPassCsvRow(std::string& out, const PassExportRow& row) {
    AppendPassCsvRow(out, row.catalogueNumber, row.name, row.record);
}

void AppendPassCsvRow(std::string& out, int catalogueNumber, std::string_view name,
                      const PassRecord& record) {
    CsvRowWriter writer;
    WriteCsvRow(catalogueNumber, name, record, writer);
    writer.AppendTo(out);
}

std::string PassesCsv(const std::vector<PassExportRow>& rows) {
    std::string out = PassCsvHeader() + '\n';
    for (const PassExportRow& row : rows) AppendPassCsvRow(out, row);
    return out;
}

std::string ICalendarBegin() {
    std::string out;
    AddLine(out, "BEGIN:VCALENDAR");
    AddLine(out, "VERSION:2.0");
    AddLine(out, "PRODID:-//Quorrin//Orvanta passes//EN");
    AddLine(out, "CALSCALE:GREGORIAN");
    AddLine(out, "METHOD:PUBLISH");
    return out;
}

std::string ICalendarEnd() {
    std::string out;
    AddLine(out, "END:VCALENDAR");
    return out;
}

std::string PassICalEvent(const PassExportRow& row, double stampJd, int alarmMinutes) {
    std::string out;
    const PassRecord& r = row.record;
    if (r.IsEmpty() || r.los == 0.0) return out;
    const std::string stamp = ICalTime(stampJd);
    const std::string name = TrimRight(row.name);
    const bool culm = r.visibilityKnown && r.culmination != 0.0;
    const double peakEl = culm ? r.culminationElevation : r.maxElevation;
    const double peakTime = culm ? r.culmination : 0.5 * (r.aos + r.los);

    std::string summary = name + " (" + std::to_string(row.catalogueNumber) + ")";
    summary += ", culmination " + Fixed(peakEl, 1) + "\xC2\xB0";
    if (r.HasVisibleWindow()) summary += ", visible";

    std::string desc = "Rise azimuth " + Fixed(r.riseAzimuth, 1) + "\xC2\xB0, set azimuth " +
                       Fixed(r.setAzimuth, 1) + "\xC2\xB0.\nCulmination " + Fixed(peakEl, 2) +
                       "\xC2\xB0 at " + ClockUtc(peakTime) + " UTC, azimuth " +
                       Fixed(r.midAzimuth, 1) + "\xC2\xB0 at mid-pass.";
    if (r.HasVisibleWindow()) {
        desc += "\nVisible " + ClockUtc(r.visibleStart) + "\xE2\x80\x93" + ClockUtc(r.visibleEnd) +
                " UTC, highest " + Fixed(r.visibleMaxElevation, 1) + "\xC2\xB0.";
        if (r.brightestTime != 0.0)
            desc += "\nBrightest " + Fixed(r.brightestMagnitude, 1) + " mag at " +
                    ClockUtc(r.brightestTime) + " UTC.";
    } else if (r.visibilityKnown) {
        desc += "\nNot visible to the eye (daylight or in the Earth's shadow).";
    }

    AddLine(out, "BEGIN:VEVENT");
    AddLine(out, "UID:" + std::to_string(row.catalogueNumber) + "-" + ICalTime(r.aos) +
                     "@orvanta");
    AddLine(out, "DTSTAMP:" + stamp);
    AddLine(out, "DTSTART:" + ICalTime(r.aos));
    AddLine(out, "DTEND:" + ICalTime(r.los));
    AddLine(out, "SUMMARY:" + ICalText(summary));
    AddLine(out, "DESCRIPTION:" + ICalText(desc));
    AddLine(out, "TRANSP:TRANSPARENT");
    if (alarmMinutes >= 0) {
        AddLine(out, "BEGIN:VALARM");
        AddLine(out, "ACTION:DISPLAY");
        AddLine(out, "DESCRIPTION:" + ICalText(summary));
        AddLine(out, "TRIGGER:-PT" + std::to_string(alarmMinutes) + "M");
        AddLine(out, "END:VALARM");
    }
    AddLine(out, "END:VEVENT");
    return out;
}

std::string PassesICalendar(const std::vector<PassExportRow>& rows, double stampJd,
                            int alarmMinutes) {
    std::string out = ICalendarBegin();
    for (const PassExportRow& row : rows) out += PassICalEvent(row, stampJd, alarmMinutes);
    return out + ICalendarEnd();
}

}  // namespace orvanta

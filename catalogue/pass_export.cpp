#include "catalogue/pass_export.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

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

// The text of printf's "%.*f" (to_chars with a precision is defined as printf), without the
// format parsing that made up most of the time spent writing a pass table.
void AppendFixed(std::string& out, double v, int decimals) {
    // Angles and magnitudes to one or two decimals, the bulk of a table: the scaled value
    // rounded to a whole number is printf's digits whenever it lies clear of a half (the
    // product's rounding error is far below the margin); near a half, printf decides.
    if ((decimals == 1 || decimals == 2) && std::fabs(v) < 1e9) {
        const double scaled = std::fabs(v) * (decimals == 1 ? 10.0 : 100.0);
        const double whole = std::floor(scaled + 0.5);
        if (std::fabs(scaled - whole) < 0.5 - 1e-6) {
            char buf[24];
            char* p = buf + sizeof buf;
            auto n = static_cast<std::uint64_t>(whole);
            for (int i = 0; i < decimals; ++i, n /= 10) *--p = static_cast<char>('0' + n % 10);
            *--p = '.';
            do {
                *--p = static_cast<char>('0' + n % 10);
                n /= 10;
            } while (n > 0);
            if (std::signbit(v)) *--p = '-';
            out.append(p, buf + sizeof buf);
            return;
        }
    }
    char buf[400];  // the longest finite double in fixed notation, with the decimals
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, r.ptr);
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

const char* LightingWord(int code) {
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

std::string TimeOrEmpty(double jd) {
    return jd != 0.0 ? FormatIsoUtcSeconds(jd) : std::string();
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

std::string PassCsvRow(const PassExportRow& row) {
    // Appended in place: a table of thousands of rows spent most of its time on the
    // temporaries of a chain of string sums.
    const PassRecord& r = row.record;
    std::string out;
    out.reserve(256);
    const auto comma = [&] { out += ','; };
    const auto time = [&](double jd) { out += FormatIsoUtcSeconds(jd); };
    const auto timeOrEmpty = [&](double jd) {
        if (jd != 0.0) time(jd);
    };
    const auto fixed = [&](double v, int decimals) { AppendFixed(out, v, decimals); };
    out += std::to_string(row.catalogueNumber);
    comma();
    out += CsvField(TrimRight(row.name));
    comma();
    time(r.aos);
    comma();
    time(r.los);
    for (double v : {r.riseAzimuth, r.maxElevation, r.midAzimuth, r.setAzimuth}) {
        comma();
        fixed(v, 2);
    }
    comma();
    out += std::to_string(std::llround((r.los - r.aos) * 86400.0));
    comma();
    out += LightingWord(r.lighting);
    comma();
    timeOrEmpty(r.lunarStart);
    comma();
    timeOrEmpty(r.lunarEnd);
    comma();
    const int flare = r.LastCompletedFlare();
    if (flare >= 0) {
        time(r.flareStart[static_cast<std::size_t>(flare)]);
        for (double v : {r.flareMagnitude, r.flareAzimuth, r.flareElevation}) {
            comma();
            fixed(v, 1);
        }
    } else {
        out += ",,,";
    }
    // For visual observers.
    if (r.visibilityKnown) {
        comma();
        timeOrEmpty(r.culmination);
        comma();
        if (r.culmination != 0.0) fixed(r.culminationElevation, 2);
        comma();
        out += r.sunlitAtAos ? '1' : '0';
        comma();
        if (r.HasVisibleWindow()) {
            time(r.visibleStart);
            comma();
            time(r.visibleEnd);
            comma();
            fixed(r.visibleMaxElevation, 2);
            comma();
        } else {
            out += ",,,";
        }
        if (r.brightestTime != 0.0) {
            fixed(r.brightestMagnitude, 1);
            comma();
            time(r.brightestTime);
        } else {
            comma();
        }
    } else {
        out += ",,,,,,,,";  // eight empty fields
    }
    out += '\n';
    return out;
}

std::string PassesCsv(const std::vector<PassExportRow>& rows) {
    std::string out = PassCsvHeader() + '\n';
    for (const PassExportRow& row : rows) out += PassCsvRow(row);
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

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
std::string Fixed(double v, int decimals) {
    char buf[400];  // the longest finite double in fixed notation, with the decimals
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
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
    const PassRecord& r = row.record;
    std::string out = std::to_string(row.catalogueNumber) + ',' + CsvField(TrimRight(row.name)) +
                      ',' + FormatIsoUtcSeconds(r.aos) + ',' + FormatIsoUtcSeconds(r.los) + ',' +
                      Fixed(r.riseAzimuth, 2) + ',' + Fixed(r.maxElevation, 2) + ',' +
                      Fixed(r.midAzimuth, 2) + ',' + Fixed(r.setAzimuth, 2) + ',' +
                      std::to_string(std::llround((r.los - r.aos) * 86400.0)) + ',' +
                      LightingWord(r.lighting) + ',';
    out += TimeOrEmpty(r.lunarStart) + ',';
    out += TimeOrEmpty(r.lunarEnd) + ',';
    const int flare = r.LastCompletedFlare();
    if (flare >= 0) {
        out += FormatIsoUtcSeconds(r.flareStart[static_cast<std::size_t>(flare)]) + ',' +
               Fixed(r.flareMagnitude, 1) + ',' + Fixed(r.flareAzimuth, 1) + ',' +
               Fixed(r.flareElevation, 1);
    } else {
        out += ",,,";
    }
    // For visual observers.
    if (r.visibilityKnown) {
        out += ',' + TimeOrEmpty(r.culmination) + ',' +
               (r.culmination != 0.0 ? Fixed(r.culminationElevation, 2) : "") + ',' +
               (r.sunlitAtAos ? "1" : "0") + ',';
        if (r.HasVisibleWindow()) {
            out += FormatIsoUtcSeconds(r.visibleStart) + ',' + FormatIsoUtcSeconds(r.visibleEnd) +
                   ',' + Fixed(r.visibleMaxElevation, 2) + ',';
        } else {
            out += ",,,";
        }
        if (r.brightestTime != 0.0)
            out += Fixed(r.brightestMagnitude, 1) + ',' + FormatIsoUtcSeconds(r.brightestTime);
        else
            out += ',';
    } else {
        out += ",,,,,,,,";  // eight empty fields
    }
    return out + '\n';
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

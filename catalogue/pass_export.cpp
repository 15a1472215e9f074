#include "catalogue/pass_export.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace orvanta {

namespace {

constexpr double kUnixEpochJd = 2440587.5;

struct UtcFields {
    long long year = 0;
    unsigned month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

UtcFields SplitUtc(double jd) {
    const std::int64_t ms = std::llround((jd - kUnixEpochJd) * 86400000.0);
    const std::int64_t secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    std::int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    const std::int64_t sod = secs - days * 86400;
    // Civil date from days since 1970 (Howard Hinnant's algorithm).
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    UtcFields f;
    f.day = doy - (153 * mp + 2) / 5 + 1;
    f.month = mp < 10 ? mp + 3 : mp - 9;
    f.year = static_cast<long long>(yoe) + era * 400 + (f.month <= 2);
    f.hour = static_cast<int>(sod / 3600);
    f.minute = static_cast<int>(sod % 3600 / 60);
    f.second = static_cast<int>(sod % 60);
    return f;
}

// RFC 5545 DATE-TIME in UTC: 20260507T194210Z.
std::string ICalTime(double jd) {
    const UtcFields f = SplitUtc(jd);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld%02u%02uT%02d%02d%02dZ", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return buf;
}

std::string ClockUtc(double jd) {
    const UtcFields f = SplitUtc(jd);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
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

std::string FormatIsoUtcSeconds(double jd) {
    const UtcFields f = SplitUtc(jd);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return buf;
}

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

std::string PassICalEvent(const PassExportRow& row, double stampJd) {
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
    AddLine(out, "END:VEVENT");
    return out;
}

std::string PassesICalendar(const std::vector<PassExportRow>& rows, double stampJd) {
    std::string out = ICalendarBegin();
    for (const PassExportRow& row : rows) out += PassICalEvent(row, stampJd);
    return out + ICalendarEnd();
}

}  // namespace orvanta

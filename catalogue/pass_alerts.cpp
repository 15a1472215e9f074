#include "catalogue/pass_alerts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/registry.h"

namespace orvanta {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::string Fixed(double value, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

double PeakElevation(const PassRecord& r) {
    return r.visibilityKnown && r.culmination != 0.0 ? r.culminationElevation : r.maxElevation;
}

// "1h 12m", "12m", "2d 3h"; rounded down to the minute (after a Julian-date rounding
// error, so 72:00 does not show as 1h 11m).
std::string CountdownText(double seconds) {
    const long long minutes =
        static_cast<long long>(std::floor(std::max(0.0, seconds) + 1e-3) / 60.0);
    const long long days = minutes / 1440, hours = minutes / 60 % 24, mins = minutes % 60;
    if (days > 0) return std::to_string(days) + "d " + std::to_string(hours) + "h";
    if (hours > 0) return std::to_string(hours) + "h " + std::to_string(mins) + "m";
    return std::to_string(mins) + "m";
}

}  // namespace

std::string AlertSatellitesText(const std::set<std::int32_t>& satellites) {
    std::string out;
    for (std::int32_t n : satellites) {
        if (!out.empty()) out += ',';
        out += std::to_string(n);
    }
    return out;
}

std::set<std::int32_t> ParseAlertSatellites(const std::string& text) {
    std::set<std::int32_t> out;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(pos, end - pos);
        char* stop = nullptr;
        const long n = std::strtol(item.c_str(), &stop, 10);
        if (!item.empty() && stop && *stop == '\0' && n > 0 && n <= 999999999)
            out.insert(static_cast<std::int32_t>(n));
        pos = end + 1;
    }
    return out;
}

PassAlertSettings ReadPassAlertSettings(CRegistry& reg) {
    PassAlertSettings s;
    s.satellites = ParseAlertSatellites(reg.ReadString("Alert Satellites", ""));
    const std::int32_t minutes = reg.ReadDword("Alert Minutes", 10);
    s.leadMinutes = minutes < 0 || minutes > kMaxAlertMinutes ? 10 : minutes;
    s.visibleOnly = reg.ReadDword("Alert Visible Only", 0) != 0;
    s.sound = reg.ReadDword("Alert Sound", 0) != 0;
    s.closeToTray = reg.ReadDword("Close To Tray", 0) != 0;
    return s;
}

PassAlertSettings ReadPassAlertSettings() {
    CRegistry reg;
    // Only opened: reading must not create the settings of a first start.
    reg.Open(RootKey::CurrentUser, kSettingsKeyPath, 1);
    return ReadPassAlertSettings(reg);
}

bool WritePassAlertSettings(const PassAlertSettings& s) {
    CRegistry reg;
    if (!reg.OpenSettings()) return false;
    using platform::SettingValue;
    return reg.WriteValues({
        {"Alert Satellites", SettingValue::String(AlertSatellitesText(s.satellites))},
        {"Alert Minutes", SettingValue::Dword(static_cast<std::uint32_t>(s.leadMinutes))},
        {"Alert Visible Only", SettingValue::Dword(s.visibleOnly ? 1u : 0u)},
        {"Alert Sound", SettingValue::Dword(s.sound ? 1u : 0u)},
        {"Close To Tray", SettingValue::Dword(s.closeToTray ? 1u : 0u)},
    });
}

const char* CompassPoint(double azimuthDegrees) {
    static const char* const kPoints[16] = {"N",  "NNE", "NE", "ENE", "E",  "ESE", "SE", "SSE",
                                            "S",  "SSW", "SW", "WSW", "W",  "WNW", "NW", "NNW"};
    double a = std::fmod(azimuthDegrees, 360.0);
    if (a < 0) a += 360.0;
    return kPoints[static_cast<int>(std::floor(a / 22.5 + 0.5)) % 16];
}

std::string PassAlertText(const PassAlertRow& row, PassAlertKind kind, int leadMinutes,
                          const RowTimeOptions& time) {
    const PassRecord& r = *row.record;
    std::string text = TrimRight(row.name);
    text += kind == PassAlertKind::Lead ? " rises in " + std::to_string(leadMinutes) + " min at "
                                        : std::string(" rises now at ");
    // The pass's own instant as "now": no "+d" day prefix in a sentence.
    text += FormatRowTime(r.aos, r.aos, time);
    text += ", azimuth " + Fixed(r.riseAzimuth, 0) + "\xC2\xB0 (" + CompassPoint(r.riseAzimuth) +
            "), max. elevation " + Fixed(PeakElevation(r), 0) + "\xC2\xB0";
    if (r.HasVisibleWindow() && r.brightestTime != 0.0)
        text += ", magnitude " + Fixed(r.brightestMagnitude, 1);
    return text;
}

bool PassAlerts::AlreadyFired(std::int32_t catalogueNumber, PassAlertKind kind,
                              double aos) const {
    return std::any_of(fired_.begin(), fired_.end(), [&](const Fired& f) {
        return f.catalogueNumber == catalogueNumber && f.kind == kind &&
               std::fabs(f.aos - aos) * kSecondsPerDay <= kSamePassSeconds;
    });
}

std::vector<DueAlert> PassAlerts::Due(const std::vector<PassAlertRow>& rows,
                                      const PassAlertSettings& settings, double realNow,
                                      bool realTime, const RowTimeOptions& time) {
    std::vector<DueAlert> due;
    // Passes long over cannot match again; keeping them would only grow the list.
    std::erase_if(fired_, [&](const Fired& f) { return f.aos < realNow - 1.0; });
    if (!realTime || settings.satellites.empty()) return due;
    for (const PassAlertRow& row : rows) {
        if (!row.record) continue;
        const PassRecord& r = *row.record;
        if (r.IsEmpty() || !settings.satellites.count(row.catalogueNumber)) continue;
        if (settings.visibleOnly && !r.HasVisibleWindow()) continue;
        for (PassAlertKind kind : {PassAlertKind::Lead, PassAlertKind::Rise}) {
            if (kind == PassAlertKind::Lead && settings.leadMinutes <= 0) continue;
            const double at =
                kind == PassAlertKind::Lead ? r.aos - settings.leadMinutes / 1440.0 : r.aos;
            const double late = (realNow - at) * kSecondsPerDay;
            if (late < 0.0 || late > kLateLimitSeconds) continue;
            if (AlreadyFired(row.catalogueNumber, kind, r.aos)) continue;
            fired_.push_back({row.catalogueNumber, kind, r.aos});
            due.push_back({kind, row.catalogueNumber, r.aos, TrimRight(row.name),
                           PassAlertText(row, kind, settings.leadMinutes, time)});
        }
    }
    return due;
}

std::string NextPassText(const std::vector<PassAlertRow>& rows, double realNow,
                         const RowTimeOptions& time) {
    const PassAlertRow* next = nullptr;
    const PassAlertRow* up = nullptr;
    for (const PassAlertRow& row : rows) {
        if (!row.record) continue;
        const PassRecord& r = *row.record;
        if (r.IsEmpty() || r.los <= realNow) continue;
        if (r.aos <= realNow) {
            if (!up || r.los < up->record->los) up = &row;
        } else if (!next || r.aos < next->record->aos) {
            next = &row;
        }
    }
    if (up)
        return "Now: " + TrimRight(up->name) + " until " +
               FormatRowTime(up->record->los, up->record->los, time);
    if (!next) return {};
    return "Next: " + TrimRight(next->name) + " " +
           FormatRowTime(next->record->aos, next->record->aos, time) + " in " +
           CountdownText((next->record->aos - realNow) * kSecondsPerDay);
}

}  // namespace orvanta

#include "catalogue/pass_list_format.h"

#include <cmath>
#include <cstdio>

#include "common/time_format.h"

namespace orvanta {

namespace {

struct ColumnInfo {
    const char* title;
    int width;
};

constexpr ColumnInfo kColumns[PASS_LIST_COLUMNS] = {
    {"Satellite", 140},
    {"AOS", 80},
    {"LOS", 80},
    {"T-", 60},
    {"Rise Az", 50},
    {"Max El", 70},
    {"Set Az", 50},
    {"Duration", 60},
    {"Az", 50},
    {"El", 50},
    {"Range", 50},
    {"Lunar Pass Start", 80},
    {"Lunar Pass End", 80},
    {"Flare Details", 80},
    {"Mag", 40},
    {"Visible", 120},
};

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// Whole degrees the way the list has always shown them: truncated towards zero.
int WholeDegrees(double degrees) {
    return static_cast<int>(degrees);
}

}  // namespace

const char* PassListColumnTitle(int column) {
    return column >= 0 && column < PASS_LIST_COLUMNS ? kColumns[column].title : "";
}

int PassListColumnWidth(int column) {
    return column >= 0 && column < PASS_LIST_COLUMNS ? kColumns[column].width : 0;
}

bool PassListColumnOptional(int column) {
    return column == COL_MAGNITUDE || column == COL_VISIBLE;
}

TimeOfDay JulianTimeOfDay(double julian) {
    // Counting in whole milliseconds first keeps 18:00:00 from showing as 17:59:59 when the
    // Julian date sits a rounding error below the second.
    const double dayFraction = julian + 0.5 - std::floor(julian + 0.5);
    long long ms = std::llround(dayFraction * 86400000.0);
    if (ms >= 86400000LL) ms -= 86400000LL;
    const long long s = ms / 1000;
    return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)};
}

std::string FormatTime12h(const TimeOfDay& t) {
    int hour = t.hour % 12;
    if (hour == 0) hour = 12;
    return Format("%d:%02d:%02d %s", hour, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
}

std::string FormatRowTime(double julian, double now, const RowTimeOptions& options) {
    const int daysAhead = static_cast<int>(julian - now);
    const TimeOfDay t = JulianTimeOfDay(julian + options.displayOffsetMinutes / 1440.0);
    if (options.use24h) {
        if (daysAhead > 0)
            return Format("+%d   %02d:%02d:%02d", daysAhead, t.hour, t.minute, t.second);
        return Format("%02d:%02d:%02d", t.hour, t.minute, t.second);
    }
    std::string time;
    if (options.localeTime) {
        CalendarFields f;
        f.hour = t.hour, f.minute = t.minute, f.second = t.second;
        time = options.localeTime->TimeOfDay(f);
    } else {
        time = FormatTime12h(t);
    }
    if (daysAhead > 0) return Format("+%d   %s", daysAhead, time.c_str());
    return time;
}

std::string FormatCountdown(double target, double now) {
    // Whole seconds, truncated; the small allowance keeps 5:00 from showing as 4:59 when
    // the Julian dates differ by a rounding error less than a whole number of seconds.
    double seconds = std::floor((target - now) * 86400.0 + 1e-4);
    if (seconds < 0) seconds = 0;
    const long long s = static_cast<long long>(seconds);
    return Format("%02d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                  static_cast<int>(s % 60));
}

std::string FormatSatelliteCell(std::string_view name, std::int32_t catalogueNumber) {
    return Format("%.*s   (%0.5d)", static_cast<int>(name.size()), name.data(),
                  static_cast<int>(catalogueNumber));
}

std::string FormatAzimuthCell(double degrees) {
    return Format("%0.3d", WholeDegrees(degrees));
}

std::string FormatMaxElevationCell(double midAzimuth, double maxElevation) {
    return Format("%0.3d @ %0.2d", WholeDegrees(midAzimuth), WholeDegrees(maxElevation));
}

std::string FormatDurationCell(double aos, double los) {
    long long seconds = std::llround((los - aos) * 86400.0);
    if (seconds < 0) seconds = 0;
    return Format("%dm %0.2ds", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
}

std::string FormatLiveAzimuth(double degrees) {
    return Format("%05.1f", degrees);
}
std::string FormatLiveElevation(double degrees) {
    return Format("%04.1f", degrees);
}
std::string FormatLiveRange(double range) {
    return Format("%0.1f", range);
}

std::string FormatMagnitudeCell(double magnitude) {
    return Format("%.1f", magnitude);
}

std::string FormatVisibleCell(double start, double end, const RowTimeOptions& options) {
    // A "now" equal to the time leaves the days-ahead prefix out.
    return FormatRowTime(start, start, options) + " - " + FormatRowTime(end, end, options);
}

std::string FormatFlareCell(std::string_view time, double magnitude, double azimuth,
                            double elevation) {
    return Format("%.*s M: %0.2f Az: %0.1f El: %0.1f", static_cast<int>(time.size()), time.data(),
                  magnitude, azimuth, elevation);
}

std::string PassListHeader(std::string_view base, std::string_view zoneLabel) {
    std::string out(base);
    out += "  (";
    out += zoneLabel;
    out += ')';
    return out;
}

Rgb PassTextColour(bool inProgress, double currentElevation, double maxElevation) {
    if (inProgress) return currentElevation > 10.0 ? Rgb{0, 255, 0} : Rgb{185, 146, 30};
    // Kept within a byte; 90 degrees gives 254, the horizon 92.
    const int grey = static_cast<int>(maxElevation * 1.81 + 92.0);
    const auto g = static_cast<std::uint8_t>(((grey % 256) + 256) % 256);
    return {g, g, g};
}

std::optional<Rgb> PassCellBackground(int column) {
    if (column < 0 || column >= COL_FLARE) return std::nullopt;
    return column % 2 ? Rgb{32, 32, 32} : Rgb{0, 0, 0};
}

int PassRowIcon(bool hasFlare, bool hasLunarStart, bool hasLunarEnd, int lighting) {
    if (hasFlare) return ICON_FLARE;
    if (hasLunarStart && hasLunarEnd) return ICON_LUNAR_PASS;
    if (hasLunarStart) return ICON_LUNAR_START_ONLY;
    if (hasLunarEnd) return ICON_LUNAR_END_ONLY;
    return lighting;
}

}  // namespace orvanta

#include "common/time_format.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "orbit/julian_date.h"

namespace orvanta {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

// ---- renderer -----------------------------------------------------------------------

std::string DefaultDateTimeRenderer::ShortDate(const CalendarFields& f) const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

std::string DefaultDateTimeRenderer::TimeOfDay(const CalendarFields& f) const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

// ---- arithmetic ---------------------------------------------------------------------

CalendarFields JulianToCalendarFields(const cJulianDate& jd) {
    // The calendar conversion works in int: keep it to dates it can represent.
    double d = jd.Date();
    if (!std::isfinite(d) || d < 0.0 || d > 1e8) return {};
    SystemTime st;
    jd.ToSystemTime(st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// The calendar itself is the orbit model's (cJulianDate counts whole seconds exactly for
// any year the display can meet); only the normalising of months, days and times is ours.
std::int64_t CalendarFieldsToUnix(const CalendarFields& f) {
    // Normalise the month first so 13/2026 is 1/2027.
    std::int64_t monthIndex = std::int64_t(f.month) - 1;
    std::int64_t year = f.year + FloorDiv(monthIndex, 12);
    int month = int(monthIndex - FloorDiv(monthIndex, 12) * 12) + 1;
    SystemTime first;
    first.wYear = std::uint16_t(year);
    first.wMonth = std::uint16_t(month);
    first.wDay = 1;
    return cJulianDate(first).ToUnixTime() + (std::int64_t(f.day) - 1) * 86400 +
           std::int64_t(f.hour) * 3600 + std::int64_t(f.minute) * 60 + f.second;
}

CalendarFields UnixToCalendarFields(std::int64_t t) {
    SystemTime st;
    cJulianDate(t).ToSystemTime(st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

CalendarFields AddMinutes(const CalendarFields& f, std::int64_t minutes) {
    return UnixToCalendarFields(CalendarFieldsToUnix(f) + minutes * 60);
}

std::string AbbreviateZoneName(const std::string& longName) {
    if (longName.empty()) return {};
    std::string out(1, longName[0]);
    // Characters 4 to 33 (counting from 1); the second and third are not looked at.
    for (std::size_t i = 3; i < longName.size() && i < 33 && out.size() < 9; ++i)
        if (IsUpperAscii(longName[i])) out.push_back(longName[i]);
    return out;
}

std::string ZoneLabel(const platform::ZoneInfo& zone) {
    if (!zone.known) return "---";
    const std::string& longName = zone.daylight ? zone.daylightName : zone.standardName;
    if (!longName.empty()) return AbbreviateZoneName(longName);
    if (!zone.abbreviation.empty()) return zone.abbreviation.substr(0, 9);
    return "---";
}

// ---- formatter ----------------------------------------------------------------------

TimeFormatter::TimeFormatter(std::shared_ptr<const platform::ITimeZone> zone,
                             std::shared_ptr<const IDateTimeRenderer> renderer, bool displayUtc)
    : zone_(std::move(zone)), renderer_(std::move(renderer)), displayUtc_(displayUtc) {
    if (!renderer_) renderer_ = std::make_shared<DefaultDateTimeRenderer>();
}

CalendarFields TimeFormatter::LocalFields(std::int64_t unixSeconds) const {
    int offset = 0;
    if (zone_) {
        platform::ZoneInfo z = zone_->At(unixSeconds);
        if (z.known) offset = z.utcOffsetMinutes;
    }
    return UnixToCalendarFields(unixSeconds + std::int64_t(offset) * 60);
}

int TimeFormatter::DisplayOffsetMinutes(const cJulianDate& jd) const {
    if (displayUtc_ || !zone_) return 0;
    platform::ZoneInfo z = zone_->At(CalendarFieldsToUnix(JulianToCalendarFields(jd)));
    return z.known ? z.utcOffsetMinutes : 0;
}

CalendarFields TimeFormatter::DisplayFields(const cJulianDate& jd) const {
    CalendarFields utc = JulianToCalendarFields(jd);
    if (displayUtc_) return utc;
    // The offset of the instant itself, so a time on the far side of a daylight-saving
    // change is shown with that side's offset.
    return LocalFields(CalendarFieldsToUnix(utc));
}

std::string TimeFormatter::FormatDateTime(const cJulianDate& jd) const {
    CalendarFields f = DisplayFields(jd);
    return renderer_->ShortDate(f) + " " + renderer_->TimeOfDay(f);
}

std::string TimeFormatter::FormatTime(const cJulianDate& jd) const {
    return renderer_->TimeOfDay(DisplayFields(jd));
}

std::string TimeFormatter::FormatEventTime(std::chrono::system_clock::time_point when) const {
    std::int64_t secs =
        std::chrono::floor<std::chrono::seconds>(when.time_since_epoch()).count();
    CalendarFields f = LocalFields(secs);
    return renderer_->ShortDate(f) + "   " + renderer_->TimeOfDay(f);
}

std::string TimeFormatter::HeaderZoneLabel(std::int64_t unixSeconds) const {
    if (displayUtc_) return "UTC";
    if (!zone_) return "UTC";
    return ZoneLabel(zone_->At(unixSeconds));
}

// ---- process-wide state -------------------------------------------------------------

namespace {

struct DisplayState {
    std::mutex mutex;
    std::shared_ptr<const platform::ITimeZone> zone;
    std::shared_ptr<const IDateTimeRenderer> renderer;
    std::atomic<bool> displayUtc{false};
};

DisplayState& State() {
    static DisplayState s;
    return s;
}

}  // namespace

void SetDisplayTimeZone(std::shared_ptr<const platform::ITimeZone> zone) {
    std::lock_guard lock(State().mutex);
    State().zone = std::move(zone);
}

void SetDateTimeRenderer(std::shared_ptr<const IDateTimeRenderer> renderer) {
    std::lock_guard lock(State().mutex);
    State().renderer = std::move(renderer);
}

void SetDisplayUtc(bool displayUtc) { State().displayUtc = displayUtc; }

TimeFormatter CurrentTimeFormatter() {
    std::lock_guard lock(State().mutex);
    return TimeFormatter(State().zone, State().renderer, State().displayUtc);
}

std::string FormatDateTime(const cJulianDate& jd) { return CurrentTimeFormatter().FormatDateTime(jd); }

std::string FormatTime(const cJulianDate& jd) { return CurrentTimeFormatter().FormatTime(jd); }

}  // namespace orvanta

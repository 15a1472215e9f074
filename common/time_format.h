#pragma once
// Display times: a UTC Julian date becomes calendar fields (seconds truncated), then local
// time through the zone rules in force at that instant unless "DisplayUTC" is on, then
// text through a renderer (the program plugs in the locale's short date and time formats;
// the built-in one writes "2026-12-08" and "14:05:09").
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/time_zone.h"

namespace orvanta {

class cJulianDate;

struct CalendarFields {
    int year = 2000;
    int month = 1;  // 1 ... 12
    int day = 1;    // 1 ... 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CalendarFields&) const = default;
};

class IDateTimeRenderer {
public:
    virtual ~IDateTimeRenderer() = default;
    virtual std::string ShortDate(const CalendarFields& local) const = 0;
    virtual std::string TimeOfDay(const CalendarFields& local) const = 0;
};

// "YYYY-MM-DD" and "HH:MM:SS".
class DefaultDateTimeRenderer : public IDateTimeRenderer {
public:
    std::string ShortDate(const CalendarFields& f) const override;
    std::string TimeOfDay(const CalendarFields& f) const override;
};

// ---- pure arithmetic --------------------------------------------------------------
// UTC fields of a Julian date, as the orbit model's calendar conversion gives them, the
// fraction of a second dropped. A date that is not finite or lies outside 0 ... 1e8 days
// gives the default fields (2000-01-01 00:00:00) rather than undefined arithmetic.
CalendarFields JulianToCalendarFields(const cJulianDate& jd);
// Seconds since 1970 of UTC fields (proleptic Gregorian calendar, years 1 ... 65535) and back.
std::int64_t CalendarFieldsToUnix(const CalendarFields& utc);
CalendarFields UnixToCalendarFields(std::int64_t unixSeconds);
// The fields shifted by whole minutes (normalised across days, months and years).
CalendarFields AddMinutes(const CalendarFields& f, std::int64_t minutes);

// Short zone label for column headers: the long zone name in force (daylight name while
// daylight time is in force, else the standard name) reduced to its first character plus
// every capital A-Z among characters 4 to 33, at most 9 characters; where the system has
// only an abbreviation ("CEST"), that abbreviation cut to 9; "---" for no zone.
std::string ZoneLabel(const platform::ZoneInfo& zone);
// The reduction alone, on one long name ("W. Europe Daylight Time" -> "WEDT").
std::string AbbreviateZoneName(const std::string& longName);

// ---- formatter --------------------------------------------------------------------
class TimeFormatter {
public:
    // A null zone means UTC; a null renderer the built-in one.
    TimeFormatter(std::shared_ptr<const platform::ITimeZone> zone,
                  std::shared_ptr<const IDateTimeRenderer> renderer, bool displayUtc);

    // Fields shown for a UTC instant: UTC itself with displayUtc, else local time.
    CalendarFields DisplayFields(const cJulianDate& jd) const;
    // Minutes added to UTC for display at the instant (0 with displayUtc).
    int DisplayOffsetMinutes(const cJulianDate& jd) const;
    // "<short date> <time>"
    std::string FormatDateTime(const cJulianDate& jd) const;
    // "<time>"
    std::string FormatTime(const cJulianDate& jd) const;
    // The event log's time column: always local, "<short date>   <time>" (three blanks).
    std::string FormatEventTime(std::chrono::system_clock::time_point when) const;
    // Label for "AOS  (%s)" headers at the instant: "UTC" with displayUtc, else ZoneLabel.
    std::string HeaderZoneLabel(std::int64_t unixSeconds) const;

    bool DisplayUtc() const { return displayUtc_; }

private:
    CalendarFields LocalFields(std::int64_t unixSeconds) const;

    std::shared_ptr<const platform::ITimeZone> zone_;
    std::shared_ptr<const IDateTimeRenderer> renderer_;
    bool displayUtc_;
};

// ---- process-wide display state ---------------------------------------------------
// The main window installs the system zone, the locale renderer and the "DisplayUTC"
// value; any thread may then format. Until installed: UTC, built-in renderer, local.
void SetDisplayTimeZone(std::shared_ptr<const platform::ITimeZone> zone);
void SetDateTimeRenderer(std::shared_ptr<const IDateTimeRenderer> renderer);
void SetDisplayUtc(bool displayUtc);
TimeFormatter CurrentTimeFormatter();

std::string FormatDateTime(const cJulianDate& jd);
std::string FormatTime(const cJulianDate& jd);

}  // namespace orvanta

#pragma once
// The system's time-zone rules at a given instant. Plain C++ so core formatters can take
// a zone without seeing any OS header; implementations live in posix/ and win32/.
#include <cstdint>
#include <memory>
#include <string>

namespace orvanta::platform {

struct ZoneInfo {
    bool known = false;          // false when the system reports no time zone
    int utcOffsetMinutes = 0;    // local time minus UTC at the instant, daylight time included
    bool daylight = false;       // daylight saving time is in force at the instant
    std::string abbreviation;    // short name in force, e.g. "CEST"; may be empty
    std::string standardName;    // long names where the system has them
    std::string daylightName;    // ("W. Europe Standard Time"); empty on POSIX
};

class ITimeZone {
public:
    virtual ~ITimeZone() = default;
    // Rules in force at the instant, given in seconds since 1970-01-01 00:00 UTC.
    virtual ZoneInfo At(std::int64_t unixSeconds) const = 0;
};

// The system's zone: on POSIX the TZ rules (re-read on every call, so a changed TZ takes
// effect at once); on Windows GetTimeZoneInformation with the rules of the instant's year.
std::shared_ptr<const ITimeZone> SystemTimeZone();

// A zone with a constant offset and names, for tests and for "no zone" stand-ins.
std::shared_ptr<const ITimeZone> FixedTimeZone(int utcOffsetMinutes, std::string abbreviation,
                                               bool known = true);

}  // namespace orvanta::platform

#pragma once
// Setting the computer clock: the arithmetic of the GPS synchronisation (a GGA sentence
// carries the time of day but no date), the texts of every outcome and the limit on what
// an unattended run may change.
#include <cstdint>
#include <string>

#include "location/nmea.h"

namespace orvanta {

// "Time Sync" values.
inline constexpr int TIME_SYNC_NONE = 0;
inline constexpr int TIME_SYNC_INTERNET = 1;
inline constexpr int TIME_SYNC_GPS = 3;

inline constexpr std::int64_t kMicrosPerSecond = 1000000;
inline constexpr std::int64_t kMicrosPerDay = 86400 * kMicrosPerSecond;

// A UTC instant by its calendar fields (proleptic Gregorian calendar).
struct UtcClockFields {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    int microsecond = 0;
    bool operator==(const UtcClockFields&) const = default;
};

std::int64_t UnixMicrosFromFields(const UtcClockFields& f);
UtcClockFields FieldsFromUnixMicros(std::int64_t unixMicros);

enum class GpsClockStatus { Ok, InvalidFix, TimerRolledOver };

struct GpsClockComputation {
    GpsClockStatus status = GpsClockStatus::InvalidFix;
    std::int64_t newTimeMicros = 0;   // what the clock is to be set to, at tick t1
    double differenceSeconds = 0.0;   // GPS time minus system time when the sentence came
};

// The GPS time as the new system time. systemMicros is the system clock read right after
// the sentence's last byte, at tick t0; t1 is the tick just before the clock is set. The
// sentence gives hours to milliseconds; the date is the system's, moved a day when the
// two sides of midnight meet (system 23 h and GPS 0 h, or the reverse). A fix quality of
// 0 or a sentence without a time refuses; so does a tick counter that went backwards.
GpsClockComputation ComputeGpsClockTime(std::int64_t systemMicros, const GgaFix& fix,
                                        std::int64_t t0Micros, std::int64_t t1Micros);

// Unattended runs (the periodic synchronisation) never move the clock further than this;
// "Synchronize now..." asks first when the step is larger than kMaxUnaskedAdjustmentSeconds.
inline constexpr double kMaxUnattendedAdjustmentSeconds = 1000.0;
inline constexpr double kMaxUnaskedAdjustmentSeconds = 3600.0;
inline constexpr int kClockSyncFirstRunSeconds = 60;
inline constexpr int kClockSyncPeriodSeconds = 3 * 3600;

// The texts, character for character.
inline constexpr char kNoTimeSyncMode[] = "No time sync mode has been selected!";
inline constexpr char kGpsClockInvalidFix[] =
    "Your GPS reports an invalid position fix.\nThis also means the time has not yet been "
    "synchronized between your GPS and the Satellites.  Please try again after your GPS as "
    "acquired enough satellites.";
inline constexpr char kTimerRolledOver[] =
    "A series of unfortunate events has occurred: The internal windows timer has rolled over "
    "in the precise moment we were measuring time. This happens every 49.7 days, alas, we're "
    "unable to continue, your system time has NOT been updated. Please synchronise the time "
    "again.";
inline constexpr char kGpsSyncError[] =
    "An error occured while trying to synchronize time with the GPS";
inline constexpr char kClockAdjusted[] = "System time has been adjusted by %0.2f seconds";
inline constexpr char kClockNotSet[] =
    "The system time could not be set. Do you have permission to set the time on this system?";
// Texts of the time-server synchronisation, in the same manner.
inline constexpr char kNoTimeServer[] = "No time server has been selected!";
inline constexpr char kTimeServerError[] =
    "An error occured while trying to synchronize time with the time server %s: %s";
inline constexpr char kAdjustmentTooLarge[] =
    "System time differs by %0.2f seconds from %s. Differences above %d seconds are not "
    "corrected automatically; use 'Settings' -> 'System' -> 'Synchronize now...' to set the "
    "time.";
inline constexpr char kClockSyncBusy[] = "The system time is being synchronized already.";
inline constexpr char kClockStepQuestion[] =
    "The time from %s differs from the system time by %0.2f seconds.\n\nSystem time: %s\n"
    "New time: %s\n\nDo you want to set the system time?";

// "2026-12-08 13:00:00 UTC".
std::string UtcTimeText(std::int64_t unixMicros);
// The question before a large step, with the time now and the time it would become.
std::string ClockStepQuestion(const std::string& source, std::int64_t oldMicros,
                              std::int64_t newMicros);

// "System time has been adjusted by 2.00 seconds".
std::string ClockAdjustedText(double seconds);

}  // namespace orvanta

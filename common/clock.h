#pragma once
// The program's one notion of "now": the UTC Julian date plus the user's time offset
// (moved a minute at a time from the views). Sources are injectable so tests run at a
// fixed instant, and the clock notices when the system wall clock jumps.
#include <chrono>
#include <cmath>
#include <functional>
#include <utility>

namespace orvanta {

// Julian date of 1970-01-01 00:00:00 UTC.
inline constexpr double kUnixEpochJulian = 2440587.5;

// Current UTC time as a Julian date, from the system wall clock.
inline double SystemUtcJulian() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return kUnixEpochJulian + seconds / 86400.0;
}

// Seconds on a clock that never jumps.
inline double SystemMonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class Clock {
public:
    using UtcSource = std::function<double()>;        // Julian date, UTC
    using MonotonicSource = std::function<double()>;  // seconds

    // A jump between wall clock and monotonic clock larger than this counts as a change
    // of the system time; ordinary drift and a late timer stay well below it.
    static constexpr double kTimeChangeThresholdSeconds = 5.0;

    explicit Clock(UtcSource utc = SystemUtcJulian, MonotonicSource mono = SystemMonotonicSeconds)
        : utc_(std::move(utc)), mono_(std::move(mono)) {
        Advance();
        lastWall_ = utc_();
        lastMono_ = mono_();
    }

    // "now" as of the last Advance(): UTC Julian date plus the offset.
    double Now() const { return now_; }

    // Re-reads the time source; returns the new "now".
    double Advance() {
        now_ = utc_() + offsetDays_;
        return now_;
    }

    double OffsetDays() const { return offsetDays_; }
    void SetOffsetDays(double days) {
        offsetDays_ = days;
        Advance();
    }
    void AddMinutes(double minutes) { SetOffsetDays(offsetDays_ + minutes / 1440.0); }

    // True once after the wall clock moved differently from the monotonic clock by more
    // than the threshold since the previous call (someone set the system time).
    bool SystemTimeChanged() {
        const double wall = utc_();
        const double mono = mono_();
        const double wallDelta = (wall - lastWall_) * 86400.0;
        const double monoDelta = mono - lastMono_;
        lastWall_ = wall;
        lastMono_ = mono;
        return std::fabs(wallDelta - monoDelta) > kTimeChangeThresholdSeconds;
    }

private:
    UtcSource utc_;
    MonotonicSource mono_;
    double offsetDays_ = 0.0;
    double now_ = 0.0;
    double lastWall_ = 0.0;
    double lastMono_ = 0.0;
};

}  // namespace orvanta

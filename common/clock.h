#pragma once
// The program's one notion of "now": the UTC Julian date plus the user's time offset
// (moved a minute at a time from the views), run at a rate or paused. Sources are
// injectable so tests run at a fixed instant, and the clock notices when the system wall
// clock jumps.
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
    // Fastest simulated rate either way, in program seconds per real second.
    static constexpr double kMaxRate = 3600.0;
    // An offset this small still counts as real time (a jump to "now" typed to the second).
    static constexpr double kRealTimeToleranceSeconds = 0.5;

    explicit Clock(UtcSource utc = SystemUtcJulian, MonotonicSource mono = SystemMonotonicSeconds)
        : utc_(std::move(utc)), mono_(std::move(mono)) {
        Advance();
        lastWall_ = utc_();
        lastMono_ = mono_();
    }

    // "now" as of the last Advance(): the program time.
    double Now() const { return now_; }

    // Re-reads the time sources; returns the new "now". At rate 1 unpaused the program
    // time is the system time plus the offset, so it follows the system clock like the
    // rest of the machine. At any other rate it is a mark plus the monotonic time since,
    // times the rate: nothing accumulates per tick, and a step of the system clock does
    // not move simulated time (the offset, program time minus system time, absorbs it).
    double Advance() {
        if (FollowsSystemClock()) {
            now_ = utc_() + offsetDays_;
        } else {
            now_ = SimulatedNow();
            offsetDays_ = now_ - utc_();
        }
        return now_;
    }

    // Program time minus system time as of the last Advance().
    double OffsetDays() const { return offsetDays_; }
    void SetOffsetDays(double days) {
        if (FollowsSystemClock()) {
            offsetDays_ = days;
            Advance();
        } else {
            SetProgramTime(utc_() + days);
        }
    }
    // The views' Up and Down keys: a minute either way at any rate, paused or not.
    void AddMinutes(double minutes) {
        if (FollowsSystemClock()) {
            SetOffsetDays(offsetDays_ + minutes / 1440.0);
        } else {
            markProgram_ += minutes / 1440.0;
            Advance();
        }
    }

    // Jumps to an instant (Julian date, UTC); the rate and the pause stay.
    void SetProgramTime(double julian) {
        Mark(julian);
        offsetDays_ = julian - utc_();
        Advance();
    }

    // Program seconds per real second; 0 stands still and a negative rate runs backwards.
    // A rate that is not finite or lies outside ±kMaxRate is refused (false, unchanged).
    double Rate() const { return rate_; }
    bool SetRate(double rate) {
        if (!std::isfinite(rate) || std::fabs(rate) > kMaxRate) return false;
        Rebase([&] { rate_ = rate; });
        return true;
    }

    // Freezes the program time; Resume() runs on from the same instant at the same rate.
    bool Paused() const { return paused_; }
    void Pause() { Rebase([&] { paused_ = true; }); }
    void Resume() { Rebase([&] { paused_ = false; }); }

    // True when the program shows the present: no offset worth a second, rate 1, running.
    bool IsRealTime() const {
        return FollowsSystemClock() &&
               std::fabs(offsetDays_) * 86400.0 <= kRealTimeToleranceSeconds;
    }
    // Back to the present: offset 0, rate 1, running.
    void ResetToNow() {
        rate_ = 1.0;
        paused_ = false;
        offsetDays_ = 0.0;
        Advance();
    }

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
    bool FollowsSystemClock() const { return rate_ == 1.0 && !paused_; }

    double SimulatedNow() const {
        const double rate = paused_ ? 0.0 : rate_;
        return markProgram_ + rate * (mono_() - markMono_) / 86400.0;
    }

    void Mark(double julian) {
        markProgram_ = julian;
        markMono_ = mono_();
    }

    // Changes the rate or the pause without moving the program time: the instant reached
    // so far becomes the new mark (or, back at real rate, the offset).
    template <typename Change>
    void Rebase(Change change) {
        const double current = FollowsSystemClock() ? utc_() + offsetDays_ : SimulatedNow();
        change();
        SetProgramTime(current);
    }

    UtcSource utc_;
    MonotonicSource mono_;
    double offsetDays_ = 0.0;
    double now_ = 0.0;
    double lastWall_ = 0.0;
    double lastMono_ = 0.0;
    double rate_ = 1.0;
    bool paused_ = false;
    double markProgram_ = 0.0;  // Julian date at markMono_, used off real rate
    double markMono_ = 0.0;     // monotonic seconds
};

}  // namespace orvanta

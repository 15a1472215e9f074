#pragma once
// The computer's clock: reading it, a clock that never jumps, and setting it. Setting the
// time needs a privilege the program usually lacks; each platform asks the way its desktop
// does. Tests use a stand-in: no test ever changes the machine's clock.
#include <cstdint>
#include <memory>
#include <string>

namespace orvanta::platform {

struct ClockSetResult {
    bool ok = false;
    std::string errorText;  // the system's words for the refusal
    // The refusal was for want of permission; grantHint says how to grant it.
    bool permissionMissing = false;
    std::string grantHint;
};

// Whether setting the clock may ask the user (for a password, say). Only a run the user
// started may; an unattended one must neither prompt nor wait for somebody to answer.
enum class ClockSetMode { MayAsk, NoQuestions };

class ISystemClock {
public:
    virtual ~ISystemClock() = default;
    // Wall clock, microseconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t UtcMicros() const = 0;
    // Microseconds on a clock that never jumps (for measuring how long something took).
    virtual std::int64_t TickMicros() const = 0;
    // Sets the wall clock to the UTC instant.
    virtual ClockSetResult SetUtc(std::int64_t unixMicros, ClockSetMode mode) = 0;
};

// The machine's clock. Linux: clock_settime where the process may (CAP_SYS_TIME), else
// the desktop's time service (systemd-timedated over D-Bus, which may ask the user for
// permission) when the program was built with D-Bus; Windows: SetSystemTime.
std::shared_ptr<ISystemClock> MachineClock();

}  // namespace orvanta::platform

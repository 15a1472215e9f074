#pragma once
// Setting the time through systemd-timedated (org.freedesktop.timedate1.SetTime on the
// system bus), for the POSIX clock when the process itself may not.
#include <cstdint>

#include "platform/system_clock.h"

namespace orvanta::platform {

// Moves the clock by deltaMicros. MayAsk lets polkit ask the user for a password (the
// windows paint meanwhile but take no input, for up to 2 minutes); NoQuestions asks nobody
// and keeps the window thread's events running while the answer comes.
ClockSetResult SetTimeThroughTimedated(std::int64_t deltaMicros, ClockSetMode mode);

// Said when polkit refuses an unattended change.
inline constexpr char kTimedatePermissionHint[] =
    "To let Orvanta set the clock unattended, allow the polkit action "
    "org.freedesktop.timedate1.set-time for this user, or run it as a user in a group that "
    "such a rule allows.";

}  // namespace orvanta::platform

#pragma once
// A system clock that stands still until set, and records what it was set to. Tests set
// this one, never the machine's.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_clock.h"

namespace orvanta::testing {

class FakeSystemClock : public platform::ISystemClock {
public:
    explicit FakeSystemClock(std::int64_t utcMicros = 0) : utc(utcMicros) {}
    std::int64_t UtcMicros() const override { return utc; }
    std::int64_t TickMicros() const override { return tick; }
    platform::ClockSetResult SetUtc(std::int64_t unixMicros, platform::ClockSetMode mode) override {
        sets.push_back(unixMicros);
        modes.push_back(mode);
        if (!refusal.empty()) return {false, refusal, !grantHint.empty(), grantHint};
        utc = unixMicros;
        return {true, {}, false, {}};
    }

    std::int64_t utc = 0;
    std::int64_t tick = 1'000'000;
    std::string refusal;    // non-empty: SetUtc fails with this text
    std::string grantHint;  // non-empty too: ... for want of permission, granted so
    std::vector<std::int64_t> sets;
    std::vector<platform::ClockSetMode> modes;
};

}  // namespace orvanta::testing

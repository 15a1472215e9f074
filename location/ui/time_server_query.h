#pragma once
// One SNTP exchange, waited for: for the command line and the clock synchronisation. Runs
// a local event loop (creating the Qt application object when the program has none).
#include <cstdint>
#include <functional>
#include <string>

#include "location/sntp.h"

namespace orvanta {

SntpOutcome QueryTimeServer(const std::string& host, std::uint16_t port = kNtpPort,
                            int timeoutMs = kSntpTimeoutMs,
                            std::function<std::int64_t()> nowMicros = {});

}  // namespace orvanta

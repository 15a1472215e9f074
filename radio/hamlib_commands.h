#pragma once
// The commands the tracker gives Hamlib's daemons, and what their answers mean. Shared by the
// window's and the command line's drivers so both say exactly the same things.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "radio/hamlib_exchange.h"
#include "radio/rotator_plan.h"

namespace orvanta {

// rotctld: point the antenna ("P az el").
void QueueRotatorPosition(HamlibExchange& exchange, const LookAngle& command);
// rotctld: stop ("S"), ask where it is ("p"), ask for its limits ("\dump_state").
void QueueRotatorStop(HamlibExchange& exchange);
void QueueRotatorReadPosition(HamlibExchange& exchange);
void QueueRotatorLimits(HamlibExchange& exchange);
// rigctld: split operation for an uplink on the second VFO ("S 1 VFOB"), receive frequency
// ("F hz"), transmit frequency ("I hz"), mode ("M mode 0"), ask the frequency ("f").
void QueueRadioSplit(HamlibExchange& exchange);
void QueueRadioFrequencies(HamlibExchange& exchange, std::optional<std::int64_t> downlinkHz,
                           std::optional<std::int64_t> uplinkHz);
void QueueRadioMode(HamlibExchange& exchange, const std::string& mode);
void QueueRadioReadFrequency(HamlibExchange& exchange);

// The limits in a \dump_state answer ("min_az=-180.000000", ...); nothing when it has none
// (older daemons answer in another layout).
std::optional<RotatorLimits> ParseRotatorLimits(const std::vector<std::string>& lines);
// "p": two lines, azimuth and elevation.
std::optional<LookAngle> ParseRotatorPosition(const std::vector<std::string>& lines);
// "f": one line, Hz.
std::optional<std::int64_t> ParseRadioFrequency(const std::vector<std::string>& lines);

// "RPRT -1" etc. in words for the status lines and the event log.
std::string HamlibErrorText(int code);

// "host:port" -> parts; false on anything else (port 1..65535).
bool ParseHostPort(const std::string& text, std::string& host, int& port);

}  // namespace orvanta

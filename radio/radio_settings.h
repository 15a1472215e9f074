#pragma once
// The radio window's stored values: daemon addresses, thresholds, park position, the user's
// own transmitters and the per-satellite calibration offsets.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "radio/transmitters.h"

namespace orvanta {

class CRegistry;

struct RadioSettings {
    std::string rotatorAddress = "127.0.0.1:4533";  // "Rotctld Address"
    std::string radioAddress = "127.0.0.1:4532";    // "Rigctld Address"
    double rotatorThresholdDeg = 1.0;               // "Rotator Threshold", tenths of a degree
    double radioThresholdHz = 10.0;                 // "Radio Threshold", Hz
    bool parkAfterLos = true;                       // "Rotator Park"
    double parkAz = 0.0;                            // "Rotator Park Az", degrees
    double parkEl = 0.0;                            // "Rotator Park El", degrees
    std::vector<Transmitter> userTransmitters;      // "Radio Transmitters"
    std::map<std::int32_t, std::int64_t> offsets;   // "Radio Offsets", Hz by catalogue number
};

// Reads every value; a missing or damaged one keeps its default.
RadioSettings LoadRadioSettings(CRegistry& registry);
// Writes every value in one change.
bool SaveRadioSettings(CRegistry& registry, const RadioSettings& settings);

}  // namespace orvanta

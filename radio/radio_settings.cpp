#include "radio/radio_settings.h"

#include <algorithm>
#include <cmath>

#include "common/registry.h"
#include "radio/hamlib_commands.h"

namespace orvanta {

namespace {

// The lists are kept as binary text: a string value is cut at 1023 characters, which a dozen
// transmitters would pass.
constexpr std::size_t kMaxListBytes = 64 * 1024;

std::string ReadText(CRegistry& registry, const std::string& name) {
    const std::size_t size = std::min(registry.ValueSize(name), kMaxListBytes);
    std::vector<std::uint8_t> bytes(size);
    const std::size_t n = size ? registry.ReadBinary(name, bytes) : 0;
    return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

std::string ValidAddress(const std::string& text, const std::string& fallback) {
    std::string host;
    int port = 0;
    return ParseHostPort(text, host, port) ? text : fallback;
}

}  // namespace

RadioSettings LoadRadioSettings(CRegistry& registry) {
    RadioSettings s;
    s.rotatorAddress = ValidAddress(registry.ReadString("Rotctld Address", s.rotatorAddress),
                                    s.rotatorAddress);
    s.radioAddress =
        ValidAddress(registry.ReadString("Rigctld Address", s.radioAddress), s.radioAddress);
    s.rotatorThresholdDeg =
        std::clamp(registry.ReadDword("Rotator Threshold", 10), 1, 100) / 10.0;
    s.radioThresholdHz = std::clamp(registry.ReadDword("Radio Threshold", 10), 1, 100000);
    s.parkAfterLos = registry.ReadDword("Rotator Park", 1) != 0;
    s.parkAz = std::clamp(registry.ReadDword("Rotator Park Az", 0), -180, 540);
    s.parkEl = std::clamp(registry.ReadDword("Rotator Park El", 0), 0, 180);
    s.userTransmitters = ParseUserTransmitters(ReadText(registry, "Radio Transmitters"));
    s.offsets = ParseFrequencyOffsets(ReadText(registry, "Radio Offsets"));
    return s;
}

bool SaveRadioSettings(CRegistry& registry, const RadioSettings& s) {
    using platform::SettingValue;
    const std::string transmitters = FormatUserTransmitters(s.userTransmitters);
    const std::string offsets = FormatFrequencyOffsets(s.offsets);
    return registry.WriteValues({
        {"Rotctld Address", SettingValue::String(s.rotatorAddress)},
        {"Rigctld Address", SettingValue::String(s.radioAddress)},
        {"Rotator Threshold",
         SettingValue::Dword(static_cast<std::uint32_t>(std::lround(s.rotatorThresholdDeg * 10)))},
        {"Radio Threshold",
         SettingValue::Dword(static_cast<std::uint32_t>(std::lround(s.radioThresholdHz)))},
        {"Rotator Park", SettingValue::Dword(s.parkAfterLos ? 1u : 0u)},
        {"Rotator Park Az",
         SettingValue::Dword(static_cast<std::uint32_t>(std::lround(s.parkAz)))},
        {"Rotator Park El",
         SettingValue::Dword(static_cast<std::uint32_t>(std::lround(s.parkEl)))},
        {"Radio Transmitters", SettingValue::Binary(transmitters.data(), transmitters.size())},
        {"Radio Offsets", SettingValue::Binary(offsets.data(), offsets.size())},
    });
}

}  // namespace orvanta

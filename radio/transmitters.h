#pragma once
// Radio transmitters per satellite: the built-in table (from the SatNOGS DB) and the user's own
// entries, with a per-satellite calibration offset. The user's entries and offsets are kept as
// text in the settings store, one entry a line.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct Transmitter {
    std::int32_t catalogue = 0;
    std::string description;
    std::int64_t downlinkHz = 0;
    std::int64_t uplinkHz = 0;  // 0: none
    std::string mode;
    bool user = false;  // the user's own entry
    // A linear transponder passes a band: downlinkHz..downlinkHighHz from
    // uplinkHz..uplinkHighHz (0: a single frequency), the band's order reversed when inverting.
    std::int64_t downlinkHighHz = 0;
    std::int64_t uplinkHighHz = 0;
    bool inverting = false;

    bool IsTransponder() const { return downlinkHighHz > downlinkHz && uplinkHighHz > uplinkHz; }
};

// The built-in table: "catalogue,downlink_hz,mode,description" lines, and for a transmitter
// with an uplink "...,uplink_hz,downlink_high_hz,uplink_high_hz,inverting" (0 or 1); '#'
// comments, RFC 4180 quoting. A damaged line costs that line; skipped counts them.
std::vector<Transmitter> ParseTransmitterTable(std::string_view text, int* skipped = nullptr);

// The built-in table as shipped, gzip-compressed. Throws CZipException when it does not unpack.
std::vector<Transmitter> LoadTransmitterTable(const std::vector<std::uint8_t>& gzipped,
                                              int* skipped = nullptr);

// The user's entries as stored: "catalogue;downlink_hz;uplink_hz;mode;description" lines.
std::vector<Transmitter> ParseUserTransmitters(std::string_view text);
std::string FormatUserTransmitters(const std::vector<Transmitter>& entries);

// Offsets as stored: "catalogue=hz" lines.
std::map<std::int32_t, std::int64_t> ParseFrequencyOffsets(std::string_view text);
std::string FormatFrequencyOffsets(const std::map<std::int32_t, std::int64_t>& offsets);

// A satellite's transmitters: the user's first, then the built-in ones by frequency.
std::vector<Transmitter> TransmittersOf(std::int32_t catalogue,
                                        const std::vector<Transmitter>& builtIn,
                                        const std::vector<Transmitter>& user);

// The uplink (at the satellite) that a transponder turns into downlinkHz (at the satellite),
// the passband's edges included: inverting, uplinkLow + downlinkHigh - downlink (uplink up,
// downlink down); otherwise uplinkLow + downlink - downlinkLow. A transmitter that is not a
// transponder answers its own uplink.
std::int64_t TransponderUplinkHz(const Transmitter& t, std::int64_t downlinkHz);

// "437.800 MHz FM - Mode V/U FM - Voice Repeater" for lists.
std::string TransmitterLabel(const Transmitter& t);

}  // namespace orvanta

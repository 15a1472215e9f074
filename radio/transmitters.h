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
};

// The built-in table: "catalogue,downlink_hz,mode,description" lines, '#' comments, RFC 4180
// quoting. A damaged line costs that line; skipped counts them.
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

// "437.800 MHz FM - Mode V/U FM - Voice Repeater" for lists.
std::string TransmitterLabel(const Transmitter& t);

}  // namespace orvanta

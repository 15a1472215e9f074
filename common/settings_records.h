#pragma once
// Fixed-layout records kept as binary settings values. Each is written byte for byte,
// little-endian, by explicit code (never by copying a struct), so files and registry
// values stay readable across compilers and platforms.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// ---- observer location, value "Obs" (24 bytes) -------------------------------------
// 0-3 int32 altitude in metres, 4-7 reserved (zero), 8-15 double latitude in degrees
// (north positive), 16-23 double longitude in degrees (east positive).
struct ObserverLocation {
    std::int32_t altitudeMetres = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    bool operator==(const ObserverLocation&) const = default;
};
inline constexpr std::size_t OBSERVER_RECORD_SIZE = 24;
std::array<std::uint8_t, 24> SerializeObserver(const ObserverLocation& obs);
ObserverLocation ParseObserver(const std::array<std::uint8_t, 24>& bytes);
// True when altitude, latitude and longitude are all zero (no location set yet).
bool IsObserverUnset(const ObserverLocation& obs);

// ---- one monitored host, value "Hostlist" ("Hosts" x 588 bytes) ------------------
struct HostRecord {
    static constexpr std::size_t kAddressChars = 63;      // bytes 0-63, zero-terminated
    static constexpr std::size_t kTagChars = 9;           // bytes 64-73
    static constexpr std::size_t kIpTextChars = 15;       // bytes 74-89
    static constexpr std::size_t kReverseNameChars = 63;  // bytes 90-153
    static constexpr std::size_t kHistoryLength = 100;

    std::string address;        // host name or dotted IPv4 address
    std::string tag;            // display tag
    std::string ipText;         // dotted address of the last replying host
    std::string reverseName;    // reverse lookup of the last reply
    std::int32_t disabled = 0;  // 1: no monitor thread
    std::int32_t successes = 0;
    std::int32_t failures = 0;
    std::int32_t lastResult = 0;  // ms; -1 failure; -2 name not resolved; 0 after a reset
    std::int32_t sum = 0;         // sum of the successes' round-trip ms
    std::int32_t spare = 0;
    std::int32_t cycles = 0;      // pings in the current 24 h window (1 ... 5760)
    std::uint32_t tile = 0;       // tile handle slot; meaningless after a restart
    std::array<std::int32_t, kHistoryLength> history{};  // newest first; 0 = failure

    bool operator==(const HostRecord&) const = default;
};
inline constexpr std::size_t HOST_RECORD_SIZE = 588;
// Texts longer than their fields are cut so the terminator always fits.
void SerializeHost(const HostRecord& host, std::uint8_t* out588);
HostRecord ParseHost(const std::uint8_t* in588);
std::vector<std::uint8_t> HostListToBlob(const std::vector<HostRecord>& hosts);
// Whole records only: a blob shorter than count x 588 yields the records it holds.
std::vector<HostRecord> HostListFromBlob(const std::uint8_t* data, std::size_t size,
                                         std::uint32_t count);

// ---- value "PingParameters" (24 bytes) --------------------------------------------
// 0-11 three float32 limits in percent, 12-23 three colours 0x00BBGGRR.
struct PingParameters {
    float okLimit = 99.0f;
    float warningLimit = 80.0f;
    float failureLimit = 60.0f;
    std::uint32_t okColour = 0x0000FF00u;       // RGB(0, 255, 0)
    std::uint32_t warningColour = 0x0000FFFFu;  // RGB(255, 255, 0)
    std::uint32_t failureColour = 0x000000FFu;  // RGB(255, 0, 0)
    bool operator==(const PingParameters&) const = default;
};
inline constexpr std::size_t PING_PARAMETERS_SIZE = 24;
std::array<std::uint8_t, 24> SerializePingParameters(const PingParameters& p);
// All six fields take their defaults when the stored OK limit is 0 (as when the value is
// missing and the buffer stayed zero) or when size is not 24.
PingParameters ParsePingParameters(const std::uint8_t* data, std::size_t size);

// ---- window placement, values "MainWindow", "Skyview", "Earthview" (44 bytes) -------
// The registry layout of WINDOWPLACEMENT: length (44), flags, show command, minimised
// position, maximised position, normal-position rectangle; all 32-bit.
struct PlacementRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PlacementRect&) const = default;
};
struct WindowPlacement {
    std::uint32_t length = 44;
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
    std::int32_t minX = 0, minY = 0;
    std::int32_t maxX = 0, maxY = 0;
    PlacementRect normal;
    bool operator==(const WindowPlacement&) const = default;
};
inline constexpr std::size_t WINDOW_PLACEMENT_SIZE = 44;
inline constexpr std::uint32_t SHOW_NORMAL = 1, SHOW_MINIMIZED = 2, SHOW_MAXIMIZED = 3;
std::array<std::uint8_t, 44> SerializePlacement(const WindowPlacement& wp);
WindowPlacement ParsePlacement(const std::array<std::uint8_t, 44>& bytes);

// Writes the placement under the settings key (length field forced to 44).
bool SavePlacement(const std::string& valueName, const WindowPlacement& wp);
// The stored placement, only when its normal rectangle has a width (an absent value reads
// as zeros); otherwise the window keeps the position it was created with.
std::optional<WindowPlacement> RestorePlacement(const std::string& valueName);

// ---- list-view column layout, values "<name>" and "<name>_ColOrder" -------------------
// The pass list's last two columns ("Mag", "Visible") came later: a layout stored with 14
// columns still reads, the new ones taking their defaults.
inline constexpr int PASSLIST_COLUMNS = 16;
inline constexpr int EVENTLOG_COLUMNS = 2;
std::vector<std::uint8_t> Int32ArrayToBlob(const std::vector<std::int32_t>& values);
// count entries; missing bytes read as 0.
std::vector<std::int32_t> Int32ArrayFromBlob(const std::uint8_t* data, std::size_t size,
                                             std::size_t count);

struct ColumnLayout {
    // One entry per column: the width to set, or nothing (stored 0) to keep the current one.
    std::vector<std::optional<int>> widths;
    // One entry per column: true for a column stored hidden (its width stored negated),
    // false for one stored shown, nothing when nothing was stored for it.
    std::vector<std::optional<bool>> hidden;
    // Visual order (order[visual] = logical column), only when one was stored.
    std::optional<std::vector<int>> order;
};
bool SaveColumns(const std::string& name, const std::vector<std::int32_t>& widths,
                 const std::vector<std::int32_t>& order);
// Widths use their low 16 bits; a negative width is a hidden column of that width. The
// order is taken only when its first two entries differ (two zeros mean nothing was
// stored) and it is a permutation of 0 ... count-1; an order stored for fewer columns
// (a layout older than the list's last columns) is taken with the missing columns after it.
ColumnLayout RestoreColumns(const std::string& name, int count);
// The same rules on given arrays: count = widths.size(); an order with fewer entries holds
// only those that were stored.
ColumnLayout ColumnLayoutFromArrays(const std::vector<std::int32_t>& widths,
                                    const std::vector<std::int32_t>& order);

}  // namespace orvanta

#pragma once
// The 24-hour statistics of one host and what its tile shows of them. Pure functions on
// HostRecord so the window, the threads and the tests agree on every figure.
#include <cstdint>
#include <string>
#include <vector>

#include "common/settings_records.h"

namespace orvanta {

inline constexpr int kCyclesPerWindow = 5760;                    // 24 h of 15 s cycles
inline constexpr std::uint32_t kTimeoutBoxColour = 0x0000AAFFu;  // RGB(255, 170, 0)

// Counts the next ping; past the window the counts restart (the history stays).
void BeginCycle(HostRecord& host);
// Enters one ping's outcome. ipText and reverseName are used on success only.
void RecordPing(HostRecord& host, int pingCode, int rttMs, const std::string& ipText,
                const std::string& reverseName);
// The tile menu's reset: a fresh window with an empty history.
void ResetStatistics(HostRecord& host);

// Success rate in percent over the window; 0 without successes.
float SuccessRate(const HostRecord& host);
// Background colour (0x00BBGGRR) by the rate; the failure limit plays no part.
std::uint32_t TileColour(const HostRecord& host, const PingParameters& p);

struct TileTexts {
    std::string tag;
    std::string rate;        // "%.2f%%"
    std::string average;     // "%d" or "N/A"
    std::string last;        // "%d", "timeout" or "DNS fail"
    bool lastBoxed = false;  // drawn on the orange box
};
TileTexts MakeTileTexts(const HostRecord& host);

// Bar heights of the graph, newest first (drawn at x = width - 1 - i): 15 pixels for the largest of
// the entries shown.
std::vector<int> GraphHeights(const HostRecord& host, int width);

// The tooltip, fields separated by tabs and lines by "\r" as stored.
std::string TooltipText(const HostRecord& host);

// The test ping's texts.
std::string PingErrorText(int pingCode);  // the code's sentence, e.g. "packet timed out!"
std::string TestPingReplyText(const std::string& ipText, const std::string& reverseName, int rttMs);
inline constexpr char kNoReverseName[] = "gethostbyaddr() failed!";

std::string HostListLine(const HostRecord& host);  // "%s (%s)" tag, address

}  // namespace orvanta

#include "hostmon/host_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hostmon/icmp.h"

namespace orvanta {
namespace {

template <typename... Args>
std::string Format(const char* fmt, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

void ClearCounts(HostRecord& h) {
    h.successes = h.failures = h.lastResult = h.sum = h.spare = 0;
}

void PushHistory(HostRecord& h, std::int32_t value) {
    std::move_backward(h.history.begin(), h.history.end() - 1, h.history.end());
    h.history[0] = value;
}

}  // namespace

void BeginCycle(HostRecord& h) {
    h.cycles += 1;
    if (h.cycles > kCyclesPerWindow) {
        h.cycles = 1;
        ClearCounts(h);
    }
}

void RecordPing(HostRecord& h, int code, int rttMs, const std::string& ipText,
                const std::string& reverseName) {
    if (code == PING_SUCCESS) {
        h.successes += 1;
        h.reverseName = reverseName.empty() ? kNoReverseName : reverseName;
        h.ipText = ipText;
        h.lastResult = rttMs;
        h.sum += rttMs;
        PushHistory(h, rttMs);
    } else {
        h.lastResult = code == PING_UNRESOLVED ? -2 : -1;
        h.failures += 1;
        PushHistory(h, 0);
    }
}

void ResetStatistics(HostRecord& h) {
    h.cycles = 1;
    ClearCounts(h);
    h.history.fill(0);
}

float SuccessRate(const HostRecord& h) {
    if (h.successes <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(h.successes) * 100.0 /
                              (static_cast<double>(h.successes) + h.failures));
}

std::uint32_t TileColour(const HostRecord& h, const PingParameters& p) {
    const float rate = SuccessRate(h);
    if (rate >= p.okLimit) return p.okColour;
    if (rate >= p.warningLimit) return p.warningColour;
    return p.failureColour;
}

TileTexts MakeTileTexts(const HostRecord& h) {
    TileTexts t;
    t.tag = h.tag;
    t.rate = Format("%.2f%%", static_cast<double>(SuccessRate(h)));
    t.average = h.successes > 0 ? Format("%d", h.sum / h.successes) : "N/A";
    if (h.lastResult == -1) {
        t.last = "timeout";
        t.lastBoxed = true;
    } else if (h.lastResult == -2) {
        t.last = "DNS fail";
        t.lastBoxed = true;
    } else {
        t.last = Format("%d", h.lastResult);
    }
    return t;
}

std::vector<int> GraphHeights(const HostRecord& h, int width) {
    const int last = std::min(99, std::max(0, width));
    int m = 0;
    for (int i = 0; i <= last; ++i) m = std::max(m, static_cast<int>(h.history[i]));
    if (m == 0) m = 1;
    std::vector<int> heights;
    heights.reserve(last + 1);
    for (int i = 0; i <= last; ++i)
        heights.push_back(static_cast<int>(15.0 * h.history[i] / m));  // truncated
    return heights;
}

std::string TooltipText(const HostRecord& h) {
    const double r = (kCyclesPerWindow - h.cycles) * 0.004166666666666667;
    const double hours = std::floor(r);
    return Format(
        "Host tag:\t%s\rHost address:\t%s\rReverse DNS:\t%s\rIP Address:\t%s\r"
        "24h reset in:\t%.0fh %02.0fm",
        h.tag.c_str(), h.address.c_str(), h.reverseName.c_str(), h.ipText.c_str(), hours,
        (r - hours) * 60.0);
}

std::string PingErrorText(int code) {
    switch (code) {
        case PING_STARTUP_FAILED:
            return "Winsock failed to initialize!";
        case PING_UNRESOLVED:
            return "Hostname could not be resolved (DNS problem)!";
        case PING_SOCKET_FAILED:
            return "socket call failed!";
        case PING_SEND_FAILED:
            return "send failed!";
        case PING_TIMED_OUT:
            return "packet timed out!";
        case PING_WAIT_FAILED:
            return "unreadable inbound packet!";
        case PING_RECEIVE_FAILED:
            return "recvfrom failed!";
        case PING_UNREACHABLE:
            return "destination unreachable!";
        case PING_TIME_EXCEEDED:
            return "time to live exceeded in transit!";
        default:
            return "Unspecified network error!";
    }
}

std::string TestPingReplyText(const std::string& ipText, const std::string& reverseName,
                              int rttMs) {
    if (reverseName.empty()) return Format("%s, replied in %dms", ipText.c_str(), rttMs);
    return Format("%s [%s], replied in %dms", ipText.c_str(), reverseName.c_str(), rttMs);
}

std::string HostListLine(const HostRecord& h) {
    return Format("%s (%s)", h.tag.c_str(), h.address.c_str());
}

}  // namespace orvanta

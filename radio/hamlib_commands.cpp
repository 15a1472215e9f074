#include "radio/hamlib_commands.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvanta {

namespace {

std::optional<double> Real(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty() || text.size() > 64) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Rigs take whole hertz; mode names are single words.
std::string Hz(std::int64_t hz) { return std::to_string(hz); }

}  // namespace

void QueueRotatorPosition(HamlibExchange& exchange, const LookAngle& command) {
    char line[64];
    std::snprintf(line, sizeof line, "P %.2f %.2f", command.az, command.el);
    exchange.Queue(line, HamlibReplyShape::STATUS);
}

void QueueRotatorStop(HamlibExchange& exchange) {
    exchange.Queue("S", HamlibReplyShape::STATUS);
}

void QueueRotatorReadPosition(HamlibExchange& exchange) {
    exchange.Queue("p", HamlibReplyShape::VALUES, 2);
}

void QueueRotatorLimits(HamlibExchange& exchange) {
    exchange.Queue("\\dump_state", HamlibReplyShape::UNTIL_DONE);
}

void QueueRadioSplit(HamlibExchange& exchange) {
    exchange.Queue("S 1 VFOB", HamlibReplyShape::STATUS);
}

void QueueRadioFrequencies(HamlibExchange& exchange, std::optional<std::int64_t> downlinkHz,
                           std::optional<std::int64_t> uplinkHz) {
    if (downlinkHz) exchange.Queue("F " + Hz(*downlinkHz), HamlibReplyShape::STATUS);
    if (uplinkHz) exchange.Queue("I " + Hz(*uplinkHz), HamlibReplyShape::STATUS);
}

void QueueRadioMode(HamlibExchange& exchange, const std::string& mode) {
    std::string word;
    for (char c : mode)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            word += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (!word.empty()) exchange.Queue("M " + word + " 0", HamlibReplyShape::STATUS);
}

void QueueRadioReadFrequency(HamlibExchange& exchange) {
    exchange.Queue("f", HamlibReplyShape::VALUES, 1);
}

std::optional<RotatorLimits> ParseRotatorLimits(const std::vector<std::string>& lines) {
    RotatorLimits limits;
    int found = 0;
    for (const std::string& line : lines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const auto value = Real(std::string_view(line).substr(eq + 1));
        if (!value) continue;
        if (key == "min_az") limits.azMin = *value, ++found;
        if (key == "max_az") limits.azMax = *value, ++found;
        if (key == "min_el") limits.elMin = *value, ++found;
        if (key == "max_el") limits.elMax = *value, ++found;
    }
    // Limits that make no sense for a rotator are not believed.
    if (found != 4 || limits.azMax - limits.azMin < 180.0 || limits.azMax - limits.azMin > 1080.0 ||
        limits.elMax <= limits.elMin || limits.elMax > 180.0 || limits.elMin < -90.0)
        return std::nullopt;
    return limits;
}

std::optional<LookAngle> ParseRotatorPosition(const std::vector<std::string>& lines) {
    if (lines.size() != 2) return std::nullopt;
    const auto az = Real(lines[0]);
    const auto el = Real(lines[1]);
    if (!az || !el) return std::nullopt;
    return LookAngle{*az, *el};
}

std::optional<std::int64_t> ParseRadioFrequency(const std::vector<std::string>& lines) {
    if (lines.size() != 1) return std::nullopt;
    const auto hz = Real(lines[0]);
    if (!hz || *hz < 0 || *hz > 1e12) return std::nullopt;
    return std::llround(*hz);
}

std::string HamlibErrorText(int code) {
    switch (code) {
    case 0: return "OK";
    case HamlibExchange::BROKEN: return "no answer";
    case HamlibExchange::TOO_LONG: return "reply too long (not a Hamlib daemon?)";
    case -1: return "invalid parameter (RPRT -1)";
    case -2: return "invalid configuration (RPRT -2)";
    case -4: return "not implemented by this device (RPRT -4)";
    case -5: return "communication timed out (RPRT -5)";
    case -6: return "I/O error (RPRT -6)";
    case -9: return "rejected by the device (RPRT -9)";
    case -11: return "not available (RPRT -11)";
    default: return "error RPRT " + std::to_string(code);
    }
}

bool ParseHostPort(const std::string& text, std::string& host, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    int p = 0;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, p);
    if (error != std::errc() || end != last || p < 1 || p > 65535) return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    port = p;
    return true;
}

}  // namespace orvanta

#pragma once
// Whole-text number parsing for command-line options: the entire argument must be the number
// and lie within [lo, hi], so "12abc", "inf" or an overflow is refused rather than cut short.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace orvanta::cli {

inline bool ParseInt(const std::string& text, long long lo, long long hi, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

inline bool ParseDouble(const std::string& text, double lo, double hi, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace orvanta::cli

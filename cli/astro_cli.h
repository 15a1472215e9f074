#pragma once
// Arguments shared by the sun-moon and rise-set subcommands: an observer and
// a list of instants, with the ISO 8601 UTC form both read and print.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "orbit/julian_date.h"

namespace orvanta::cli {

inline std::optional<double> ParseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

struct ObserverArgs {
    double latitude = 0;
    double longitude = 0;
    std::vector<double> instants;   // Julian dates, in the order given
};

// Reads --lat DEG --lon DEG --at ISO8601Z [ISO8601Z ...] (--at may repeat).
// On failure returns nothing and sets error to a one-line message.
inline std::optional<ObserverArgs> ParseObserverArgs(const std::vector<std::string>& args, std::string& error) {
    ObserverArgs out;
    bool haveLat = false, haveLon = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--lat" || a == "--lon") {
            if (!hasValue) {
                error = a + " needs a value in degrees";
                return std::nullopt;
            }
            const auto v = ParseNumber(args[++i]);
            const double limit = a == "--lat" ? 90.0 : 180.0;
            if (!v || *v < -limit || *v > limit) {
                error = "bad " + a + " '" + args[i] + "' (degrees, -" + (a == "--lat" ? "90..90" : "180..180") + ")";
                return std::nullopt;
            }
            (a == "--lat" ? out.latitude : out.longitude) = *v;
            (a == "--lat" ? haveLat : haveLon) = true;
        } else if (a == "--at") {
            std::size_t taken = 0;
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                const auto jd = ParseIsoUtc(args[++i]);
                if (!jd) {
                    error = "bad time '" + args[i] + "' (expected YYYY-MM-DDTHH:MM:SSZ)";
                    return std::nullopt;
                }
                out.instants.push_back(*jd);
                ++taken;
            }
            if (taken == 0) {
                error = "--at needs a time YYYY-MM-DDTHH:MM:SSZ";
                return std::nullopt;
            }
        } else {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        }
    }
    if (!haveLat || !haveLon || out.instants.empty()) {
        error = "--lat, --lon and --at are required";
        return std::nullopt;
    }
    return out;
}

}  // namespace orvanta::cli

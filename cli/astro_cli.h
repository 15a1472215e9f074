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

// "YYYY-MM-DDTHH:MM:SS[.fff]Z" to a Julian date; nothing for anything else.
inline std::optional<double> ParseIsoUtc(const std::string& text) {
    auto digits = [&](std::size_t pos, std::size_t count, int& value) {
        value = 0;
        for (std::size_t i = pos; i < pos + count; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, sec;
    if (text.size() < 20 || !digits(0, 4, y) || text[4] != '-' || !digits(5, 2, mo) || text[7] != '-' ||
        !digits(8, 2, d) || text[10] != 'T' || !digits(11, 2, h) || text[13] != ':' || !digits(14, 2, mi) ||
        text[16] != ':' || !digits(17, 2, sec) || text.back() != 'Z')
        return std::nullopt;
    double fraction = 0.0;
    if (text.size() > 20) {
        // ".f..." up to the final Z
        if (text[19] != '.' || text.size() < 22) return std::nullopt;
        double scale = 0.1;
        for (std::size_t i = 20; i + 1 < text.size(); ++i, scale /= 10.0) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            fraction += (text[i] - '0') * scale;
        }
    }
    static constexpr int MONTH_DAYS[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > MONTH_DAYS[mo - 1] || (mo == 2 && d == 29 && !leap))
        return std::nullopt;
    if (h > 23 || mi > 59 || sec > 59) return std::nullopt;
    const double days = static_cast<double>(DaysFromCivil(y, mo, d));
    return kUnixEpochJd + days + (h * 3600.0 + mi * 60.0 + sec + fraction) / 86400.0;
}

// Julian date to "YYYY-MM-DDTHH:MM:SSZ", fractions of a second dropped (after
// rounding to the millisecond, so a result on a whole second is not shown as
// the second before).
inline std::string FormatIsoUtc(double jd) {
    return FormatIsoUtcSeconds(jd);
}

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

#include "location/nmea.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace orvanta {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Whole field as a decimal number; "+" is not NMEA, a leading "-" is (altitudes).
bool ReadDecimal(std::string_view s, double& out) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

bool ReadInt(std::string_view s, int& out) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// "ddmm.mmmm" / "dddmm.mmmm": degrees digits, then minutes with any number of decimals.
bool ReadAngle(std::string_view s, std::size_t degreeDigits, double maxDegrees, double& out) {
    if (s.size() < degreeDigits + 2) return false;
    std::string_view deg = s.substr(0, degreeDigits);
    std::string_view min = s.substr(degreeDigits);
    int d = 0;
    double m = 0.0;
    if (!AllDigits(deg) || !ReadInt(deg, d)) return false;
    if (!AllDigits(min.substr(0, 2)) || !ReadDecimal(min, m)) return false;
    if (m >= 60.0) return false;
    out = d + m / 60.0;
    return out <= maxDegrees;
}

bool ReadTime(std::string_view s, GgaFix& fix) {
    if (s.size() < 6 || !AllDigits(s.substr(0, 6))) return false;
    auto two = [&](std::size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); };
    fix.hours = two(0);
    fix.minutes = two(2);
    fix.seconds = two(4);
    fix.milliseconds = 0;
    if (s.size() > 6) {
        if (s[6] != '.') return false;
        std::string_view frac = s.substr(7);
        if (!frac.empty() && !AllDigits(frac)) return false;
        int scale = 100;
        for (std::size_t i = 0; i < frac.size() && i < 3; ++i, scale /= 10)
            fix.milliseconds += (frac[i] - '0') * scale;
    }
    // 60 s allows a leap second.
    return fix.hours < 24 && fix.minutes < 60 && fix.seconds <= 60;
}

// Integer part of a decimal altitude, toward zero as the stored whole metres expect.
bool ReadAltitude(std::string_view s, int& out) {
    double v = 0.0;
    if (!ReadDecimal(s, v)) return false;
    if (std::fabs(v) > 1.0e7) return false;
    out = static_cast<int>(std::trunc(v));
    return true;
}

}  // namespace

bool NmeaChecksumOk(std::string_view sentence) {
    std::size_t star = sentence.find('*');
    if (star == std::string_view::npos) return true;
    if (sentence.size() < star + 3) return false;
    int hi = HexValue(sentence[star + 1]), lo = HexValue(sentence[star + 2]);
    if (hi < 0 || lo < 0) return false;
    // Anything after the two digits but blanks means a damaged line.
    for (char c : sentence.substr(star + 3))
        if (c != ' ' && c != '\t') return false;
    unsigned sum = 0;
    std::size_t begin = (!sentence.empty() && sentence[0] == '$') ? 1 : 0;
    for (std::size_t i = begin; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    return sum == static_cast<unsigned>(hi * 16 + lo);
}

std::vector<std::string_view> SplitNmeaFields(std::string_view sentence) {
    if (!sentence.empty() && sentence[0] == '$') sentence.remove_prefix(1);
    std::size_t star = sentence.find('*');
    if (star != std::string_view::npos) sentence = sentence.substr(0, star);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = sentence.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(sentence.substr(start));
            break;
        }
        fields.push_back(sentence.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

bool IsGgaHeader(std::string_view sentence) {
    static constexpr std::array<std::string_view, 8> kTalkers = {"GP", "GN", "GL", "GA",
                                                                 "GB", "BD", "GQ", "GI"};
    if (sentence.size() < 7 || sentence[0] != '$' || sentence.substr(3, 4) != "GGA,") return false;
    for (auto t : kTalkers)
        if (sentence.substr(1, 2) == t) return true;
    return false;
}

std::optional<GgaFix> ParseGga(std::string_view sentence) {
    if (!IsGgaHeader(sentence) || !NmeaChecksumOk(sentence)) return std::nullopt;
    auto f = SplitNmeaFields(sentence);
    // Address, time, lat, N/S, lon, E/W, quality, satellites, HDOP, altitude, "M".
    if (f.size() < 10) return std::nullopt;

    GgaFix fix;
    fix.talker = std::string(f[0].substr(0, 2));
    if (!f[1].empty()) {
        if (!ReadTime(f[1], fix)) return std::nullopt;
        fix.hasTime = true;
    }
    if (!f[6].empty() && (!AllDigits(f[6]) || !ReadInt(f[6], fix.fixQuality))) return std::nullopt;

    bool anyPosition = !f[2].empty() || !f[4].empty();
    if (fix.fixQuality > 0 || anyPosition) {
        double lat = 0.0, lon = 0.0;
        bool ok = ReadAngle(f[2], 2, 90.0, lat) && ReadAngle(f[4], 3, 180.0, lon) &&
                  (f[3] == "N" || f[3] == "S") && (f[5] == "E" || f[5] == "W");
        if (!ok) {
            if (fix.fixQuality > 0) return std::nullopt;
        } else {
            fix.hasPosition = true;
            fix.latitude = f[3] == "S" ? -lat : lat;
            fix.longitude = f[5] == "W" ? -lon : lon;
        }
    }
    if (!f[7].empty() && !ReadInt(f[7], fix.satellites)) return std::nullopt;
    if (!f[8].empty()) {
        if (!ReadDecimal(f[8], fix.hdop) || fix.hdop < 0.0) return std::nullopt;
        fix.hasHdop = true;
    }
    if (!f[9].empty()) {
        if (!ReadAltitude(f[9], fix.altitudeMetres)) return std::nullopt;
        fix.hasAltitude = true;
    }
    return fix;
}

std::vector<std::string> NmeaSentenceAssembler::Feed(std::string_view bytes) {
    std::vector<std::string> done;
    for (char c : bytes) {
        if (c == '$') {
            current_.assign(1, '$');
            inSentence_ = true;
        } else if (c == '\r' || c == '\n') {
            if (inSentence_ && current_.size() > 1) done.push_back(current_);
            current_.clear();
            inSentence_ = false;
        } else if (inSentence_) {
            if (current_.size() >= kMaxSentence) {
                current_.clear();
                inSentence_ = false;
            } else {
                current_.push_back(c);
            }
        }
    }
    return done;
}

bool GgaCapture::Feed(std::string_view bytes) {
    if (Done()) return true;
    for (auto& s : assembler_.Feed(bytes)) {
        if (auto fix = ParseGga(s)) {
            sentence_ = s;
            fix_ = std::move(fix);
            return true;
        }
        ++skipped_;
    }
    return false;
}

}  // namespace orvanta

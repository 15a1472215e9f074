#include "radio/transmitters.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "maintenance/gzip_decoder.h"

namespace orvanta {

namespace {

// Splits one CSV line into fields (RFC 4180 quotes; the table has no line breaks in fields).
std::vector<std::string> CsvFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

template <typename T>
bool Number(std::string_view text, T& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

template <typename F>
void ForEachLine(std::string_view text, F&& f) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        f(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// Frequencies a radio can be tuned to: above 0, below 300 GHz.
bool PlausibleHz(std::int64_t hz) { return hz > 0 && hz < 300'000'000'000LL; }

std::string Clean(std::string text) {
    for (char& c : text)
        if (c == ';' || c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

std::vector<Transmitter> ParseTransmitterTable(std::string_view text, int* skipped) {
    std::vector<Transmitter> out;
    int bad = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        const auto f = CsvFields(line);
        Transmitter t;
        if ((f.size() != 4 && f.size() != 8) || !Number(f[0], t.catalogue) || t.catalogue <= 0 ||
            !Number(f[1], t.downlinkHz) || !PlausibleHz(t.downlinkHz)) {
            ++bad;
            return;
        }
        t.mode = f[2];
        t.description = f[3];
        if (f.size() == 8) {
            int inverting = 0;
            // A band's high edge is 0 (none) or above its low edge.
            auto edge = [](std::int64_t high, std::int64_t low) {
                return high == 0 || (PlausibleHz(high) && high > low);
            };
            if (!Number(f[4], t.uplinkHz) || !PlausibleHz(t.uplinkHz) ||
                !Number(f[5], t.downlinkHighHz) || !edge(t.downlinkHighHz, t.downlinkHz) ||
                !Number(f[6], t.uplinkHighHz) || !edge(t.uplinkHighHz, t.uplinkHz) ||
                !Number(f[7], inverting) || (inverting != 0 && inverting != 1)) {
                ++bad;
                return;
            }
            t.inverting = inverting == 1;
        }
        out.push_back(std::move(t));
    });
    if (skipped) *skipped = bad;
    return out;
}

std::vector<Transmitter> LoadTransmitterTable(const std::vector<std::uint8_t>& gzipped,
                                              int* skipped) {
    // The table is a few hundred kilobytes; anything far larger is not the table.
    const std::vector<std::uint8_t> text = GunzipBuffer(gzipped, std::size_t(16) << 20);
    return ParseTransmitterTable(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), skipped);
}

std::vector<Transmitter> ParseUserTransmitters(std::string_view text) {
    std::vector<Transmitter> out;
    ForEachLine(text, [&](std::string_view line) {
        std::vector<std::string_view> f;
        while (true) {
            const std::size_t p = line.find(';');
            f.push_back(line.substr(0, p));
            if (p == std::string_view::npos) break;
            line.remove_prefix(p + 1);
        }
        Transmitter t;
        t.user = true;
        if (f.size() != 5 || !Number(f[0], t.catalogue) || t.catalogue <= 0 ||
            !Number(f[1], t.downlinkHz) || !Number(f[2], t.uplinkHz) ||
            !(PlausibleHz(t.downlinkHz) || PlausibleHz(t.uplinkHz)) || t.downlinkHz < 0 ||
            t.uplinkHz < 0)
            return;
        t.mode = std::string(f[3]);
        t.description = std::string(f[4]);
        out.push_back(std::move(t));
    });
    return out;
}

std::string FormatUserTransmitters(const std::vector<Transmitter>& entries) {
    std::string out;
    for (const Transmitter& t : entries) {
        out += std::to_string(t.catalogue) + ';' + std::to_string(t.downlinkHz) + ';' +
               std::to_string(t.uplinkHz) + ';' + Clean(t.mode) + ';' + Clean(t.description) +
               '\n';
    }
    return out;
}

std::map<std::int32_t, std::int64_t> ParseFrequencyOffsets(std::string_view text) {
    std::map<std::int32_t, std::int64_t> out;
    ForEachLine(text, [&](std::string_view line) {
        const std::size_t eq = line.find('=');
        std::int32_t catalogue = 0;
        std::int64_t hz = 0;
        if (eq == std::string_view::npos || !Number(line.substr(0, eq), catalogue) ||
            catalogue <= 0 || !Number(line.substr(eq + 1), hz) || hz < -1'000'000'000LL ||
            hz > 1'000'000'000LL)
            return;
        out[catalogue] = hz;
    });
    return out;
}

std::string FormatFrequencyOffsets(const std::map<std::int32_t, std::int64_t>& offsets) {
    std::string out;
    for (const auto& [catalogue, hz] : offsets)
        if (hz != 0) out += std::to_string(catalogue) + '=' + std::to_string(hz) + '\n';
    return out;
}

std::vector<Transmitter> TransmittersOf(std::int32_t catalogue,
                                        const std::vector<Transmitter>& builtIn,
                                        const std::vector<Transmitter>& user) {
    std::vector<Transmitter> out;
    for (const Transmitter& t : user)
        if (t.catalogue == catalogue) out.push_back(t);
    std::vector<Transmitter> table;
    for (const Transmitter& t : builtIn)
        if (t.catalogue == catalogue) table.push_back(t);
    std::stable_sort(table.begin(), table.end(), [](const Transmitter& a, const Transmitter& b) {
        return a.downlinkHz < b.downlinkHz;
    });
    out.insert(out.end(), table.begin(), table.end());
    return out;
}

std::int64_t TransponderUplinkHz(const Transmitter& t, std::int64_t downlinkHz) {
    if (!t.IsTransponder()) return t.uplinkHz;
    const std::int64_t down = std::clamp(downlinkHz, t.downlinkHz, t.downlinkHighHz);
    const std::int64_t up = t.inverting ? t.uplinkHz + t.downlinkHighHz - down
                                        : t.uplinkHz + down - t.downlinkHz;
    return std::clamp(up, t.uplinkHz, t.uplinkHighHz);
}

std::string TransmitterLabel(const Transmitter& t) {
    char buf[96];
    std::string out;
    const bool band = t.IsTransponder();
    if (t.downlinkHz > 0) {
        if (band)
            std::snprintf(buf, sizeof buf, "%.3f-%.3f MHz", t.downlinkHz / 1e6,
                          t.downlinkHighHz / 1e6);
        else
            std::snprintf(buf, sizeof buf, "%.3f MHz", t.downlinkHz / 1e6);
        out = buf;
    }
    if (t.uplinkHz > 0) {
        const char* sep = out.empty() ? "" : ", ";
        if (band)
            std::snprintf(buf, sizeof buf, "%sup %.3f-%.3f MHz%s", sep, t.uplinkHz / 1e6,
                          t.uplinkHighHz / 1e6, t.inverting ? " inverting" : "");
        else
            std::snprintf(buf, sizeof buf, "%sup %.3f MHz", sep, t.uplinkHz / 1e6);
        out += buf;
    }
    if (!t.mode.empty()) out += ' ' + t.mode;
    if (!t.description.empty()) out += " - " + t.description;
    if (t.user) out += " (own)";
    return out;
}

}  // namespace orvanta

#include "common/settings_records.h"

#include <algorithm>
#include <cstring>

#include "common/little_endian.h"
#include "common/registry.h"

namespace orvanta {

namespace {

// A zero-terminated text field of width bytes: at most width - 1 characters kept.
void PutText(std::uint8_t* p, std::size_t width, const std::string& s) {
    std::memset(p, 0, width);
    std::memcpy(p, s.data(), std::min(s.size(), width - 1));
}
// Reads up to the terminator, never past the field even when the terminator is missing.
std::string GetText(const std::uint8_t* p, std::size_t width) {
    std::size_t n = 0;
    while (n < width && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

// ---- observer ---------------------------------------------------------------------

std::array<std::uint8_t, 24> SerializeObserver(const ObserverLocation& obs) {
    std::array<std::uint8_t, 24> b{};
    PutInt32LE(&b[0], obs.altitudeMetres);
    PutDoubleLE(&b[8], obs.latitude);
    PutDoubleLE(&b[16], obs.longitude);
    return b;
}

ObserverLocation ParseObserver(const std::array<std::uint8_t, 24>& b) {
    return {GetInt32LE(&b[0]), GetDoubleLE(&b[8]), GetDoubleLE(&b[16])};
}

bool IsObserverUnset(const ObserverLocation& obs) {
    return obs.altitudeMetres == 0 && obs.latitude == 0.0 && obs.longitude == 0.0;
}

// ---- host record --------------------------------------------------------------------

void SerializeHost(const HostRecord& h, std::uint8_t* out) {
    std::memset(out, 0, HOST_RECORD_SIZE);
    PutText(out + 0, 64, h.address);
    PutText(out + 64, 10, h.tag);
    PutText(out + 74, 16, h.ipText);
    PutText(out + 90, 64, h.reverseName);
    PutInt32LE(out + 156, h.disabled);
    PutInt32LE(out + 160, h.successes);
    PutInt32LE(out + 164, h.failures);
    PutInt32LE(out + 168, h.lastResult);
    PutInt32LE(out + 172, h.sum);
    PutInt32LE(out + 176, h.spare);
    PutInt32LE(out + 180, h.cycles);
    PutUint32LE(out + 184, h.tile);
    for (std::size_t i = 0; i < HostRecord::kHistoryLength; ++i) PutInt32LE(out + 188 + 4 * i, h.history[i]);
}

HostRecord ParseHost(const std::uint8_t* in) {
    HostRecord h;
    h.address = GetText(in + 0, 64);
    h.tag = GetText(in + 64, 10);
    h.ipText = GetText(in + 74, 16);
    h.reverseName = GetText(in + 90, 64);
    h.disabled = GetInt32LE(in + 156);
    h.successes = GetInt32LE(in + 160);
    h.failures = GetInt32LE(in + 164);
    h.lastResult = GetInt32LE(in + 168);
    h.sum = GetInt32LE(in + 172);
    h.spare = GetInt32LE(in + 176);
    h.cycles = GetInt32LE(in + 180);
    h.tile = GetUint32LE(in + 184);
    for (std::size_t i = 0; i < HostRecord::kHistoryLength; ++i) h.history[i] = GetInt32LE(in + 188 + 4 * i);
    return h;
}

std::vector<std::uint8_t> HostListToBlob(const std::vector<HostRecord>& hosts) {
    std::vector<std::uint8_t> blob(hosts.size() * HOST_RECORD_SIZE);
    for (std::size_t i = 0; i < hosts.size(); ++i) SerializeHost(hosts[i], &blob[i * HOST_RECORD_SIZE]);
    return blob;
}

std::vector<HostRecord> HostListFromBlob(const std::uint8_t* data, std::size_t size,
                                         std::uint32_t count) {
    std::size_t n = std::min<std::size_t>(count, data ? size / HOST_RECORD_SIZE : 0);
    std::vector<HostRecord> hosts;
    hosts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) hosts.push_back(ParseHost(data + i * HOST_RECORD_SIZE));
    return hosts;
}

// ---- ping parameters ----------------------------------------------------------------

std::array<std::uint8_t, 24> SerializePingParameters(const PingParameters& p) {
    std::array<std::uint8_t, 24> b{};
    PutFloatLE(&b[0], p.okLimit);
    PutFloatLE(&b[4], p.warningLimit);
    PutFloatLE(&b[8], p.failureLimit);
    PutUint32LE(&b[12], p.okColour);
    PutUint32LE(&b[16], p.warningColour);
    PutUint32LE(&b[20], p.failureColour);
    return b;
}

PingParameters ParsePingParameters(const std::uint8_t* data, std::size_t size) {
    if (!data || size != PING_PARAMETERS_SIZE) return {};
    PingParameters p;
    p.okLimit = GetFloatLE(data + 0);
    if (p.okLimit == 0.0f) return {};
    p.warningLimit = GetFloatLE(data + 4);
    p.failureLimit = GetFloatLE(data + 8);
    p.okColour = GetUint32LE(data + 12);
    p.warningColour = GetUint32LE(data + 16);
    p.failureColour = GetUint32LE(data + 20);
    return p;
}

// ---- window placement ---------------------------------------------------------------

std::array<std::uint8_t, 44> SerializePlacement(const WindowPlacement& wp) {
    std::array<std::uint8_t, 44> b{};
    PutUint32LE(&b[0], wp.length);
    PutUint32LE(&b[4], wp.flags);
    PutUint32LE(&b[8], wp.showCmd);
    PutInt32LE(&b[12], wp.minX);
    PutInt32LE(&b[16], wp.minY);
    PutInt32LE(&b[20], wp.maxX);
    PutInt32LE(&b[24], wp.maxY);
    PutInt32LE(&b[28], wp.normal.left);
    PutInt32LE(&b[32], wp.normal.top);
    PutInt32LE(&b[36], wp.normal.right);
    PutInt32LE(&b[40], wp.normal.bottom);
    return b;
}

WindowPlacement ParsePlacement(const std::array<std::uint8_t, 44>& b) {
    WindowPlacement wp;
    wp.length = GetUint32LE(&b[0]);
    wp.flags = GetUint32LE(&b[4]);
    wp.showCmd = GetUint32LE(&b[8]);
    wp.minX = GetInt32LE(&b[12]);
    wp.minY = GetInt32LE(&b[16]);
    wp.maxX = GetInt32LE(&b[20]);
    wp.maxY = GetInt32LE(&b[24]);
    wp.normal = {GetInt32LE(&b[28]), GetInt32LE(&b[32]), GetInt32LE(&b[36]), GetInt32LE(&b[40])};
    return wp;
}

bool SavePlacement(const std::string& valueName, const WindowPlacement& wp) {
    WindowPlacement copy = wp;
    copy.length = WINDOW_PLACEMENT_SIZE;
    auto bytes = SerializePlacement(copy);
    CRegistry reg;
    return reg.OpenSettings() && reg.WriteBinary(valueName, bytes.data(), bytes.size());
}

std::optional<WindowPlacement> RestorePlacement(const std::string& valueName) {
    std::array<std::uint8_t, 44> bytes{};
    CRegistry reg;
    if (!reg.OpenSettings()) return std::nullopt;
    reg.ReadBinary(valueName, bytes.data(), bytes.size());
    WindowPlacement wp = ParsePlacement(bytes);
    // Zeros are what an absent value leaves; a left edge of 0 alone is a window at the
    // screen's left edge (the usual place without a window manager).
    if (wp.normal.right <= wp.normal.left) return std::nullopt;
    return wp;
}

// ---- column layouts -----------------------------------------------------------------

std::vector<std::uint8_t> Int32ArrayToBlob(const std::vector<std::int32_t>& values) {
    std::vector<std::uint8_t> blob(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) PutInt32LE(&blob[4 * i], values[i]);
    return blob;
}

std::vector<std::int32_t> Int32ArrayFromBlob(const std::uint8_t* data, std::size_t size,
                                             std::size_t count) {
    std::vector<std::int32_t> out(count, 0);
    for (std::size_t i = 0; i < count && data && 4 * i + 4 <= size; ++i) out[i] = GetInt32LE(data + 4 * i);
    return out;
}

ColumnLayout ColumnLayoutFromArrays(const std::vector<std::int32_t>& widths,
                                    const std::vector<std::int32_t>& order) {
    ColumnLayout layout;
    for (std::int32_t w : widths) {
        if (w == 0) {
            layout.widths.push_back(std::nullopt);
            layout.hidden.push_back(std::nullopt);
        } else {
            const std::uint32_t size = w < 0 ? 0u - std::uint32_t(w) : std::uint32_t(w);
            layout.widths.push_back(int(size & 0xFFFFu));
            layout.hidden.push_back(w < 0);
        }
    }
    std::size_t count = widths.size();
    std::vector<std::int32_t> ord(order);
    // Entries stored for fewer columns keep their order; the later columns follow.
    const std::size_t stored = std::min(ord.size(), count);
    ord.resize(stored);
    if (stored >= 2 && ord[0] != ord[1]) {
        // A damaged array that is not a permutation would leave columns unreachable.
        std::vector<bool> seen(count, false);
        bool valid = true;
        for (std::int32_t o : ord) {
            if (o < 0 || std::size_t(o) >= stored || seen[std::size_t(o)]) {
                valid = false;
                break;
            }
            seen[std::size_t(o)] = true;
        }
        for (std::size_t c = stored; c < count; ++c) ord.push_back(std::int32_t(c));
        if (valid) layout.order = std::vector<int>(ord.begin(), ord.end());
    }
    return layout;
}

bool SaveColumns(const std::string& name, const std::vector<std::int32_t>& widths,
                 const std::vector<std::int32_t>& order) {
    CRegistry reg;
    if (!reg.OpenSettings()) return false;
    bool ok = reg.WriteBinary(name, Int32ArrayToBlob(widths));
    ok = reg.WriteBinary(name + "_ColOrder", Int32ArrayToBlob(order)) && ok;
    return ok;
}

ColumnLayout RestoreColumns(const std::string& name, int count) {
    std::size_t n = count > 0 ? std::size_t(count) : 0;
    std::vector<std::uint8_t> w(n * 4, 0), o(n * 4, 0);
    std::size_t orderBytes = o.size();
    CRegistry reg;
    if (reg.OpenSettings()) {
        reg.ReadBinary(name, w);
        orderBytes = std::min(reg.ValueSize(name + "_ColOrder"), o.size());
        reg.ReadBinary(name + "_ColOrder", o);
    }
    // A missing order reads as zeros, which the first-two-entries rule turns down.
    const std::size_t orderCount = orderBytes / 4 >= 2 ? orderBytes / 4 : n;
    return ColumnLayoutFromArrays(Int32ArrayFromBlob(w.data(), w.size(), n),
                                  Int32ArrayFromBlob(o.data(), o.size(), orderCount));
}

}  // namespace orvanta

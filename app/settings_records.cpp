#include "app/settings_records.h"

#include <algorithm>
#include <cstring>

#include "app/registry.h"

namespace orvanta {

namespace {

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
std::uint32_t GetU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void PutI32(std::uint8_t* p, std::int32_t v) { PutU32(p, std::uint32_t(v)); }
std::int32_t GetI32(const std::uint8_t* p) { return std::int32_t(GetU32(p)); }

void PutDouble(std::uint8_t* p, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) p[i] = std::uint8_t(bits >> (8 * i));
}
double GetDouble(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

void PutFloat(std::uint8_t* p, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(p, bits);
}
float GetFloat(const std::uint8_t* p) {
    std::uint32_t bits = GetU32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

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
    PutI32(&b[0], obs.altitudeMetres);
    PutDouble(&b[8], obs.latitude);
    PutDouble(&b[16], obs.longitude);
    return b;
}

ObserverLocation ParseObserver(const std::array<std::uint8_t, 24>& b) {
    return {GetI32(&b[0]), GetDouble(&b[8]), GetDouble(&b[16])};
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
    PutI32(out + 156, h.disabled);
    PutI32(out + 160, h.successes);
    PutI32(out + 164, h.failures);
    PutI32(out + 168, h.lastResult);
    PutI32(out + 172, h.sum);
    PutI32(out + 176, h.spare);
    PutI32(out + 180, h.cycles);
    PutU32(out + 184, h.tile);
    for (std::size_t i = 0; i < HostRecord::kHistoryLength; ++i) PutI32(out + 188 + 4 * i, h.history[i]);
}

HostRecord ParseHost(const std::uint8_t* in) {
    HostRecord h;
    h.address = GetText(in + 0, 64);
    h.tag = GetText(in + 64, 10);
    h.ipText = GetText(in + 74, 16);
    h.reverseName = GetText(in + 90, 64);
    h.disabled = GetI32(in + 156);
    h.successes = GetI32(in + 160);
    h.failures = GetI32(in + 164);
    h.lastResult = GetI32(in + 168);
    h.sum = GetI32(in + 172);
    h.spare = GetI32(in + 176);
    h.cycles = GetI32(in + 180);
    h.tile = GetU32(in + 184);
    for (std::size_t i = 0; i < HostRecord::kHistoryLength; ++i) h.history[i] = GetI32(in + 188 + 4 * i);
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
    PutFloat(&b[0], p.okLimit);
    PutFloat(&b[4], p.warningLimit);
    PutFloat(&b[8], p.failureLimit);
    PutU32(&b[12], p.okColour);
    PutU32(&b[16], p.warningColour);
    PutU32(&b[20], p.failureColour);
    return b;
}

PingParameters ParsePingParameters(const std::uint8_t* data, std::size_t size) {
    if (!data || size != PING_PARAMETERS_SIZE) return {};
    PingParameters p;
    p.okLimit = GetFloat(data + 0);
    if (p.okLimit == 0.0f) return {};
    p.warningLimit = GetFloat(data + 4);
    p.failureLimit = GetFloat(data + 8);
    p.okColour = GetU32(data + 12);
    p.warningColour = GetU32(data + 16);
    p.failureColour = GetU32(data + 20);
    return p;
}

// ---- window placement ---------------------------------------------------------------

std::array<std::uint8_t, 44> SerializePlacement(const WindowPlacement& wp) {
    std::array<std::uint8_t, 44> b{};
    PutU32(&b[0], wp.length);
    PutU32(&b[4], wp.flags);
    PutU32(&b[8], wp.showCmd);
    PutI32(&b[12], wp.minX);
    PutI32(&b[16], wp.minY);
    PutI32(&b[20], wp.maxX);
    PutI32(&b[24], wp.maxY);
    PutI32(&b[28], wp.normal.left);
    PutI32(&b[32], wp.normal.top);
    PutI32(&b[36], wp.normal.right);
    PutI32(&b[40], wp.normal.bottom);
    return b;
}

WindowPlacement ParsePlacement(const std::array<std::uint8_t, 44>& b) {
    WindowPlacement wp;
    wp.length = GetU32(&b[0]);
    wp.flags = GetU32(&b[4]);
    wp.showCmd = GetU32(&b[8]);
    wp.minX = GetI32(&b[12]);
    wp.minY = GetI32(&b[16]);
    wp.maxX = GetI32(&b[20]);
    wp.maxY = GetI32(&b[24]);
    wp.normal = {GetI32(&b[28]), GetI32(&b[32]), GetI32(&b[36]), GetI32(&b[40])};
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
    if (wp.normal.left == 0 || wp.normal.right == 0) return std::nullopt;
    return wp;
}

// ---- column layouts -----------------------------------------------------------------

std::vector<std::uint8_t> Int32ArrayToBlob(const std::vector<std::int32_t>& values) {
    std::vector<std::uint8_t> blob(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) PutI32(&blob[4 * i], values[i]);
    return blob;
}

std::vector<std::int32_t> Int32ArrayFromBlob(const std::uint8_t* data, std::size_t size,
                                             std::size_t count) {
    std::vector<std::int32_t> out(count, 0);
    for (std::size_t i = 0; i < count && data && 4 * i + 4 <= size; ++i) out[i] = GetI32(data + 4 * i);
    return out;
}

ColumnLayout ColumnLayoutFromArrays(const std::vector<std::int32_t>& widths,
                                    const std::vector<std::int32_t>& order) {
    ColumnLayout layout;
    for (std::int32_t w : widths) {
        if (w != 0)
            layout.widths.push_back(int(std::uint32_t(w) & 0xFFFFu));
        else
            layout.widths.push_back(std::nullopt);
    }
    std::size_t count = widths.size();
    std::vector<std::int32_t> ord(order);
    ord.resize(count, 0);
    if (count >= 2 && ord[0] != ord[1]) {
        // A damaged array that is not a permutation would leave columns unreachable.
        std::vector<bool> seen(count, false);
        bool valid = true;
        for (std::int32_t o : ord) {
            if (o < 0 || std::size_t(o) >= count || seen[std::size_t(o)]) {
                valid = false;
                break;
            }
            seen[std::size_t(o)] = true;
        }
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
    CRegistry reg;
    if (reg.OpenSettings()) {
        reg.ReadBinary(name, w);
        reg.ReadBinary(name + "_ColOrder", o);
    }
    return ColumnLayoutFromArrays(Int32ArrayFromBlob(w.data(), w.size(), n),
                                  Int32ArrayFromBlob(o.data(), o.size(), n));
}

}  // namespace orvanta

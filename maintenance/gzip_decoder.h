#pragma once
// Decoding the first member of a gzip stream (RFC 1952 header and trailer around RFC 1951
// DEFLATE data), with zlib doing the inflation.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvanta {

enum class GunzipStatus {
    Ok,
    NotGzip,  // no gzip header, a method other than DEFLATE, or flags we refuse
    Corrupt,  // damaged or truncated data, CRC-32 or length mismatch, out of memory, write error
};

// Supplies up to `capacity` bytes into `buffer`; 0 means end of input.
using GunzipReadFn = std::function<std::size_t(std::uint8_t* buffer, std::size_t capacity)>;
// Takes decoded bytes; false aborts the decoding as Corrupt.
using GunzipWriteFn = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Decodes the first member only; input after its trailer is not read.
GunzipStatus GunzipFirstMember(const GunzipReadFn& read, const GunzipWriteFn& write);

// Gunzips a byte buffer into memory for callers that have no file to hand. Throws
// CZipException with the wrapper's messages, and with UnzipLimitMessage(maxOutput) when
// the output would pass maxOutput (by default the wrapper's own limit).
std::vector<std::uint8_t> GunzipBuffer(const std::uint8_t* data, std::size_t size,
                                       std::size_t maxOutput = std::size_t(256) << 20);
inline std::vector<std::uint8_t> GunzipBuffer(const std::vector<std::uint8_t>& data,
                                              std::size_t maxOutput = std::size_t(256) << 20) {
    return GunzipBuffer(data.data(), data.size(), maxOutput);
}

}  // namespace orvanta

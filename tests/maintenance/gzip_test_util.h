#pragma once
// Builds gzip members byte by byte, so tests can set any header flag or damage any part.
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta::test {

using Bytes = std::vector<std::uint8_t>;

struct GzipOptions {
    std::uint8_t method = 8;
    std::uint8_t flags = 0;  // extra, name and comment bits are filled from the fields below
    std::string extra;
    std::string name;
    std::string comment;
};

// A complete member: header, raw DEFLATE data, CRC-32 and length trailer.
Bytes MakeGzip(const std::string& content, const GzipOptions& options = {});
// Size of the header MakeGzip writes for these options.
std::size_t GzipHeaderSize(const GzipOptions& options = {});

// A gzip file of `size` zero bytes, written straight to path without holding them: a few
// hundred megabytes come to a few hundred kilobytes.
void WriteZeroGzip(const std::string& path, std::uint64_t size);

Bytes ToBytes(const std::string& s);
std::string ToString(const Bytes& b);

void WriteFile(const std::string& path, const Bytes& data);
Bytes ReadFile(const std::string& path);

}  // namespace orvanta::test

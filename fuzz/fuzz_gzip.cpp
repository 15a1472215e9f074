// The gzip decoder on arbitrary bytes, with a small output limit so bombs stay cheap.
#include <cstddef>
#include <cstdint>

#include "maintenance/gzip_decoder.h"
#include "maintenance/unzip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        orvanta::GunzipBuffer(data, size, std::size_t(4) << 20);
    } catch (const orvanta::CZipException&) {
    }
    return 0;
}

// A decompressed star file of any length and content.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skyview/star_catalogue.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParseStarFile(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

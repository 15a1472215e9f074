// Element text as the catalogue loads it and as the command line reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue/element_loader.h"
#include "orbit/tle_file.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::int32_t skipped = 0;
    const KeplerCatalogue catalogue = ParseElementText(text, &skipped);
    NewestElementEpoch(catalogue);
    ParseTleText(text);
    return 0;
}

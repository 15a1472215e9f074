// The city list's text and the fields a chosen entry puts into the location edits.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "location/city_list.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    for (const std::string& line : ReadCityLines(in)) {
        SplitCityFields(line);
        CityLocationFields(line);
    }
    return 0;
}

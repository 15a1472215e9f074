#include "catalogue/std_magnitude.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace orvanta {

namespace {

struct Entry {
    std::int32_t number;
    std::int16_t hundredths;
};

constexpr Entry kTable[] = {
#include "resources/stdmag_table.inc"
};

}  // namespace

std::optional<double> StandardMagnitude(int catalogueNumber) {
    const auto it = std::lower_bound(
        std::begin(kTable), std::end(kTable), catalogueNumber,
        [](const Entry& e, int number) { return e.number < number; });
    if (it == std::end(kTable) || it->number != catalogueNumber) return std::nullopt;
    return it->hundredths / 100.0;
}

std::size_t StandardMagnitudeCount() {
    return std::size(kTable);
}

}  // namespace orvanta

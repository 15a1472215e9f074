// The built-in transmitter table, the user's own entries and the frequency offsets, each
// read and, where the program writes it back, written and read again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "radio/transmitters.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int skipped = 0;
    for (const Transmitter& t : ParseTransmitterTable(text, &skipped)) TransmitterLabel(t);
    const auto user = ParseUserTransmitters(text);
    if (ParseUserTransmitters(FormatUserTransmitters(user)).size() != user.size()) __builtin_trap();
    const auto offsets = ParseFrequencyOffsets(text);
    if (ParseFrequencyOffsets(FormatFrequencyOffsets(offsets)) != offsets) __builtin_trap();
    return 0;
}

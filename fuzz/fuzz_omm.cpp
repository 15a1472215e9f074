// OMM documents as the element services send them: the first byte picks the form the
// reader is told (or lets it detect the form), the rest is the document.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "orbit/omm_reader.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    OmmReadResult result;
    switch (data[0] % 4) {
        case 0: result = ReadOmmText(text); break;
        case 1: result = ReadOmmText(text, ElementTextFormat::OmmJson); break;
        case 2: result = ReadOmmText(text, ElementTextFormat::OmmCsv); break;
        default: result = ReadOmmText(text, ElementTextFormat::OmmXml); break;
    }
    // Every set the reader makes must be a pair of whole, checked element lines.
    for (const OmmSet& set : result.sets) {
        if (set.line1.size() != 69 || set.line2.size() != 69) __builtin_trap();
        if (ElementLineChecksum(set.line1) != set.line1[68] - '0') __builtin_trap();
        if (ElementLineChecksum(set.line2) != set.line2[68] - '0') __builtin_trap();
    }
    return 0;
}

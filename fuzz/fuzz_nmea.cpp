// Serial input from a GPS receiver: assembled into sentences, each checked and read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "location/nmea.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    NmeaSentenceAssembler assembler;
    // Fed in two pieces, as a serial port splits its reads anywhere.
    const std::size_t half = size / 2;
    for (std::string_view piece : {bytes.substr(0, half), bytes.substr(half)}) {
        for (const std::string& sentence : assembler.Feed(piece)) {
            NmeaChecksumOk(sentence);
            SplitNmeaFields(sentence);
            if (auto fix = ParseGga(sentence)) HdopNeedsConfirmation(*fix);
        }
    }
    ParseGga(bytes);
    return 0;
}

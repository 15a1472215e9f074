// An HTTP response as a socket may deliver it: the first two bytes seed the chunk sizes, so
// the header's end, chunk-size lines and the body fall anywhere between chunks.
#include <cstddef>
#include <cstdint>

#include "catalogue/http_response.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::uint32_t seed = data[0] | (data[1] << 8);
    data += 2;
    size -= 2;
    HttpResponseParser parser(MAX_HTTP_HEADER, 1 << 20);
    std::size_t pos = 0;
    while (pos < size) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t chunk = 1 + (seed >> 16) % 97;
        const std::size_t n = chunk < size - pos ? chunk : size - pos;
        const auto state = parser.Feed(data + pos, n);
        pos += n;
        if (state == HttpResponseParser::State::Complete ||
            state == HttpResponseParser::State::Failed)
            break;
    }
    parser.Close();
    parser.Header("Content-Length");
    if (parser.Body().size() > (1u << 20)) __builtin_trap();
    return 0;
}

// A time server's reply and the server names a user may type: the first eight bytes are the
// time the request went out, the rest the reply datagram; the input as text is a server name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "location/sntp.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParseServerAddress(std::string(reinterpret_cast<const char*>(data), size));
    if (size < 8) return 0;
    std::uint64_t raw = 0;
    std::memcpy(&raw, data, 8);
    NtpTimestamp sent{};
    static_assert(sizeof(sent) <= 8);
    std::memcpy(&sent, &raw, sizeof(sent));
    ParseSntpReply(data + 8, size - 8, sent);
    return 0;
}

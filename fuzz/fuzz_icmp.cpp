// ICMP messages in each form a socket delivers them: the first byte picks the form (raw IP
// packet, bare message, error report), the rest is the bytes received.
#include <cstddef>
#include <cstdint>

#include "hostmon/icmp.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    platform::IcmpDatagram d;
    d.form = static_cast<platform::IcmpDatagram::Form>(data[0] % 3);
    d.errorType = data[0] >> 2;
    d.bytes.assign(data + 1, data + size);
    d.from = {127, 0, 0, 1};
    // Our own request to that host, so the harness also reaches the payload comparison.
    const auto request = BuildEchoRequest(0x1234, 1, 1000, 32);
    const IcmpMessage m = ParseIcmp(d);
    ClassifyReply(m, ExpectationFor(request, d.from));
    return 0;
}

// The element server's login and download exchange driven by a hostile server and network:
// each step's first byte says what the driver reports (data, close, errors, stall), data
// steps carry the server's bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/element_download.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LegacyServerConfig config;
    config.host = "127.0.0.1";  // loopback: the exchange is allowed to run over plain HTTP
    LegacyElementExchange exchange(config, "user", "p&ss=word", 1 << 20);
    exchange.Start(size > 0 && (data[0] & 1) ? "cookie=1" : std::string());
    std::size_t pos = 1;
    while (pos < size && exchange.Running()) {
        const std::uint8_t op = data[pos++];
        switch (op % 8) {
            case 0:
            case 1:
            case 2: {
                const std::size_t n = std::min<std::size_t>(op / 8 + 1, size - pos);
                exchange.OnData(data + pos, n);
                pos += n;
                break;
            }
            case 3: exchange.OnConnected(); break;
            case 4: exchange.OnClosed(); break;
            case 5: exchange.OnSocketError(op, "error"); break;
            case 6: exchange.OnStalled(); break;
            default: exchange.OnSendFailed(); break;
        }
        exchange.TakeEvents();
    }
    exchange.TakeEvents();
    exchange.Body();
    return 0;
}

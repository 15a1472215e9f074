// Replies of the rotator and radio daemons for every command shape the program sends: the
// first byte picks the queue of commands, the rest arrives in chunks of varying size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "radio/hamlib_commands.h"
#include "radio/hamlib_exchange.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    HamlibExchange exchange;
    const std::uint8_t pick = data[0];
    if (pick & 1) QueueRotatorLimits(exchange);
    if (pick & 2) QueueRotatorReadPosition(exchange);
    if (pick & 4) QueueRotatorPosition(exchange, LookAngle{});
    if (pick & 8) QueueRadioReadFrequency(exchange);
    if (pick & 16) QueueRadioSplit(exchange);
    if (pick & 32) QueueRadioMode(exchange, "FM");
    if (pick & 64) QueueRotatorStop(exchange);
    exchange.Queue("\\dump_state", HamlibReplyShape::UNTIL_DONE);
    exchange.Queue("p", HamlibReplyShape::VALUES, 2);
    std::size_t pos = 1;
    std::size_t step = 1 + pick % 13;
    while (pos < size) {
        exchange.TakeOutgoing();
        const std::size_t n = std::min(step, size - pos);
        exchange.Feed(std::string_view(reinterpret_cast<const char*>(data + pos), n));
        pos += n;
        step = step * 7 % 61 + 1;
        for (const HamlibReply& r : exchange.TakeReplies()) {
            ParseRotatorLimits(r.values);
            ParseRotatorPosition(r.values);
            ParseRadioFrequency(r.values);
            HamlibErrorText(r.code);
        }
    }
    exchange.Reset();
    std::string host;
    int port = 0;
    ParseHostPort(std::string(reinterpret_cast<const char*>(data), size), host, port);
    return 0;
}

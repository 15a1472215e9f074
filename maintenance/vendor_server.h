#pragma once
// The vendor's servers (program updates, cloud maps) as the settings name them, and the
// rule every server address the program fetches from must pass.
#include <cstdint>
#include <string>
#include <string_view>

namespace orvanta {

// True for a host under a name reserved for examples and tests (RFC 2606, RFC 6761):
// example, example.com, example.net, example.org, invalid, test and their sub-domains. A
// build without a vendor server carries such a name as its default; asking it can never
// succeed, and the lookup would only leak the question to the network's resolver.
bool IsReservedExampleHost(std::string_view host);

// A server address taken apart: "http[s]://host[:port][/path][?query][#fragment]".
struct ServerUrl {
    bool https = false;
    std::string host;        // lower case; an IPv6 address without its brackets
    std::uint16_t port = 0;  // 0: the scheme's own
};

// Strict on purpose: whatever two URL parsers might read differently is refused rather
// than guessed at. No user info ("name:password@"), no blank, control, non-ASCII or
// backslash character anywhere, a host of letters, digits, '-' and '.' (or an IPv6
// address in brackets) and a port of 1 ... 65535. False with the reason.
bool ParseServerUrl(std::string_view url, ServerUrl& parsed, std::string& why);

// "localhost", "127.0.0.1" and "::1" (any case): the only names taken for this machine.
bool IsLoopbackHost(std::string_view host);

// HTTPS to anywhere, plain HTTP only to this machine: what may be fetched at all, and
// where a password may go. False with the reason.
bool IsSecureServerUrl(std::string_view url, std::string& why);

}  // namespace orvanta

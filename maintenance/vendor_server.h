#pragma once
// The vendor's servers (program updates, cloud maps) as the settings name them.
#include <string_view>

namespace orvanta {

// True for a host under a name reserved for examples and tests (RFC 2606, RFC 6761):
// example, example.com, example.net, example.org, invalid, test and their sub-domains. A
// build without a vendor server carries such a name as its default; asking it can never
// succeed, and the lookup would only leak the question to the network's resolver.
bool IsReservedExampleHost(std::string_view host);

}  // namespace orvanta

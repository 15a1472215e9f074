// Name lookups for ping and trace route, the same on either system.
#include "platform/icmp_address.h"

namespace orvanta::platform {

bool StartNetworking() { return sockets::Start(); }

bool ResolveIpv4(const std::string& host, Ipv4Address& out) {
    if (!StartNetworking()) return false;
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        out = FromInAddr(a);
        return true;
    }
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
    out = FromInAddr(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr);
    ::freeaddrinfo(list);
    return true;
}

std::string ReverseLookup(const Ipv4Address& address) {
    if (!StartNetworking()) return {};
    const sockaddr_in sa = ToSockaddr(address);
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, name, sizeof name, nullptr,
                      0, NI_NAMEREQD) != 0)
        return {};
    return name;
}

}  // namespace orvanta::platform

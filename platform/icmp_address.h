#pragma once
// IPv4 addresses between our byte form and the socket structures, for the ICMP code of both
// systems (inside platform/ only: it brings the socket headers with it).
#include <cstring>

#include "platform/icmp_socket.h"
#include "platform/socket_os.h"

namespace orvanta::platform {

inline Ipv4Address FromInAddr(const in_addr& a) {
    Ipv4Address out{};
    std::memcpy(out.data(), &a.s_addr, 4);  // s_addr is in network order: a.b.c.d
    return out;
}

inline sockaddr_in ToSockaddr(const Ipv4Address& a) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr.s_addr, a.data(), 4);
    return sa;
}

}  // namespace orvanta::platform

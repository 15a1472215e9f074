// ICMP over a Winsock raw socket (administrators) as the program has always done.
// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/icmp_socket.h"

namespace orvanta::platform {
namespace {

Ipv4Address FromInAddr(const in_addr& a) {
    Ipv4Address out{};
    std::memcpy(out.data(), &a.s_addr, 4);
    return out;
}

sockaddr_in ToSockaddr(const Ipv4Address& a) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr.s_addr, a.data(), 4);
    return sa;
}

class WinIcmpSocket final : public IcmpSocket {
public:
    explicit WinIcmpSocket(SOCKET s) : s_(s) {}
    ~WinIcmpSocket() override { ::closesocket(s_); }
    IcmpSocketKind Kind() const override { return IcmpSocketKind::Raw; }
    int KernelIdentifier() const override { return -1; }

    bool SetTimeToLive(int ttl) override {
        return ::setsockopt(s_, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl),
                            sizeof ttl) == 0;
    }

    bool Send(const std::vector<std::uint8_t>& message, const Ipv4Address& to) override {
        const sockaddr_in sa = ToSockaddr(to);
        return ::sendto(s_, reinterpret_cast<const char*>(message.data()),
                        static_cast<int>(message.size()), 0, reinterpret_cast<const sockaddr*>(&sa),
                        sizeof sa) == static_cast<int>(message.size());
    }

    IcmpReceive Receive(int timeoutMs, IcmpDatagram& out) override {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s_, &set);
        timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        const int r = ::select(0, &set, nullptr, nullptr, &tv);
        if (r == SOCKET_ERROR) return IcmpReceive::WaitFailed;
        if (r == 0) return IcmpReceive::TimedOut;
        char buffer[2048];
        sockaddr_in from{};
        int fromLen = sizeof from;
        const int n =
            ::recvfrom(s_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n == SOCKET_ERROR) return IcmpReceive::ReceiveFailed;
        out.form = IcmpDatagram::Form::IpPacket;
        out.bytes.assign(buffer, buffer + n);
        out.from = FromInAddr(from.sin_addr);
        return IcmpReceive::Message;
    }

private:
    SOCKET s_;
};

}  // namespace

bool StartNetworking() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        WSADATA data;
        ok = ::WSAStartup(MAKEWORD(2, 1), &data) == 0;
    });
    return ok;
}

std::unique_ptr<IcmpSocket> OpenIcmpSocket(IcmpSocketKind kind, std::string* why) {
    if (kind == IcmpSocketKind::Datagram || !StartNetworking()) {
        if (why) *why = "ping needs a raw socket; this system offers no ICMP datagram socket";
        return nullptr;
    }
    const SOCKET s = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        if (why) *why = "ping needs a raw socket, which Windows grants to administrators only";
        return nullptr;
    }
    return std::make_unique<WinIcmpSocket>(s);
}

bool ResolveIpv4(const std::string& host, Ipv4Address& out) {
    if (!StartNetworking()) return false;
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        out = FromInAddr(a);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* list = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return false;
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

// No superuser here: the 0.2 s floor of ping intervals holds for everyone.
bool IsSuperuser() {
    return false;
}

std::uint16_t ThreadIdentifier16() {
    return static_cast<std::uint16_t>(::GetCurrentThreadId() & 0xFFFF);
}
std::uint16_t ProcessIdentifier16() {
    return static_cast<std::uint16_t>(::GetCurrentProcessId() & 0xFFFF);
}

}  // namespace orvanta::platform

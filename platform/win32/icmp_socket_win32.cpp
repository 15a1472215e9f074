// ICMP over a Winsock raw socket (administrators) as the program has always done.
#include "platform/icmp_address.h"  // before windows.h, which would pull in the old winsock.h

#include <windows.h>

#include <chrono>
#include <cstring>

namespace orvanta::platform {
namespace {

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

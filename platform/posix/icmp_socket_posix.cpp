// ICMP over a raw socket (CAP_NET_RAW) or the unprivileged ICMP datagram socket.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/errqueue.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/icmp_address.h"

namespace orvanta::platform {
namespace {

class PosixIcmpSocket final : public IcmpSocket {
public:
    PosixIcmpSocket(int fd, IcmpSocketKind kind, int identifier)
        : fd_(fd), kind_(kind), identifier_(identifier) {}
    ~PosixIcmpSocket() override { ::close(fd_); }

    IcmpSocketKind Kind() const override { return kind_; }
    int KernelIdentifier() const override { return identifier_; }

    bool SetTimeToLive(int ttl) override {
        return ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) == 0;
    }

    bool Send(const std::vector<std::uint8_t>& message, const Ipv4Address& to) override {
        const sockaddr_in sa = ToSockaddr(to);
        ssize_t n;
        do {
            n = ::sendto(fd_, message.data(), message.size(), 0,
                         reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
        } while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(message.size());
    }

    IcmpReceive Receive(int timeoutMs, IcmpDatagram& out) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            pollfd p{fd_, POLLIN, 0};
            const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
            if (r < 0) {
                if (errno == EINTR) continue;
                return IcmpReceive::WaitFailed;
            }
            if (r == 0) return IcmpReceive::TimedOut;
            if ((p.revents & POLLERR) && kind_ == IcmpSocketKind::Datagram) {
                if (ReadErrorQueue(out)) return IcmpReceive::Message;
                continue;  // an error that is not an ICMP report: look again
            }
            return ReadMessage(out) ? IcmpReceive::Message : IcmpReceive::ReceiveFailed;
        }
    }

private:
    bool ReadMessage(IcmpDatagram& out) {
        std::uint8_t buffer[2048];
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n;
        do {
            n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                           &fromLen);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return false;
        out.form = kind_ == IcmpSocketKind::Raw ? IcmpDatagram::Form::IpPacket
                                                : IcmpDatagram::Form::IcmpMessage;
        out.bytes.assign(buffer, buffer + n);
        out.from = FromInAddr(from.sin_addr);
        out.errorType = out.errorCode = 0;
        return true;
    }

    bool ReadErrorQueue(IcmpDatagram& out) {
#ifdef __linux__
        std::uint8_t buffer[2048];
        alignas(cmsghdr) std::uint8_t control[512];
        sockaddr_in to{};
        iovec iov{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &to;
        msg.msg_namelen = sizeof to;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0) return false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
            const auto* ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
            if (ee->ee_origin != SO_EE_ORIGIN_ICMP) return false;
            const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
            out.form = IcmpDatagram::Form::ErrorReport;
            out.bytes.assign(buffer, buffer + n);
            out.from =
                offender->sin_family == AF_INET ? FromInAddr(offender->sin_addr) : Ipv4Address{};
            out.errorType = ee->ee_type;
            out.errorCode = ee->ee_code;
            return true;
        }
#else
        (void)out;
#endif
        return false;
    }

    int fd_;
    IcmpSocketKind kind_;
    int identifier_;
};

std::unique_ptr<IcmpSocket> OpenRaw(int& err) {
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) {
        err = errno;
        return nullptr;
    }
    return std::make_unique<PosixIcmpSocket>(fd, IcmpSocketKind::Raw, -1);
}

std::unique_ptr<IcmpSocket> OpenDatagram(int& err) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    if (fd < 0) {
        err = errno;
        return nullptr;
    }
    // Bind now so the kernel's identifier (the socket's "port") is known before sending.
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t len = sizeof any;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&any), &len) != 0) {
        err = errno;
        ::close(fd);
        return nullptr;
    }
#ifdef __linux__
    // Time-exceeded and unreachable reports arrive on the error queue of this socket.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
#endif
    // The identifier travels in network order; report it as our little-endian reader sees it.
    const std::uint16_t port = ntohs(any.sin_port);
    const int identifier = ((port & 0xFF) << 8) | (port >> 8);
    return std::make_unique<PosixIcmpSocket>(fd, IcmpSocketKind::Datagram, identifier);
}

}  // namespace

std::unique_ptr<IcmpSocket> OpenIcmpSocket(IcmpSocketKind kind, std::string* why) {
    int rawErr = 0, dgramErr = 0;
    if (kind != IcmpSocketKind::Datagram) {
        if (auto s = OpenRaw(rawErr)) return s;
        if (kind == IcmpSocketKind::Raw) {
            if (why)
                *why = std::string("ping needs a raw socket, which the system refused (") +
                       std::strerror(rawErr) + "): grant the program CAP_NET_RAW";
            return nullptr;
        }
    }
    if (auto s = OpenDatagram(dgramErr)) return s;
    if (why)
        *why = std::string(
                   "ping needs CAP_NET_RAW or the user's group in "
                   "net.ipv4.ping_group_range (the system refused: ") +
               std::strerror(dgramErr) +
               "): for instance sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"";
    return nullptr;
}

bool IsSuperuser() {
    return ::geteuid() == 0;
}

std::uint16_t ThreadIdentifier16() {
#ifdef SYS_gettid
    return static_cast<std::uint16_t>(::syscall(SYS_gettid) & 0xFFFF);
#else
    return static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(&errno) & 0xFFFF);
#endif
}

std::uint16_t ProcessIdentifier16() {
    return static_cast<std::uint16_t>(::getpid() & 0xFFFF);
}

}  // namespace orvanta::platform

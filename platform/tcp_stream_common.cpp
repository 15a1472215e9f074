// The TCP stream on either system; what differs is in socket_os_posix/_win32.cpp.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/socket_os.h"
#include "platform/tcp_stream.h"

namespace orvanta::platform {

namespace {

using Clock = std::chrono::steady_clock;

class SocketTcpStream final : public TcpStream {
public:
    explicit SocketTcpStream(sockets::Handle s) : s_(s) {}
    ~SocketTcpStream() override { sockets::Close(s_); }

    bool Send(std::string_view data, int timeoutMs, std::string& error) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!data.empty()) {
            const auto n = ::send(s_, data.data(), static_cast<int>(data.size()), sockets::kSendFlags);
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (const int code = sockets::LastError(); n < 0 && !sockets::WouldBlock(code)) {
                error = sockets::ErrorText(code);
                return false;
            }
            if (!Wait(POLLOUT, deadline)) {
                error = "time-out while sending";
                return false;
            }
        }
        return true;
    }

    std::string Receive(int timeoutMs, bool& closed, std::string& error) override {
        closed = false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!Wait(POLLIN, deadline)) return {};
        char buf[4096];
        const auto n = ::recv(s_, buf, sizeof buf, 0);
        if (n == 0) {
            closed = true;
            return {};
        }
        if (n < 0) {
            const int code = sockets::LastError();
            if (sockets::WouldBlock(code)) return {};
            error = sockets::ErrorText(code);
            closed = true;
            return {};
        }
        return std::string(buf, static_cast<std::size_t>(n));
    }

private:
    bool Wait(short events, Clock::time_point deadline) {
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const int r = sockets::PollOne(s_, events, static_cast<int>(std::max<long long>(0, left.count())));
            if (r > 0) return true;
            if (r == 0 || !sockets::Interrupted(sockets::LastError())) return false;
        }
    }

    sockets::Handle s_;
};

// A connection to a free loopback port can meet itself (TCP simultaneous open when the system
// picks that very port as the source): it "connects" and then hears its own words.
bool ConnectedToItself(sockets::Handle s) {
    sockaddr_storage local{}, peer{};
    socklen_t localLen = sizeof local, peerLen = sizeof peer;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&local), &localLen) != 0 ||
        ::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
        return false;
    return localLen == peerLen && std::memcmp(&local, &peer, static_cast<std::size_t>(localLen)) == 0;
}

// 0 when connected, else the error code.
int Connect(sockets::Handle s, const addrinfo& a, int timeoutMs) {
    if (::connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) == 0) return 0;
    const int code = sockets::LastError();
    if (!sockets::ConnectPending(code)) return code;
    short revents = 0;
    if (sockets::PollOne(s, POLLOUT, timeoutMs, &revents) != 1) return sockets::kTimedOut;
    int so = 0;
    socklen_t len = sizeof so;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so), &len);
    if (so == 0 && (revents & (POLLERR | POLLHUP))) so = sockets::kRefused;
    return so;
}

}  // namespace

std::unique_ptr<TcpStream> ConnectTcp(const std::string& host, int port, int timeoutMs,
                                      std::string& error) {
    if (!sockets::Start()) {
        error = "the socket library did not start";
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int r = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); r != 0) {
        error = "cannot resolve " + host + ": " + ::gai_strerror(r);
        return nullptr;
    }
    error = "no address for " + host;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const sockets::Handle s = sockets::OpenNonBlocking(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == sockets::kInvalid) continue;
        int code = Connect(s, *a, timeoutMs);
        if (code == 0 && ConnectedToItself(s)) code = sockets::kRefused;
        if (code == 0) {
            const int one = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
            ::freeaddrinfo(found);
            return std::make_unique<SocketTcpStream>(s);
        }
        error = sockets::ErrorText(code);
        sockets::Close(s);
    }
    ::freeaddrinfo(found);
    return nullptr;
}

}  // namespace orvanta::platform

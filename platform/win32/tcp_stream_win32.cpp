#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>

#include "platform/tcp_stream.h"

namespace orvanta::platform {

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockStartup() { ::WSACleanup(); }
};

std::string LastError() { return "socket error " + std::to_string(::WSAGetLastError()); }

class WinTcpStream final : public TcpStream {
public:
    explicit WinTcpStream(SOCKET s) : s_(s) {}
    ~WinTcpStream() override { ::closesocket(s_); }

    bool Send(std::string_view data, int timeoutMs, std::string& error) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!data.empty()) {
            const int n = ::send(s_, data.data(), static_cast<int>(data.size()), 0);
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (::WSAGetLastError() != WSAEWOULDBLOCK || !Wait(POLLWRNORM, deadline)) {
                error = LastError();
                return false;
            }
        }
        return true;
    }

    std::string Receive(int timeoutMs, bool& closed, std::string& error) override {
        closed = false;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!Wait(POLLRDNORM, deadline)) return {};
        char buf[4096];
        const int n = ::recv(s_, buf, sizeof buf, 0);
        if (n == 0) {
            closed = true;
            return {};
        }
        if (n < 0) {
            if (::WSAGetLastError() == WSAEWOULDBLOCK) return {};
            error = LastError();
            closed = true;
            return {};
        }
        return std::string(buf, static_cast<std::size_t>(n));
    }

private:
    bool Wait(short events, std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        WSAPOLLFD p{s_, events, 0};
        return ::WSAPoll(&p, 1, static_cast<INT>(left.count() > 0 ? left.count() : 0)) > 0;
    }

    SOCKET s_;
};

}  // namespace

std::unique_ptr<TcpStream> ConnectTcp(const std::string& host, int port, int timeoutMs,
                                      std::string& error) {
    static WinsockStartup startup;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        error = "cannot resolve " + host;
        return nullptr;
    }
    error = "no address for " + host;
    for (addrinfo* a = found; a; a = a->ai_next) {
        SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        int ok = ::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen));
        if (ok != 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            WSAPOLLFD p{s, POLLWRNORM, 0};
            ok = ::WSAPoll(&p, 1, timeoutMs) == 1 && !(p.revents & (POLLERR | POLLHUP)) ? 0 : -1;
        }
        if (ok == 0) {
            ::freeaddrinfo(found);
            return std::make_unique<WinTcpStream>(s);
        }
        error = LastError();
        ::closesocket(s);
    }
    ::freeaddrinfo(found);
    return nullptr;
}

}  // namespace orvanta::platform

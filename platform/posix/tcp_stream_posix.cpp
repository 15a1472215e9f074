#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/tcp_stream.h"

namespace orvanta::platform {

namespace {

class PosixTcpStream final : public TcpStream {
public:
    explicit PosixTcpStream(int fd) : fd_(fd) {}
    ~PosixTcpStream() override { ::close(fd_); }

    bool Send(std::string_view data, int timeoutMs, std::string& error) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!data.empty()) {
            const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                error = std::strerror(errno);
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
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!Wait(POLLIN, deadline)) return {};
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0) {
            closed = true;
            return {};
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {};
            error = std::strerror(errno);
            closed = true;
            return {};
        }
        return std::string(buf, static_cast<std::size_t>(n));
    }

private:
    bool Wait(short events, std::chrono::steady_clock::time_point deadline) {
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
            if (r > 0) return true;
            if (r == 0 || errno != EINTR) return false;
        }
    }

    int fd_;
};

// A connection to a free loopback port can meet itself (TCP simultaneous open when the kernel
// picks that very port as the source): it "connects" and then hears its own words.
bool ConnectedToItself(int fd) {
    sockaddr_storage local{}, peer{};
    socklen_t localLen = sizeof local, peerLen = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
        return false;
    return localLen == peerLen && std::memcmp(&local, &peer, localLen) == 0;
}

}  // namespace

std::unique_ptr<TcpStream> ConnectTcp(const std::string& host, int port, int timeoutMs,
                                      std::string& error) {
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
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        int ok = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (ok < 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, timeoutMs) == 1) {
                int so = 0;
                socklen_t len = sizeof so;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so, &len);
                ok = so == 0 ? 0 : -1;
                errno = so;
            } else {
                errno = ETIMEDOUT;
            }
        }
        if (ok == 0 && ConnectedToItself(fd)) {
            ok = -1;
            errno = ECONNREFUSED;
        }
        if (ok == 0) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ::freeaddrinfo(found);
            return std::make_unique<PosixTcpStream>(fd);
        }
        error = std::strerror(errno);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return nullptr;
}

}  // namespace orvanta::platform

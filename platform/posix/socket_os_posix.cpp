#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/socket_os.h"

namespace orvanta::platform::sockets {

bool Start() { return true; }

Handle OpenNonBlocking(int family, int type, int protocol) {
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

void Close(Handle s) { ::close(s); }
int LastError() { return errno; }
std::string ErrorText(int code) { return std::strerror(code); }
bool WouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK || code == EINTR; }
bool ConnectPending(int code) { return code == EINPROGRESS; }
bool Interrupted(int code) { return code == EINTR; }

int PollOne(Handle s, short events, int timeoutMs, short* revents) {
    pollfd p{s, events, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (revents) *revents = p.revents;
    return r;
}

}  // namespace orvanta::platform::sockets

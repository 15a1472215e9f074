#include <mutex>

#include "platform/socket_os.h"

namespace orvanta::platform::sockets {

bool Start() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        WSADATA data;
        ok = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return ok;
}

Handle OpenNonBlocking(int family, int type, int protocol) {
    // WSA_FLAG_NO_HANDLE_INHERIT: the POSIX SOCK_CLOEXEC.
    const SOCKET s = ::WSASocketW(family, type, protocol, nullptr, 0,
                                  WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return s;
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

void Close(Handle s) { ::closesocket(s); }
int LastError() { return ::WSAGetLastError(); }
std::string ErrorText(int code) { return "socket error " + std::to_string(code); }
bool WouldBlock(int code) { return code == WSAEWOULDBLOCK || code == WSAEINTR; }
bool ConnectPending(int code) { return code == WSAEWOULDBLOCK; }
bool Interrupted(int code) { return code == WSAEINTR; }

int PollOne(Handle s, short events, int timeoutMs, short* revents) {
    WSAPOLLFD p{s, events, 0};
    const int r = ::WSAPoll(&p, 1, timeoutMs);
    if (revents) *revents = p.revents;
    return r;
}

}  // namespace orvanta::platform::sockets

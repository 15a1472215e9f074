#pragma once
// The few socket calls that differ between POSIX and Winsock, for the stream and ICMP code
// shared by both (tcp_stream_common.cpp, icmp_common.cpp). Everything else in the Berkeley
// API (getaddrinfo, connect, send, recv, getsockopt) is the same on the two.
#ifdef _WIN32
// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#endif

#include <string>

namespace orvanta::platform::sockets {

#ifdef _WIN32
using Handle = SOCKET;
inline constexpr Handle kInvalid = INVALID_SOCKET;
inline constexpr int kSendFlags = 0;
inline constexpr int kTimedOut = WSAETIMEDOUT;
inline constexpr int kRefused = WSAECONNREFUSED;
#else
using Handle = int;
inline constexpr Handle kInvalid = -1;
inline constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer is an error, not a signal
inline constexpr int kTimedOut = ETIMEDOUT;
inline constexpr int kRefused = ECONNREFUSED;
#endif

// Starts the socket library once per process (Winsock); true when usable.
bool Start();
// A socket that does not block and is not inherited by child processes.
Handle OpenNonBlocking(int family, int type, int protocol);
void Close(Handle s);
// The calling thread's last socket error, and its text.
int LastError();
std::string ErrorText(int code);
// The error says only "try again later" (would block, interrupted).
bool WouldBlock(int code);
// The error of a connect that goes on in the background.
bool ConnectPending(int code);
// One poll of one socket; the result of poll() (> 0 ready, 0 timed out, < 0 failed, in
// which case Interrupted tells whether to poll again).
int PollOne(Handle s, short events, int timeoutMs, short* revents = nullptr);
bool Interrupted(int code);

}  // namespace orvanta::platform::sockets

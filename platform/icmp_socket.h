#pragma once
// ICMP sockets for ping and trace route. Linux lets only privileged processes open raw
// sockets; others may use the ICMP datagram socket (net.ipv4.ping_group_range), where the
// kernel chooses the identifier and hands over the ICMP message without its IP header.
// Callers see one interface either way; the packets themselves are built and checked in
// hostmon/.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvanta::platform {

using Ipv4Address = std::array<std::uint8_t, 4>;  // a.b.c.d in this order

enum class IcmpSocketKind {
    Automatic,  // raw where permitted, else the datagram socket
    Raw,
    Datagram,
};

// One received message, in the form the socket delivers it.
struct IcmpDatagram {
    enum class Form {
        IpPacket,     // raw socket: IPv4 header, then the ICMP message
        IcmpMessage,  // datagram socket: the ICMP message alone
        ErrorReport,  // datagram socket: an ICMP error about a request of ours; bytes
                      // hold that request as sent (identifier as the kernel set it)
    };
    Form form = Form::IpPacket;
    std::vector<std::uint8_t> bytes;
    Ipv4Address from{};          // sender (for ErrorReport: the reporting router)
    std::uint8_t errorType = 0;  // ErrorReport only
    std::uint8_t errorCode = 0;
};

enum class IcmpReceive { Message, TimedOut, WaitFailed, ReceiveFailed };

class IcmpSocket {
public:
    virtual ~IcmpSocket() = default;
    virtual IcmpSocketKind Kind() const = 0;
    virtual bool SetTimeToLive(int ttl) = 0;
    virtual bool Send(const std::vector<std::uint8_t>& message, const Ipv4Address& to) = 0;
    // Waits at most timeoutMs (0: only what is already queued) for one message.
    virtual IcmpReceive Receive(int timeoutMs, IcmpDatagram& out) = 0;
    // Datagram sockets: the identifier the kernel writes into our requests, as bytes 4-5
    // of the message read little-endian. Raw sockets: -1 (the sender chooses).
    virtual int KernelIdentifier() const = 0;
};

// Opens a socket of the given kind. On failure returns null and, when why is given, a
// sentence saying what the system refused and what to grant.
std::unique_ptr<IcmpSocket> OpenIcmpSocket(IcmpSocketKind kind, std::string* why = nullptr);

// Starts the socket library once per process (Winsock); true when usable.
bool StartNetworking();

// A dotted IPv4 address is taken as it is; a name goes to the system resolver (first
// IPv4 address). False when it does not resolve.
bool ResolveIpv4(const std::string& host, Ipv4Address& out);
// The name a reverse lookup finds for the address; empty when there is none.
std::string ReverseLookup(const Ipv4Address& address);

// True when the process runs as the superuser, to whom ping allows intervals below 0.2 s.
bool IsSuperuser();

// Low 16 bits of the calling thread's id, and of the process id.
std::uint16_t ThreadIdentifier16();
std::uint16_t ProcessIdentifier16();

}  // namespace orvanta::platform

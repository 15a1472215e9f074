#pragma once
// ICMP echo (RFC 792) for the host monitor: the two request layouts, the reply checks,
// PingHost with its result codes and the trace route.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/icmp_socket.h"

namespace orvanta {

using platform::Ipv4Address;

// PingHost results.
enum PingResult : int {
    PING_DATA_TOO_SMALL = 0,
    PING_STARTUP_FAILED = 2,
    PING_UNRESOLVED = 3,
    PING_SOCKET_FAILED = 4,
    PING_SEND_FAILED = 5,
    PING_TIMED_OUT = 6,
    PING_WAIT_FAILED = 7,
    PING_RECEIVE_FAILED = 8,
    PING_NOT_A_REPLY = 9,
    PING_UNREACHABLE = 10,
    PING_SUCCESS = 12,
    PING_TIME_EXCEEDED = 13,
};

enum : std::uint8_t {
    ICMP_ECHO_REPLY = 0,
    ICMP_DEST_UNREACHABLE = 3,
    ICMP_ECHO_REQUEST = 8,
    ICMP_TIME_EXCEEDED = 11,
};

// RFC 1071: 16-bit words as the host stores them (little-endian here), an odd last byte
// as the low byte of a final word, carries folded twice, one's complement.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size);

// Echo request of dataSize + 12 bytes: header, 4-byte send stamp (ms), data of 0x45.
std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::uint32_t stampMs, std::size_t dataSize);
// Trace route probe: 32 bytes, data EF BE AD DE repeated.
std::vector<std::uint8_t> BuildTraceProbe(std::uint16_t identifier, std::uint16_t sequence);

// What a received message says, whatever socket delivered it.
struct IcmpMessage {
    bool valid = false;  // long enough to read
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    bool hasEcho = false;          // identifier and sequence known (echo reply, or the request
                                   // an error message quotes)
    std::uint16_t identifier = 0;  // bytes 4-5 read little-endian
    std::uint16_t sequence = 0;
    Ipv4Address from{};
    // Echo reply: the data after its header. Error message: as much of the quoted request's
    // data as it quotes (often none).
    std::vector<std::uint8_t> payload;
    bool hasQuotedTarget = false;  // error message over a raw socket: where the quoted
    Ipv4Address quotedTarget{};    // datagram was going
};
IcmpMessage ParseIcmp(const platform::IcmpDatagram& datagram);

// The request a reply must answer: an echo reply comes from the target and returns the
// request's data unchanged; an error quotes this identifier and sequence (and, where it
// shows them, the target and the start of the data). Identifier and sequence alone would
// let another program's ping, or a reply it forged, count as ours.
struct EchoExpectation {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    Ipv4Address target{};
    std::vector<std::uint8_t> payload;  // the request after its 8-byte header
};
EchoExpectation ExpectationFor(const std::vector<std::uint8_t>& request, const Ipv4Address& target);

// How a message relates to our request: the result code it gives (PING_SUCCESS,
// PING_UNREACHABLE, PING_TIME_EXCEEDED), or PING_NOT_A_REPLY for a message meant for
// someone else or for an earlier request. Pure, for any bytes whatever.
int ClassifyReply(const IcmpMessage& m, const EchoExpectation& expected);
inline int ClassifyReply(const platform::IcmpDatagram& d, const EchoExpectation& expected) {
    return ClassifyReply(ParseIcmp(d), expected);
}

// Opens the socket a ping or trace uses; tests substitute their own.
using IcmpSocketOpener = std::function<std::unique_ptr<platform::IcmpSocket>(std::string* why)>;
IcmpSocketOpener SystemSocketOpener(platform::IcmpSocketKind kind);

struct PingRequest {
    std::string host;
    int ttl = 255;
    int timeoutMs = 5000;
    int dataSize = 32;
    platform::IcmpSocketKind socketKind = platform::IcmpSocketKind::Automatic;
    IcmpSocketOpener opener;                  // empty: SystemSocketOpener(socketKind)
    const std::atomic<bool>* stop = nullptr;  // when set, waiting ends within 200 ms
};

struct PingOutcome {
    int code = PING_TIMED_OUT;
    Ipv4Address address{};  // the replying host (also the target once resolved)
    int rttMs = 0;
    std::uint16_t sequence = 0;
    std::string socketError;  // PING_SOCKET_FAILED: what the system refused
};

// One echo request; reads replies until its own arrives or the time-out ends, so that the
// replies other threads' requests draw on a raw socket do not spoil this one.
PingOutcome PingHost(const PingRequest& request);

std::string FormatIpv4(const Ipv4Address& a);  // "%d.%d.%d.%d"

struct TraceRow {
    int hop = 0;
    bool answered = false;
    int rttMs = 0;
    Ipv4Address address{};
    std::string message;  // "Destination unreachable!" or empty
};

struct TraceRequest {
    std::string host;
    int maxHops = 10;
    int hopTimeoutMs = 2000;
    platform::IcmpSocketKind socketKind = platform::IcmpSocketKind::Automatic;
    IcmpSocketOpener opener;
    const std::atomic<bool>* stop = nullptr;
};

// Walks the path hop by hop (at least two hops, at most maxHops), calling onRow for each
// hop as its answer arrives. False when the trace could not start (no socket, name not
// resolved); why then tells the reason.
bool TraceRoute(const TraceRequest& request, const std::function<void(const TraceRow&)>& onRow,
                std::string* why = nullptr);

}  // namespace orvanta

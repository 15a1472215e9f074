#include "hostmon/icmp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace orvanta {
namespace {

using Clock = std::chrono::steady_clock;

std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void FinishHeader(std::vector<std::uint8_t>& m, std::uint16_t identifier, std::uint16_t sequence) {
    m[0] = ICMP_ECHO_REQUEST;
    m[1] = 0;
    WriteLe16(&m[4], identifier);
    WriteLe16(&m[6], sequence);
    WriteLe16(&m[2], 0);
    WriteLe16(&m[2], InternetChecksum(m.data(), m.size()));
}

// Every request gets the next number, so a late reply to an earlier request (same thread,
// same identifier) is told apart from the reply to the current one.
std::uint16_t NextSequence() {
    static std::atomic<std::uint16_t> counter{0};
    return static_cast<std::uint16_t>(counter.fetch_add(1) + 1);
}

// Reads the echo header (identifier, sequence) at offset when it is an echo message.
void ReadEcho(const std::vector<std::uint8_t>& b, std::size_t at, std::uint8_t wantType,
              IcmpMessage& m) {
    if (b.size() >= at + 8 && b[at] == wantType) {
        m.hasEcho = true;
        m.identifier = ReadLe16(&b[at + 4]);
        m.sequence = ReadLe16(&b[at + 6]);
    }
}

// The echo header at offset, then the data after it.
void ReadEchoAndData(const std::vector<std::uint8_t>& b, std::size_t at, std::uint8_t wantType,
                     IcmpMessage& m) {
    ReadEcho(b, at, wantType, m);
    if (m.hasEcho) m.payload.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 8), b.end());
}

void ParseMessageAt(const std::vector<std::uint8_t>& b, std::size_t at, IcmpMessage& m) {
    if (b.size() < at + 8) return;
    m.valid = true;
    m.type = b[at];
    m.code = b[at + 1];
    if (m.type == ICMP_ECHO_REPLY) {
        ReadEchoAndData(b, at, ICMP_ECHO_REPLY, m);
    } else if (m.type == ICMP_DEST_UNREACHABLE || m.type == ICMP_TIME_EXCEEDED) {
        // The error quotes the offending datagram: its IP header, then at least our
        // request's first 8 bytes.
        const std::size_t quoted = at + 8;
        if (b.size() < quoted + 20) return;
        const std::size_t qihl = static_cast<std::size_t>(b[quoted] & 0x0F) * 4;
        if (qihl < 20) return;
        m.hasQuotedTarget = true;
        std::copy(b.begin() + static_cast<std::ptrdiff_t>(quoted + 16),
                  b.begin() + static_cast<std::ptrdiff_t>(quoted + 20), m.quotedTarget.begin());
        ReadEchoAndData(b, quoted + qihl, ICMP_ECHO_REQUEST, m);
    }
}

// A quoted request may be cut anywhere after its header: what it shows must match.
bool IsPrefixOf(const std::vector<std::uint8_t>& part, const std::vector<std::uint8_t>& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}

// Waits for one message until deadline, in slices short enough to notice a stop.
platform::IcmpReceive ReceiveUntil(platform::IcmpSocket& s, Clock::time_point deadline,
                                   const std::atomic<bool>* stop, platform::IcmpDatagram& out) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || Stopped(stop)) return platform::IcmpReceive::TimedOut;
        const int slice =
            stop ? static_cast<int>(std::min<long long>(left, 200)) : static_cast<int>(left);
        const auto r = s.Receive(slice, out);
        if (r != platform::IcmpReceive::TimedOut) return r;
    }
}

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - since).count() / 1000);
}

}  // namespace

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) sum += ReadLe16(data + i);
    if (i < size) sum += data[i];
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::uint32_t stampMs, std::size_t dataSize) {
    std::vector<std::uint8_t> m(dataSize + 12, 0x45);
    for (int k = 0; k < 4; ++k) m[8 + k] = static_cast<std::uint8_t>(stampMs >> (8 * k));
    FinishHeader(m, identifier, sequence);
    return m;
}

std::vector<std::uint8_t> BuildTraceProbe(std::uint16_t identifier, std::uint16_t sequence) {
    std::vector<std::uint8_t> m(32, 0);
    static const std::uint8_t pattern[4] = {0xEF, 0xBE, 0xAD, 0xDE};
    for (std::size_t k = 8; k < m.size(); ++k) m[k] = pattern[(k - 8) % 4];
    FinishHeader(m, identifier, sequence);
    return m;
}

IcmpMessage ParseIcmp(const platform::IcmpDatagram& d) {
    IcmpMessage m;
    m.from = d.from;
    using Form = platform::IcmpDatagram::Form;
    switch (d.form) {
        case Form::IpPacket: {
            if (d.bytes.empty()) return m;
            const std::size_t ihl = static_cast<std::size_t>(d.bytes[0] & 0x0F) * 4;
            if (ihl < 20) return m;
            ParseMessageAt(d.bytes, ihl, m);
            break;
        }
        case Form::IcmpMessage:
            ParseMessageAt(d.bytes, 0, m);
            break;
        case Form::ErrorReport:
            m.valid = true;
            m.type = d.errorType;
            m.code = d.errorCode;
            ReadEchoAndData(d.bytes, 0, ICMP_ECHO_REQUEST, m);
            break;
    }
    return m;
}

EchoExpectation ExpectationFor(const std::vector<std::uint8_t>& request,
                               const Ipv4Address& target) {
    EchoExpectation e;
    e.target = target;
    if (request.size() < 8) return e;
    e.identifier = ReadLe16(&request[4]);
    e.sequence = ReadLe16(&request[6]);
    e.payload.assign(request.begin() + 8, request.end());
    return e;
}

int ClassifyReply(const IcmpMessage& m, const EchoExpectation& expected) {
    if (!m.valid || !m.hasEcho || m.identifier != expected.identifier ||
        m.sequence != expected.sequence)
        return PING_NOT_A_REPLY;
    if (m.type == ICMP_ECHO_REPLY) {
        if (m.from != expected.target || m.payload != expected.payload) return PING_NOT_A_REPLY;
        return PING_SUCCESS;
    }
    if (m.type != ICMP_DEST_UNREACHABLE && m.type != ICMP_TIME_EXCEEDED) return PING_NOT_A_REPLY;
    // The reporting router is any host on the way; the datagram it quotes must be ours.
    if (m.hasQuotedTarget && m.quotedTarget != expected.target) return PING_NOT_A_REPLY;
    if (!IsPrefixOf(m.payload, expected.payload)) return PING_NOT_A_REPLY;
    return m.type == ICMP_DEST_UNREACHABLE ? PING_UNREACHABLE : PING_TIME_EXCEEDED;
}

IcmpSocketOpener SystemSocketOpener(platform::IcmpSocketKind kind) {
    return [kind](std::string* why) { return platform::OpenIcmpSocket(kind, why); };
}

std::string FormatIpv4(const Ipv4Address& a) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
    return text;
}

PingOutcome PingHost(const PingRequest& request) {
    PingOutcome out;
    if (request.dataSize < 8) {
        out.code = PING_DATA_TOO_SMALL;
        return out;
    }
    if (!platform::StartNetworking()) {
        out.code = PING_STARTUP_FAILED;
        return out;
    }
    if (!platform::ResolveIpv4(request.host, out.address)) {
        out.code = PING_UNRESOLVED;
        return out;
    }
    const IcmpSocketOpener open =
        request.opener ? request.opener : SystemSocketOpener(request.socketKind);
    auto socket = open(&out.socketError);
    if (!socket || !socket->SetTimeToLive(request.ttl)) {
        if (socket) out.socketError = "the time-to-live could not be set";
        out.code = PING_SOCKET_FAILED;
        return out;
    }
    const int kernelId = socket->KernelIdentifier();
    const std::uint16_t identifier =
        kernelId >= 0 ? static_cast<std::uint16_t>(kernelId) : platform::ThreadIdentifier16();
    out.sequence = NextSequence();
    const auto start = Clock::now();
    const auto stampMs = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count());
    const auto message = BuildEchoRequest(identifier, out.sequence, stampMs,
                                          static_cast<std::size_t>(request.dataSize));
    if (!socket->Send(message, out.address)) {
        out.code = PING_SEND_FAILED;
        return out;
    }
    const EchoExpectation expected = ExpectationFor(message, out.address);
    const auto deadline = start + std::chrono::milliseconds(std::max(0, request.timeoutMs));
    for (;;) {
        platform::IcmpDatagram d;
        switch (ReceiveUntil(*socket, deadline, request.stop, d)) {
            case platform::IcmpReceive::TimedOut:
                out.code = PING_TIMED_OUT;
                return out;
            case platform::IcmpReceive::WaitFailed:
                out.code = PING_WAIT_FAILED;
                return out;
            case platform::IcmpReceive::ReceiveFailed:
                out.code = PING_RECEIVE_FAILED;
                return out;
            case platform::IcmpReceive::Message:
                break;
        }
        const IcmpMessage m = ParseIcmp(d);
        const int code = ClassifyReply(m, expected);
        if (code == PING_NOT_A_REPLY) continue;  // someone else's: keep listening
        out.code = code;
        out.address = m.from;
        if (code == PING_SUCCESS) out.rttMs = ElapsedMs(start);
        return out;
    }
}

bool TraceRoute(const TraceRequest& request, const std::function<void(const TraceRow&)>& onRow,
                std::string* why) {
    if (!platform::StartNetworking()) {
        if (why) *why = "the network could not be started";
        return false;
    }
    const IcmpSocketOpener open =
        request.opener ? request.opener : SystemSocketOpener(request.socketKind);
    std::string socketError;
    auto socket = open(&socketError);
    if (!socket) {
        if (why) *why = socketError;
        return false;
    }
    Ipv4Address target{};
    if (!platform::ResolveIpv4(request.host, target)) {
        if (why) *why = "Hostname could not be resolved (DNS problem)!";
        return false;
    }
    const int kernelId = socket->KernelIdentifier();
    const std::uint16_t identifier =
        kernelId >= 0 ? static_cast<std::uint16_t>(kernelId) : platform::ProcessIdentifier16();

    bool done = false;
    for (int hop = 1; (hop < 3 || !done) && !Stopped(request.stop); ++hop) {
        if (!socket->SetTimeToLive(hop)) break;
        const std::uint16_t sequence = NextSequence();
        const auto probe = BuildTraceProbe(identifier, sequence);
        const EchoExpectation expected = ExpectationFor(probe, target);
        const auto start = Clock::now();
        bool endTrace = false;
        if (socket->Send(probe, target)) {
            TraceRow row;
            row.hop = hop;
            const auto deadline = start + std::chrono::milliseconds(request.hopTimeoutMs);
            for (;;) {
                platform::IcmpDatagram d;
                if (ReceiveUntil(*socket, deadline, request.stop, d) !=
                    platform::IcmpReceive::Message)
                    break;  // silent hop (or a failed receive): a row without an answer
                const IcmpMessage m = ParseIcmp(d);
                const int code = ClassifyReply(m, expected);
                if (code == PING_NOT_A_REPLY) continue;
                row.answered = true;
                row.rttMs = ElapsedMs(start);
                row.address = m.from;
                if (code == PING_SUCCESS) done = true;
                if (code == PING_UNREACHABLE) {
                    row.message = "Destination unreachable!";
                    endTrace = true;
                }
                break;
            }
            if (Stopped(request.stop)) break;
            onRow(row);
        }
        if (endTrace) break;
        if (hop >= request.maxHops) done = true;
    }
    return true;
}

}  // namespace orvanta

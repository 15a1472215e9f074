#pragma once
// The Simple Network Time Protocol (RFC 4330) as bytes: the client's request, the checks
// on the server's reply and the clock offset and round-trip delay from the four time
// stamps. The socket that carries the packets lives with the user interface.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orvanta {

inline constexpr std::uint16_t kNtpPort = 123;
inline constexpr std::size_t kSntpPacketSize = 48;
inline constexpr int kSntpTimeoutMs = 5000;

// A 64-bit NTP time stamp: seconds since 1900 (modulo 2^32, so 2036 starts era 1) in the
// upper half, the binary fraction of a second in the lower.
using NtpTimestamp = std::uint64_t;

NtpTimestamp NtpFromUnixMicros(std::int64_t unixMicros);
// Read in the era nearest to the present: a most significant bit of 0 means 2036 to 2104.
std::int64_t UnixMicrosFromNtp(NtpTimestamp ntp);
// Read in the era nearest to localUnixMicros (RFC 5905): right for any time within 68 years
// of that clock, in 64 bits throughout.
std::int64_t UnixMicrosNearest(NtpTimestamp ntp, std::int64_t localUnixMicros);

// Client request: version 4, mode 3, our transmit time stamp (the server echoes it as the
// originate time stamp, which ties its answer to this request).
std::array<std::uint8_t, kSntpPacketSize> BuildSntpRequest(NtpTimestamp transmit);

enum class SntpStatus {
    Ok,
    NoAnswer,         // nothing usable arrived within the time-out
    LookupFailed,     // the server's name did not resolve
    SocketError,      // the request could not be sent
    ShortReply,       // fewer than 48 bytes
    NotServerMode,    // not a server's answer (mode 4) or an unknown version
    KissOfDeath,      // stratum 0: the server refuses (kiss code RATE, DENY, RSTR, ...)
    Unsynchronised,   // leap indicator 3 or stratum above 15: the server has no time
    OriginMismatch,   // the answer belongs to another request
    ZeroTransmit,     // the server gave no transmit time
    ZeroReceive,      // the server gave no receive time
    BadTimes,         // a negative round trip or delay, or one longer than we waited
    TooFar,           // the server's time is too far from ours to tell its era
};

struct SntpReply {
    SntpStatus status = SntpStatus::ShortReply;
    int leap = 0, version = 0, mode = 0, stratum = 0;
    std::string kissCode;  // four ASCII characters of a kiss-o'-death
    NtpTimestamp originate = 0, receive = 0, transmit = 0;
};

// Reads and checks a reply to the request whose transmit time stamp was sent.
SntpReply ParseSntpReply(const std::uint8_t* data, std::size_t size, NtpTimestamp sent);

struct SntpOutcome {
    SntpStatus status = SntpStatus::NoAnswer;
    std::string server;          // as the user named it
    double offsetSeconds = 0.0;  // the server's clock minus ours
    double delaySeconds = 0.0;   // round trip, less the server's own time
    int stratum = 0;
    std::string kissCode;
    std::string detail;          // the system's text for lookup and socket failures
    bool Ok() const { return status == SntpStatus::Ok; }
};

// Offset ((T2 - T1) + (T3 - T4)) / 2 and delay (T4 - T1) - (T3 - T2), with T1 the request
// sent, T2 its arrival at the server, T3 the answer's departure and T4 its arrival here.
// Refuses (BadTimes) a round trip or a time at the server that is negative and a delay
// outside 0 ... timeoutMs; refuses (TooFar) a server more than kSntpMaxOffsetSeconds from
// our clock. Offset and delay are set only with Ok.
SntpStatus MeasureSntp(NtpTimestamp t1, NtpTimestamp t2, NtpTimestamp t3, NtpTimestamp t4,
                       double& offsetSeconds, double& delaySeconds,
                       int timeoutMs = kSntpTimeoutMs);

// A time stamp names its second modulo 2^32 (136 years), so a server's time is read in the
// era nearest ours. Accepting only half the 68 years that rule reaches means a server
// within 102 years of our clock is either read right or refused, never read in the wrong
// era (95 years ahead would otherwise pass as 41 years behind).
inline constexpr double kSntpMaxOffsetSeconds = 1073741824.0;  // 2^30 s, about 34 years

// Why a query failed, as one short phrase ("no answer within 5 seconds").
std::string DescribeSntpFailure(const SntpOutcome& outcome, int timeoutMs = kSntpTimeoutMs);

// "HOST", "HOST:PORT", "[IPv6]" or "[IPv6]:PORT"; a bare IPv6 address stands as it is.
// Empty when the text names no host or its port is not 1 to 65535.
struct ServerAddress {
    std::string host;
    std::uint16_t port = kNtpPort;
};
std::optional<ServerAddress> ParseServerAddress(const std::string& text);

// The servers the System Settings dialog offers: display label and host.
struct TimeServerEntry {
    const char* label;
    const char* host;
};
inline constexpr std::array<TimeServerEntry, 3> kTimeServerTable = {{
    {"Australia (Melbourne)", "au.pool.ntp.org"},
    {"Switzerland (ETH Zurich)", "swisstime.ethz.ch"},
    {"Germany 1 (Uni Erlangen)", "ntp0.fau.de"},
}};

}  // namespace orvanta

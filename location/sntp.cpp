#include "location/sntp.h"

#include <cmath>
#include <cstdio>

namespace orvanta {

namespace {

// Seconds from 1900-01-01 to 1970-01-01.
constexpr std::int64_t kNtpUnixOffset = 2208988800LL;
constexpr double kFractionScale = 4294967296.0;  // 2^32

std::uint64_t ReadBig64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}

void WriteBig64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(v & 0xff);
        v >>= 8;
    }
}

// a - b as signed 32.32 fixed point: right across the era boundary too, as long as they
// lie within 68 years of each other (the era nearest b).
std::int64_t Fixed(NtpTimestamp a, NtpTimestamp b) {
    return static_cast<std::int64_t>(a - b);
}

double Seconds(std::int64_t fixed) {
    return static_cast<double>(fixed) / kFractionScale;
}

}  // namespace

NtpTimestamp NtpFromUnixMicros(std::int64_t unixMicros) {
    std::int64_t seconds = unixMicros / 1000000;
    std::int64_t micros = unixMicros % 1000000;
    if (micros < 0) {
        micros += 1000000;
        --seconds;
    }
    const auto ntpSeconds = static_cast<std::uint32_t>(seconds + kNtpUnixOffset);
    const auto fraction = static_cast<std::uint32_t>((static_cast<std::uint64_t>(micros) << 32) / 1000000);
    return (static_cast<std::uint64_t>(ntpSeconds) << 32) | fraction;
}

std::int64_t UnixMicrosFromNtp(NtpTimestamp ntp) {
    const auto seconds = static_cast<std::uint32_t>(ntp >> 32);
    const auto fraction = static_cast<std::uint32_t>(ntp & 0xffffffffu);
    std::int64_t unix = static_cast<std::int64_t>(seconds) - kNtpUnixOffset;
    if ((seconds & 0x80000000u) == 0) unix += 4294967296LL;  // era 1, from 2036 on
    const auto micros = static_cast<std::int64_t>((static_cast<std::uint64_t>(fraction) * 1000000 + 0x80000000u) >> 32);
    return unix * 1000000 + micros;
}

std::int64_t UnixMicrosNearest(NtpTimestamp ntp, std::int64_t localUnixMicros) {
    const std::int64_t d = Fixed(ntp, NtpFromUnixMicros(localUnixMicros));
    const std::int64_t seconds = d >> 32;  // floor, so the fraction below is positive
    const auto fraction = static_cast<std::uint64_t>(d & 0xffffffff);
    const auto micros = static_cast<std::int64_t>((fraction * 1000000 + 0x80000000u) >> 32);
    return localUnixMicros + seconds * 1000000 + micros;
}

std::array<std::uint8_t, kSntpPacketSize> BuildSntpRequest(NtpTimestamp transmit) {
    std::array<std::uint8_t, kSntpPacketSize> p{};
    p[0] = (0 << 6) | (4 << 3) | 3;  // no leap warning, version 4, client
    WriteBig64(p.data() + 40, transmit);
    return p;
}

SntpReply ParseSntpReply(const std::uint8_t* data, std::size_t size, NtpTimestamp sent) {
    SntpReply r;
    if (size < kSntpPacketSize) return r;
    r.leap = data[0] >> 6;
    r.version = (data[0] >> 3) & 7;
    r.mode = data[0] & 7;
    r.stratum = data[1];
    r.originate = ReadBig64(data + 24);
    r.receive = ReadBig64(data + 32);
    r.transmit = ReadBig64(data + 40);
    if (r.mode != 4 || r.version < 1 || r.version > 4) {
        r.status = SntpStatus::NotServerMode;
    } else if (r.originate != sent) {
        // Checked before the kiss code: a stray packet must not stop us talking to a server.
        r.status = SntpStatus::OriginMismatch;
    } else if (r.stratum == 0) {
        r.status = SntpStatus::KissOfDeath;
        for (int i = 12; i < 16; ++i)
            if (data[i] >= 0x20 && data[i] < 0x7f) r.kissCode += static_cast<char>(data[i]);
    } else if (r.leap == 3 || r.stratum > 15) {
        r.status = SntpStatus::Unsynchronised;
    } else if (r.receive == 0) {
        r.status = SntpStatus::ZeroReceive;
    } else if (r.transmit == 0) {
        r.status = SntpStatus::ZeroTransmit;
    } else {
        r.status = SntpStatus::Ok;
    }
    return r;
}

SntpStatus MeasureSntp(NtpTimestamp t1, NtpTimestamp t2, NtpTimestamp t3, NtpTimestamp t4,
                       double& offsetSeconds, double& delaySeconds, int timeoutMs) {
    const std::int64_t roundTrip = Fixed(t4, t1);
    const std::int64_t atServer = Fixed(t3, t2);
    if (roundTrip < 0 || atServer < 0) return SntpStatus::BadTimes;
    const double delay = Seconds(roundTrip) - Seconds(atServer);
    if (delay < 0 || delay > timeoutMs / 1000.0) return SntpStatus::BadTimes;
    const double out = Seconds(Fixed(t2, t1));
    const double back = Seconds(Fixed(t3, t4));
    if (std::fabs(out) > kSntpMaxOffsetSeconds || std::fabs(back) > kSntpMaxOffsetSeconds)
        return SntpStatus::TooFar;
    offsetSeconds = (out + back) / 2.0;
    delaySeconds = delay;
    return SntpStatus::Ok;
}

std::string DescribeSntpFailure(const SntpOutcome& o, int timeoutMs) {
    char buf[256];
    switch (o.status) {
        case SntpStatus::Ok: return "no failure";
        case SntpStatus::NoAnswer:
            std::snprintf(buf, sizeof buf, "no answer within %d seconds", (timeoutMs + 999) / 1000);
            return buf;
        case SntpStatus::LookupFailed: return "the name could not be resolved (" + o.detail + ")";
        case SntpStatus::SocketError: return "the request could not be sent (" + o.detail + ")";
        case SntpStatus::ShortReply: return "the answer was too short";
        case SntpStatus::NotServerMode: return "the answer was not a time server's";
        case SntpStatus::KissOfDeath:
            return "the server refused the request (kiss code " +
                   (o.kissCode.empty() ? std::string("none") : o.kissCode) + ")";
        case SntpStatus::Unsynchronised: return "the server's own clock is not synchronized";
        case SntpStatus::OriginMismatch: return "the answer did not match the request";
        case SntpStatus::ZeroTransmit:
        case SntpStatus::ZeroReceive: return "the answer carried no time";
        case SntpStatus::BadTimes: return "the answer's time stamps were inconsistent";
        case SntpStatus::TooFar: return "the server's time is more than 34 years from ours";
    }
    return "unknown failure";
}

std::optional<ServerAddress> ParseServerAddress(const std::string& text) {
    ServerAddress a;
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) return std::nullopt;
        a.host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            portText = rest.substr(1);
            if (portText.empty()) return std::nullopt;
        }
    } else {
        const auto colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            a.host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            if (portText.empty()) return std::nullopt;
        } else {
            a.host = text;  // a name, an IPv4 address or a bare IPv6 address
        }
    }
    if (a.host.empty() || a.host.find_first_of(" \t/") != std::string::npos) return std::nullopt;
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int port = std::stoi(portText);
        if (port < 1 || port > 65535) return std::nullopt;
        a.port = static_cast<std::uint16_t>(port);
    }
    return a;
}

}  // namespace orvanta

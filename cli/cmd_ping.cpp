// orvanta-cli ping and traceroute: the host monitor's ICMP echo and trace route for
// scripts, one CSV row per request or hop.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/command.h"
#include "hostmon/host_monitor.h"
#include "hostmon/icmp.h"

namespace orvanta::cli {
namespace {

bool ParseInt(const std::string& text, int lo, int hi, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseSocketKind(const std::string& text, platform::IcmpSocketKind& kind) {
    if (text == "auto")
        kind = platform::IcmpSocketKind::Automatic;
    else if (text == "raw")
        kind = platform::IcmpSocketKind::Raw;
    else if (text == "datagram")
        kind = platform::IcmpSocketKind::Datagram;
    else
        return false;
    return true;
}

// Seconds with an optional fraction, as ping's -i takes them.
bool ParseSeconds(const std::string& text, double lo, double hi, double& out) {
    double v = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !(v >= lo && v <= hi))
        return false;
    out = v;
    return true;
}

// As ping: anyone but the superuser waits at least this long between requests.
constexpr double kMinUserIntervalS = 0.2;

struct NetArgs {
    std::string host;
    int count = 4;
    double intervalS = 1.0;
    int timeoutMs = 5000;
    int ttl = 255;
    int maxHops = 10;
    platform::IcmpSocketKind socket = platform::IcmpSocketKind::Automatic;
};

// Options after the host; traceroute accepts --max-hops, ping the others.
std::string Parse(const std::vector<std::string>& args, bool trace, NetArgs& a) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt.rfind("--", 0) != 0) {
            if (!a.host.empty()) return "unexpected argument '" + opt + "'";
            a.host = opt;
            continue;
        }
        if (i + 1 >= args.size()) return opt + " needs a value";
        const std::string& v = args[++i];
        bool ok;
        if (opt == "--socket")
            ok = ParseSocketKind(v, a.socket);
        else if (trace && opt == "--max-hops")
            ok = ParseInt(v, 1, 255, a.maxHops);
        else if (!trace && opt == "--count")
            ok = ParseInt(v, 1, 1000000, a.count);
        else if (!trace && opt == "--interval")
            ok = ParseSeconds(v, 0.0, 3600.0, a.intervalS);
        else if (!trace && opt == "--timeout-ms")
            ok = ParseInt(v, 1, 600000, a.timeoutMs);
        else if (!trace && opt == "--ttl")
            ok = ParseInt(v, 1, 255, a.ttl);
        else
            return "unknown option '" + opt + "'";
        if (!ok) return "bad value '" + v + "' for " + opt;
    }
    if (a.host.empty()) return "a host is needed";
    if (a.intervalS < kMinUserIntervalS && !platform::IsSuperuser())
        return "an --interval below 0.2 s needs root";
    return {};
}

int RunPing(const std::vector<std::string>& args) {
    NetArgs a;
    if (const auto error = Parse(args, false, a); !error.empty())
        return UsageError("ping: " + error);
    std::printf("seq,result,address,rtt_ms\n");
    bool replied = false;
    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(a.intervalS));
    auto nextSend = std::chrono::steady_clock::now();
    for (int seq = 1; seq <= a.count; ++seq) {
        // Requests go out one interval apart (later when a reply takes longer), never
        // back to back.
        std::this_thread::sleep_until(nextSend);
        nextSend = std::chrono::steady_clock::now() + interval;
        PingRequest r;
        r.host = a.host;
        r.ttl = a.ttl;
        r.timeoutMs = a.timeoutMs;
        r.socketKind = a.socket;
        const PingOutcome o = PingHost(r);
        if (o.code == PING_SOCKET_FAILED && !o.socketError.empty())
            std::fprintf(stderr, "orvanta-cli: %s\n", o.socketError.c_str());
        std::printf("%d,%d,%s,", seq, o.code,
                    o.code == PING_UNRESOLVED ? "" : FormatIpv4(o.address).c_str());
        if (o.code == PING_SUCCESS) std::printf("%d", o.rttMs);
        std::printf("\n");
        std::fflush(stdout);
        replied = replied || o.code == PING_SUCCESS;
        // A name that does not resolve or a socket the system refuses will not change.
        if (o.code == PING_UNRESOLVED || o.code == PING_SOCKET_FAILED) break;
    }
    return replied ? 0 : 3;
}

int RunTraceroute(const std::vector<std::string>& args) {
    NetArgs a;
    if (const auto error = Parse(args, true, a); !error.empty())
        return UsageError("traceroute: " + error);
    TraceRequest r;
    r.host = a.host;
    r.maxHops = a.maxHops;
    r.socketKind = a.socket;
    std::printf("hop,address,rtt_ms,message\n");
    std::fflush(stdout);
    std::string why;
    const bool ok = TraceRoute(
        r,
        [](const TraceRow& row) {
            if (row.answered)
                std::printf("%d,%s,%d,%s\n", row.hop, FormatIpv4(row.address).c_str(), row.rttMs,
                            row.message.c_str());
            else
                std::printf("%d,,,\n", row.hop);
            std::fflush(stdout);
        },
        &why);
    if (!ok) {
        std::fprintf(stderr, "orvanta-cli: traceroute: %s\n", why.c_str());
        return 3;
    }
    return 0;
}

constexpr const char* kPingHelp =
    "ICMP echo requests to a host, as the host monitor sends them: one CSV row a request\n"
    "(result 0 is a reply). Exit 3 when no request was answered.\n"
    "\n"
    "Options:\n"
    "  --count N                    requests, 1 ... 1000000 (default: 4)\n"
    "  --interval SECONDS           between requests; below 0.2 needs root (default: 1)\n"
    "  --timeout-ms T               wait for each reply, 1 ... 600000 ms (default: 5000)\n"
    "  --ttl N                      time to live, 1 ... 255 (default: 255)\n"
    "  --socket auto|raw|datagram   ICMP socket (default: auto, raw where permitted)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli ping 127.0.0.1 --count 3\n";

constexpr const char* kTracerouteHelp =
    "The host monitor's trace route to a host: one CSV row a hop, empty fields for a hop that\n"
    "did not answer. Exit 3 when the trace cannot run.\n"
    "\n"
    "Options:\n"
    "  --max-hops N                 1 ... 255 (default: 10)\n"
    "  --socket auto|raw|datagram   ICMP socket (default: auto, raw where permitted)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli traceroute 127.0.0.1 --max-hops 5\n";

}  // namespace

ORVANTA_CLI_COMMAND(kPingCommand, "ping",
                    "ping HOST [--count N] [--interval SECONDS] [--timeout-ms T] [--ttl N] "
                    "[--socket auto|raw|datagram]",
                    kPingHelp, RunPing);
ORVANTA_CLI_COMMAND(kTracerouteCommand, "traceroute",
                    "traceroute HOST [--max-hops N] [--socket auto|raw|datagram]",
                    kTracerouteHelp, RunTraceroute);

}  // namespace orvanta::cli

// orvanta-cli track: points a rotator and tunes a radio through Hamlib's daemons for one
// satellite, printing one CSV row a second with what was commanded.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/astro_cli.h"
#include "cli/command.h"
#include "cli/element_age.h"
#include "orbit/element_set.h"
#include "orbit/tle_file.h"
#include "platform/tcp_stream.h"
#include "radio/hamlib_commands.h"
#include "radio/tracker.h"

namespace orvanta::cli {
namespace {

constexpr int kReplyTimeoutMs = 2000;
constexpr double kReconnectSeconds = 10.0;
constexpr double kSecond = 1.0 / 86400.0;

const char* const kUsage =
    "track --tle FILE --sat CATNR --lat DEG --lon DEG [--alt-m M] [--rotctld HOST:PORT] "
    "[--rigctld HOST:PORT] [--downlink HZ] [--uplink HZ] [--duration S] [--start ISO8601Z] "
    "[--limits AZMIN,AZMAX,ELMIN,ELMAX] [--park AZ,EL | --no-park]";

const char* const kHelp =
    "Points a rotator and tunes a radio through Hamlib's rotctld and rigctld for one satellite,\n"
    "one CSV row a second with what was commanded.\n"
    "\n"
    "Options:\n"
    "  --tle FILE              element file (required)\n"
    "  --sat CATNR             catalogue number, 1 ... 339999 (required)\n"
    "  --lat DEG, --lon DEG    observer, east and north positive (required)\n"
    "  --alt-m M               observer height, -500 ... 100000 m (default: 0)\n"
    "  --rotctld HOST:PORT     rotator daemon (default: none, no rotator)\n"
    "  --rigctld HOST:PORT     radio daemon (default: none, no radio)\n"
    "  --downlink HZ           downlink tuned with Doppler (default: none)\n"
    "  --uplink HZ             uplink tuned with Doppler, in split mode (default: none)\n"
    "  --duration S            seconds, 1 ... 604800 (default: until parked after the next pass,\n"
    "                          at most a day)\n"
    "  --start ISO8601Z        simulate from this instant without waiting (default: now, in "
    "real time)\n"
    "  --limits AZMIN,AZMAX,ELMIN,ELMAX\n"
    "                          rotator range in degrees (default: as rotctld reports it, else\n"
    "                          0,360,0,90)\n"
    "  --park AZ,EL            where the rotator goes after LOS (default: 0,0)\n"
    "  --no-park               leave the rotator where LOS left it\n"
    "\n"
    "Example:\n"
    "  orvanta-cli track --tle keplers --sat 25544 --lat 51.4779 --lon -0.0015 "
    "--rotctld 127.0.0.1:4533\n";

struct TrackArgs {
    std::string tlePath;
    std::optional<int> satellite;
    std::optional<double> lat, lon;
    double altitudeMetres = 0;
    std::string rotctld, rigctld;
    double downlinkHz = 0, uplinkHz = 0;
    std::optional<double> duration;
    std::optional<double> start;
    std::optional<RotatorLimits> limits;
    bool park = true;
    double parkAz = 0, parkEl = 0;
};

// One daemon: its connection, the exchange and the reconnect schedule.
struct Daemon {
    std::string label;  // "rotctld 127.0.0.1:4533"
    std::string host;
    int port = 0;
    std::unique_ptr<platform::TcpStream> stream;
    HamlibExchange exchange;
    double nextAttempt = 0.0;  // seconds of the run
    bool failing = false;      // the last attempt failed (reported once until it works)

    void Report(const std::string& text) const {
        std::fprintf(stderr, "%s: %s\n", label.c_str(), text.c_str());
    }
    void Drop(const std::string& why, double now) {
        Report(why + "; trying again every 10 s");
        stream.reset();
        exchange.Reset();
        failing = true;
        nextAttempt = now + kReconnectSeconds;
    }

    // Sends what is queued, one command at a time, each answered within the time-out.
    std::vector<HamlibReply> Flush(double now) {
        std::vector<HamlibReply> replies;
        while (stream) {
            const std::string out = exchange.TakeOutgoing();
            if (out.empty()) break;
            std::string error;
            if (!stream->Send(out, kReplyTimeoutMs, error)) {
                Drop("connection lost (" + error + ")", now);
                break;
            }
            const auto deadline = std::chrono::steady_clock::now() +
                                  std::chrono::milliseconds(kReplyTimeoutMs);
            while (exchange.AwaitingReply()) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) {
                    Drop("no answer within 2 s", now);
                    break;
                }
                bool closed = false;
                const std::string bytes =
                    stream->Receive(static_cast<int>(left.count()), closed, error);
                exchange.Feed(bytes);
                if (closed && exchange.AwaitingReply()) {
                    Drop(error.empty() ? "the daemon closed the connection"
                                       : "connection lost (" + error + ")",
                         now);
                    break;
                }
            }
            for (HamlibReply& r : exchange.TakeReplies()) replies.push_back(std::move(r));
        }
        return replies;
    }

    // Connects when due. True when it has just connected.
    bool Connect(double now) {
        if (stream || host.empty() || now < nextAttempt) return false;
        std::string error;
        stream = platform::ConnectTcp(host, port, kReplyTimeoutMs, error);
        if (!stream) {
            if (!failing) Report("cannot connect (" + error + "); trying again every 10 s");
            failing = true;
            nextAttempt = now + kReconnectSeconds;
            return false;
        }
        Report("connected");
        failing = false;
        return true;
    }
};

bool ParseList(const std::string& text, std::vector<double>& out, std::size_t count) {
    out.clear();
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const auto v = ParseNumber(text.substr(pos, comma - pos));
        if (!v) return false;
        out.push_back(*v);
        pos = comma + 1;
    }
    return out.size() == count;
}

std::optional<std::string> Parse(const std::vector<std::string>& args, TrackArgs& a) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--no-park") {
            a.park = false;
            continue;
        }
        if (i + 1 >= args.size()) return opt + " needs a value";
        const std::string& v = args[++i];
        const auto number = ParseNumber(v);
        if (opt == "--tle") {
            a.tlePath = v;
        } else if (opt == "--sat") {
            if (!number || *number < 1 || *number > 339999 || std::floor(*number) != *number)
                return "bad catalogue number '" + v + "'";
            a.satellite = static_cast<int>(*number);
        } else if (opt == "--lat" || opt == "--lon") {
            const double limit = opt == "--lat" ? 90.0 : 180.0;
            if (!number || std::abs(*number) > limit) return "bad " + opt + " '" + v + "'";
            (opt == "--lat" ? a.lat : a.lon) = *number;
        } else if (opt == "--alt-m") {
            if (!number || *number < -500 || *number > 100000) return "bad --alt-m '" + v + "'";
            a.altitudeMetres = *number;
        } else if (opt == "--rotctld" || opt == "--rigctld") {
            std::string host;
            int port = 0;
            if (!ParseHostPort(v, host, port)) return "bad " + opt + " '" + v + "' (HOST:PORT)";
            (opt == "--rotctld" ? a.rotctld : a.rigctld) = v;
        } else if (opt == "--downlink" || opt == "--uplink") {
            if (!number || *number <= 0 || *number >= 3e11) return "bad " + opt + " '" + v + "'";
            (opt == "--downlink" ? a.downlinkHz : a.uplinkHz) = *number;
        } else if (opt == "--duration") {
            if (!number || *number < 1 || *number > 7 * 86400) return "bad --duration '" + v + "'";
            a.duration = std::floor(*number);
        } else if (opt == "--start") {
            a.start = ParseIsoUtc(v);
            if (!a.start) return "bad --start '" + v + "' (YYYY-MM-DDTHH:MM:SSZ)";
        } else if (opt == "--limits") {
            std::vector<double> f;
            if (!ParseList(v, f, 4) || f[1] - f[0] < 180 || f[3] <= f[2] || f[3] > 180)
                return "bad --limits '" + v + "' (AZMIN,AZMAX,ELMIN,ELMAX)";
            a.limits = RotatorLimits{f[0], f[1], f[2], f[3]};
        } else if (opt == "--park") {
            std::vector<double> f;
            if (!ParseList(v, f, 2)) return "bad --park '" + v + "' (AZ,EL)";
            a.parkAz = f[0];
            a.parkEl = f[1];
        } else {
            return "unknown argument '" + opt + "' (usage: " + kUsage + ")";
        }
    }
    if (a.tlePath.empty() || !a.satellite || !a.lat || !a.lon)
        return "--tle, --sat, --lat and --lon are required";
    return std::nullopt;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

double NowJd() {
    using namespace std::chrono;
    const double ms =
        static_cast<double>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    return kUnixEpochJd + ms / 86400000.0;
}

int RunTrack(const std::vector<std::string>& args) {
    TrackArgs a;
    if (const auto error = Parse(args, a)) return UsageError("track: " + *error);

    TleReadResult file;
    std::string error;
    if (!ReadTleFile(a.tlePath, file, error)) return UsageError("track: " + error);
    const TleRecord* found = nullptr;
    for (const TleRecord& r : file.records)
        if (cElementSet(r.name, r.line1, r.line2).CatalogueNumber() == *a.satellite) found = &r;
    if (!found)
        return UsageError("track: satellite " + std::to_string(*a.satellite) + " is not in " +
                          a.tlePath);
    const cElementSet elements(found->name, found->line1, found->line2);

    const bool simulated = a.start.has_value();
    const double startJd = simulated ? *a.start : std::floor(NowJd() * 86400.0) / 86400.0;
    WarnIfElementsStale({elements.Epoch().Date()}, startJd);

    ObserverLocation observer;
    observer.latitude = *a.lat;
    observer.longitude = *a.lon;
    observer.altitudeMetres = static_cast<std::int32_t>(std::lround(a.altitudeMetres));
    TrackerSettings settings;
    settings.downlinkHz = a.downlinkHz;
    settings.uplinkHz = a.uplinkHz;
    settings.parkAfterLos = a.park;
    settings.parkAz = a.parkAz;
    settings.parkEl = a.parkEl;
    if (a.limits) settings.limits = *a.limits;
    SatelliteTracker tracker(elements, observer, settings);

    Daemon rot, rig;
    if (!a.rotctld.empty()) {
        ParseHostPort(a.rotctld, rot.host, rot.port);
        rot.label = "rotctld " + a.rotctld;
    }
    if (!a.rigctld.empty()) {
        ParseHostPort(a.rigctld, rig.host, rig.port);
        rig.label = "rigctld " + a.rigctld;
    }

    std::printf("time_utc,az,el,rot_az,rot_el,downlink_hz,uplink_hz\n");
    std::fflush(stdout);
    double planReportedFor = 0.0;
    bool stopSet = false;
    double stopAfter = a.duration.value_or(86400.0);
    for (double k = 0; k < stopAfter; k += 1.0) {
        const double jd = simulated ? startJd + k * kSecond : NowJd();
        if (rot.Connect(k)) {
            tracker.RotatorNotSent();
            QueueRotatorLimits(rot.exchange);
            for (const HamlibReply& r : rot.Flush(k)) {
                const auto limits = r.ok ? ParseRotatorLimits(r.values) : std::nullopt;
                if (limits && !a.limits) {
                    tracker.SetLimits(*limits);
                    rot.Report("limits azimuth " + Fixed(limits->azMin, 0) + ".." +
                               Fixed(limits->azMax, 0) + ", elevation " +
                               Fixed(limits->elMin, 0) + ".." + Fixed(limits->elMax, 0));
                }
            }
        }
        if (rig.Connect(k)) {
            tracker.RadioNotSent();
            if (a.uplinkHz > 0) {
                QueueRadioSplit(rig.exchange);
                for (const HamlibReply& r : rig.Flush(k))
                    if (!r.ok) rig.Report("split not set: " + HamlibErrorText(r.code));
            }
        }

        const TrackStep step = tracker.Step(jd);
        if (tracker.Aos() != 0.0 && tracker.Aos() != planReportedFor) {
            planReportedFor = tracker.Aos();
            std::fprintf(stderr, "pass: AOS %s, LOS %s, rotator %s%s\n",
                         FormatIsoUtcSeconds(tracker.Aos()).c_str(), FormatIsoUtcSeconds(tracker.Los()).c_str(),
                         RotatorModeName(tracker.Plan().mode).c_str(),
                         tracker.Plan().fits ? "" : " (the pass does not fit the rotator's range)");
            // Without --duration: until the rotator is parked after this pass.
            if (!a.duration && !stopSet) {
                stopAfter = std::min(86400.0, std::ceil((tracker.Los() - startJd) * 86400.0) + 2.0);
                stopSet = true;
            }
        }
        if (step.sendRotator && step.rotator) {
            if (rot.stream) {
                QueueRotatorPosition(rot.exchange, *step.rotator);
                for (const HamlibReply& r : rot.Flush(k))
                    if (!r.ok) {
                        if (r.code != HamlibExchange::BROKEN)
                            rot.Report("'" + r.command + "' refused: " + HamlibErrorText(r.code));
                        tracker.RotatorNotSent();
                    }
            } else if (!rot.host.empty()) {
                tracker.RotatorNotSent();
            }
        }
        if (step.sendRadio) {
            if (rig.stream) {
                QueueRadioFrequencies(rig.exchange, step.downlinkHz, step.uplinkHz);
                for (const HamlibReply& r : rig.Flush(k))
                    if (!r.ok) {
                        if (r.code != HamlibExchange::BROKEN)
                            rig.Report("'" + r.command + "' refused: " + HamlibErrorText(r.code));
                        tracker.RadioNotSent();
                    }
            } else if (!rig.host.empty()) {
                tracker.RadioNotSent();
            }
        }

        std::string row = FormatIsoUtcSeconds(jd) + ',';
        if (step.computed) row += Fixed(step.look.az, 2) + ',' + Fixed(step.look.el, 2);
        else row += ',';
        row += ',';
        if (step.rotator) row += Fixed(step.rotator->az, 2) + ',' + Fixed(step.rotator->el, 2);
        else row += ',';
        row += ',' + (step.downlinkHz ? std::to_string(*step.downlinkHz) : "") + ',' +
               (step.uplinkHz ? std::to_string(*step.uplinkHz) : "") + '\n';
        std::fputs(row.c_str(), stdout);
        if (!simulated) {
            std::fflush(stdout);
            const double next = (std::floor(NowJd() * 86400.0) + 1.0) / 86400.0;
            std::this_thread::sleep_for(std::chrono::milliseconds(
                std::max<long long>(0, std::llround((next - NowJd()) * 86400000.0))));
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

ORVANTA_CLI_COMMAND(kTrackCommand, "track", kUsage, kHelp, RunTrack);

}  // namespace orvanta::cli

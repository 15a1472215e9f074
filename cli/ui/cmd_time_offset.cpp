// orvanta-cli time-offset: one SNTP exchange with a time server, reporting how far our
// clock is from the server's. Never sets the clock.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/net_commands.h"
#include "location/sntp.h"
#include "location/ui/time_server_query.h"

namespace orvanta::cli {
namespace {

int RunTimeOffset(const std::vector<std::string>& args) {
    std::string server;
    double timeoutSeconds = kSntpTimeoutMs / 1000.0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--server" || a == "--timeout") && i + 1 >= args.size())
            return UsageError("time-offset: " + a + " needs a value");
        if (a == "--server") {
            server = args[++i];
        } else if (a == "--timeout") {
            const std::string& v = args[++i];
            std::size_t used = 0;
            try {
                timeoutSeconds = std::stod(v, &used);
            } catch (...) {
                used = 0;
            }
            if (used != v.size() || !(timeoutSeconds > 0) || timeoutSeconds > 600)
                return UsageError("time-offset: --timeout must be seconds between 0 and 600");
        } else {
            return UsageError("time-offset: unknown argument '" + a + "'");
        }
    }
    if (server.empty()) return UsageError("time-offset: --server HOST[:PORT] is required");
    const auto address = ParseServerAddress(server);
    if (!address) return UsageError("time-offset: '" + server + "' is not HOST[:PORT]");

    const int timeoutMs = static_cast<int>(timeoutSeconds * 1000 + 0.5);
    const SntpOutcome o = QueryTimeServer(address->host, address->port, timeoutMs);
    if (!o.Ok()) {
        std::fprintf(stderr, "orvanta-cli: time-offset: %s: %s\n", server.c_str(),
                     DescribeSntpFailure(o, timeoutMs).c_str());
        return 3;
    }
    std::printf("server,offset_s,delay_s,stratum\n%s,%.3f,%.3f,%d\n", server.c_str(),
                o.offsetSeconds, o.delaySeconds, o.stratum);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

constexpr const char* kHelp =
    "One SNTP exchange with a time server: how far this computer's clock is from the server's,\n"
    "in seconds. Never sets the clock. Exit 3 when the server gives no usable answer.\n"
    "\n"
    "Options:\n"
    "  --server HOST[:PORT]   the time server, port 123 unless given (required)\n"
    "  --timeout S            seconds to wait for the answer, up to 600 (default: 5)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli time-offset --server pool.ntp.org\n";

}  // namespace

ORVANTA_CLI_COMMAND(kTimeOffsetCommand, "time-offset", kTimeOffsetUsage, kHelp, RunTimeOffset);

}  // namespace orvanta::cli

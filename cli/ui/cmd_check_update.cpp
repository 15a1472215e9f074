// orvanta-cli check-update: the program's silent update check, its event-log line printed.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/net_commands.h"
#include "maintenance/ui/update_query.h"

namespace orvanta::cli {
namespace {

int RunCheckUpdate(const std::vector<std::string>& args) {
    std::string base;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base-url" && i + 1 < args.size())
            base = args[++i];
        else
            return UsageError("check-update: unknown or incomplete argument '" + args[i] + "'");
    }
    if (base.empty()) return UsageError("check-update: --base-url URL is required");
    const UpdateCheckLine line = CheckForUpdateOnce(base);
    std::printf("%s\n", line.text.c_str());
    std::fflush(stdout);
    return line.ok ? 0 : 3;
}

constexpr const char* kHelp =
    "The program's silent update check against a server, its event-log line printed. Exit 3\n"
    "when the check fails.\n"
    "\n"
    "Options:\n"
    "  --base-url URL   the update address the version file is read under (required)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli check-update --base-url http://127.0.0.1:8080/\n";

}  // namespace

ORVANTA_CLI_COMMAND(kCheckUpdateCommand, "check-update", kCheckUpdateUsage, kHelp,
                    RunCheckUpdate);

}  // namespace orvanta::cli

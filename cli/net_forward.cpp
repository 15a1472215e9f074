// The Qt commands in orvanta-cli: run by orvanta-cli-net beside this executable, with the
// same arguments, standard streams and exit status.
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/net_commands.h"
#include "platform/directories.h"
#include "platform/exec_program.h"

namespace orvanta::cli {
namespace {

int Forward(const char* name, const std::vector<std::string>& args) {
    const std::string helper = (platform::ExecutableDirectory() / kNetHelperName).string();
    std::vector<std::string> words{helper, name};
    words.insert(words.end(), args.begin(), args.end());
    const std::string why = platform::ReplaceProcess(helper, words);  // back only on failure
    UsageError(std::string(name) + ": cannot run " + helper + ": " + why);
    return 1;
}

int RunCheckUpdate(const std::vector<std::string>& args) { return Forward("check-update", args); }
int RunDownload(const std::vector<std::string>& args) { return Forward("download", args); }
int RunTimeOffset(const std::vector<std::string>& args) { return Forward("time-offset", args); }

}  // namespace

// No help text: --help goes to orvanta-cli-net like any other argument.
ORVANTA_CLI_COMMAND(kCheckUpdateCommand, "check-update", kCheckUpdateUsage, nullptr,
                    RunCheckUpdate);
ORVANTA_CLI_COMMAND(kDownloadCommand, "download", kDownloadUsage, nullptr, RunDownload);
ORVANTA_CLI_COMMAND(kTimeOffsetCommand, "time-offset", kTimeOffsetUsage, nullptr, RunTimeOffset);

}  // namespace orvanta::cli

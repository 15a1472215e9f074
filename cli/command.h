#pragma once
// Subcommands of orvanta-cli register themselves here, one file each.
#include <string>
#include <vector>

namespace orvanta::cli {

// Runs a subcommand. args excludes the program and subcommand names. Returns the exit status:
// 0 success, 1 the job failed, 2 bad arguments or unreadable input.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;    // one line: "propagate --tle FILE ..."
    // What `<name> --help` prints after the usage line: what the command does, each option
    // with its default, and an "Example:" block. nullptr: the command answers --help itself.
    const char* help;
    CommandFn run;
};

bool RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

// Writes "orvanta-cli: <message>" to stderr and returns 2.
int UsageError(const std::string& message);

}  // namespace orvanta::cli

// Use at namespace scope in the subcommand's file, with the help text beside its options.
#define ORVANTA_CLI_COMMAND(ident, name, usage, help, fn) \
    static const bool ident = ::orvanta::cli::RegisterCommand({name, usage, help, fn})

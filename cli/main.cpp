// orvanta-cli: the program's core without a window, for scripts and for checking the
// predictions against other tools.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "maintenance/update_check.h"

namespace orvanta::cli {

static std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

bool RegisterCommand(const Command& command) {
    Registry().push_back(command);
    std::sort(Registry().begin(), Registry().end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    return true;
}

const std::vector<Command>& Commands() { return Registry(); }

int UsageError(const std::string& message) {
    std::cerr << "orvanta-cli: " << message << "\n";
    return 2;
}

}  // namespace orvanta::cli

static void PrintHelp(std::FILE* out) {
    std::fprintf(out, "usage: orvanta-cli <command> [options]\n\ncommands:\n");
    for (const auto& c : orvanta::cli::Commands()) std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out, "  --help\n");
    std::fprintf(out, "  --version\n");
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("%s\n", orvanta::kProgramVersion);
        return 0;
    }
    for (const auto& c : orvanta::cli::Commands()) {
        if (name == c.name) {
            std::vector<std::string> args(argv + 2, argv + argc);
            // Asked for anywhere, so "passes --lat 51 --help" helps too; checked before the
            // command reads its options, which would take it for a value or an unknown option.
            // A command without a help text of its own passes --help on (see net_forward.cpp).
            if (c.help && std::any_of(args.begin(), args.end(),
                            [](const std::string& a) { return a == "--help" || a == "-h"; })) {
                std::printf("usage: orvanta-cli %s\n\n%s", c.usage, c.help);
                return std::fflush(stdout) == 0 ? 0 : 1;
            }
            return c.run(args);
        }
    }
    return orvanta::cli::UsageError("unknown command '" + name + "' (see orvanta-cli --help)");
}

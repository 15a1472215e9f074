// orvanta-cli catalogue: lists an element file the way the program loads it.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/element_loader.h"
#include "cli/command.h"
#include "common/event_log.h"
#include "common/prompt.h"
#include "platform/directories.h"

namespace orvanta::cli {

namespace {

// No one to ask on the command line: every question is declined, and the failure text is
// printed once by the command itself.
class DecliningPrompt : public IPrompt {
public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons buttons,
                     PromptIcon) override {
        switch (buttons) {
            case PromptButtons::YesNo:
            case PromptButtons::YesNoCancel:
                return PromptAnswer::No;
            case PromptButtons::Ok:
                return PromptAnswer::Ok;
            default:
                return PromptAnswer::Cancel;
        }
    }
};

// RFC 4180 field: quoted only when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

int RunCatalogue(const std::vector<std::string>& args) {
    std::filesystem::path file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file") {
            if (i + 1 == args.size() || args[i + 1].empty())
                return UsageError(
                    "catalogue: --file needs a path (usage: catalogue [--file PATH])");
            file = args[++i];
        } else {
            return UsageError("catalogue: unexpected argument '" + args[i] +
                              "' (usage: catalogue [--file PATH])");
        }
    }
    if (file.empty()) file = platform::BuiltInDataDirectory() / ELEMENT_FILE_NAME;

    platform::PrivateTempDir work;
    if (!work.Ok()) {
        std::cerr << "orvanta-cli: catalogue: cannot create a temporary directory\n";
        return 1;
    }
    DecliningPrompt prompt;
    ElementLoadContext context;
    context.elementFile = file;
    context.workDirectory = work.Path();
    context.prompt = &prompt;

    EventRecorder events;
    KeplerCatalogue catalogue;
    ElementLoadReport report = LoadElementFile(context, catalogue, nullptr);
    if (report.result != ElementLoadResult::Loaded) {
        std::cerr << report.message << "\n";
        return 2;  // the file is missing, not gzip, damaged or too big once unzipped
    }

    std::string out = "catalogue,name\n";
    for (const KeplerRecord& r : catalogue.records) {
        out += std::to_string(r.catalogueNumber);
        out += ',';
        out += CsvField(r.Name());
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    for (const EventEntry& e : events.Entries()) std::cerr << e.text << "\n";
    return 0;
}

}  // namespace

constexpr const char* kHelp =
    "Lists an element file the way the program loads it: one CSV row \"catalogue,name\" a set\n"
    "on stdout, the load report on stderr. Exit 2 when the file is missing or damaged.\n"
    "\n"
    "Options:\n"
    "  --file PATH   the gzip-compressed element file (default: the built-in keplers)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli catalogue --file keplers\n";

ORVANTA_CLI_COMMAND(kCatalogueCommand, "catalogue", "catalogue [--file PATH]", kHelp,
                    RunCatalogue);

}  // namespace orvanta::cli

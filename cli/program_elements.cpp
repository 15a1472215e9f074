#include "cli/program_elements.h"

#include <filesystem>
#include <system_error>

#include "catalogue/element_loader.h"
#include "platform/directories.h"

namespace orvanta::cli {

std::string ProgramElementFile(std::string& error) {
    const std::filesystem::path programDirectory = platform::ProgramDirectory();
    InstallDefaultElementFile(programDirectory, platform::BuiltInDataDirectory());
    const std::filesystem::path file = programDirectory / ELEMENT_FILE_NAME;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        error = "no element file: " + file.string() + " is missing and there is no built-in " +
                "one in " + platform::BuiltInDataDirectory().string() + " (give --tle FILE)";
        return {};
    }
    return file.string();
}

}  // namespace orvanta::cli

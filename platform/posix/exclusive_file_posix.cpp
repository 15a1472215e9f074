#include "platform/exclusive_file.h"

namespace orvanta::platform {

std::FILE* CreateNewFile(const std::filesystem::path& file) {
    return std::fopen(file.c_str(), "w+bx");
}

}  // namespace orvanta::platform

#include "platform/directories.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

namespace orvanta::platform {

namespace fs = std::filesystem;

bool IsWritableDirectory(const fs::path& dir) {
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) return false;
    std::random_device rd;
    fs::path probe = dir / (".orvanta-probe-" + std::to_string(rd()));
    {
        std::ofstream f(probe, std::ios::binary);
        if (!f) return false;
    }
    fs::remove(probe, ec);
    return true;
}

fs::path ProgramDirectory() {
    std::error_code ec;
    if (const char* home = std::getenv("ORVANTA_HOME"); home && *home) {
        fs::path p(home);
        fs::create_directories(p, ec);
        return p;
    }
    fs::path exe = ExecutableDirectory();
    if (IsWritableDirectory(exe)) return exe;
    fs::path user = UserDataDirectory();
    fs::create_directories(user, ec);
    return user;
}

}  // namespace orvanta::platform

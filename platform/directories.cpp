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

// The data directory as seen from the bin directory; the build sets it from its install
// directories so any prefix (and a relocated one) works.
#ifndef ORVANTA_DATA_FROM_BINDIR
#define ORVANTA_DATA_FROM_BINDIR "../share/orvanta"
#endif

fs::path InstalledDataPathFromBin() { return ORVANTA_DATA_FROM_BINDIR; }

bool IsInstalledLayout(const fs::path& exeDir) {
    std::error_code ec;
    return !exeDir.empty() &&
           fs::is_directory((exeDir / ORVANTA_DATA_FROM_BINDIR).lexically_normal(), ec);
}

fs::path BuiltInDataDirectoryFor(const fs::path& exeDir) {
    if (IsInstalledLayout(exeDir)) return (exeDir / ORVANTA_DATA_FROM_BINDIR).lexically_normal();
    return exeDir;
}

fs::path BuiltInDataDirectory() { return BuiltInDataDirectoryFor(ExecutableDirectory()); }

fs::path ProgramDirectory() { return ProgramDirectoryFor(ExecutableDirectory()); }

fs::path ProgramDirectoryFor(const fs::path& exe) {
    std::error_code ec;
    if (const char* home = std::getenv("ORVANTA_HOME"); home && *home) {
        fs::path p(home);
        fs::create_directories(p, ec);
        return p;
    }
    // Write access proves nothing for an installed program (root may run it from /usr/bin,
    // a user from ~/.local/bin); its files belong to the package, so per-user data it is.
    if (!IsInstalledLayout(exe) && IsWritableDirectory(exe)) return exe;
    fs::path user = UserDataDirectory();
    fs::create_directories(user, ec);
    return user;
}

}  // namespace orvanta::platform

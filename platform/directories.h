#pragma once
// Where the program keeps its files.
#include <filesystem>
#include <string>

namespace orvanta::platform {

// The directory of the running executable (empty when it cannot be told).
std::filesystem::path ExecutableDirectory();

// Program directory: ORVANTA_HOME when set; else the executable's directory when it is
// writable and not an installed layout (a portable install); else the per-user data
// directory. Created when missing.
std::filesystem::path ProgramDirectory();
// The same rule for an executable in exeDir (for tests).
std::filesystem::path ProgramDirectoryFor(const std::filesystem::path& exeDir);

// The built-in data (default element file, images, ...): share/orvanta relative to the
// executable when the program was installed (bin/ beside share/), else the executable's own
// directory (the build folder or a portable install).
std::filesystem::path BuiltInDataDirectory();
std::filesystem::path BuiltInDataDirectoryFor(const std::filesystem::path& exeDir);

// True when exeDir is the bin directory of an installed prefix, i.e. its data directory
// exists. An installed program never writes beside itself.
bool IsInstalledLayout(const std::filesystem::path& exeDir);
// The data directory relative to the bin directory ("../share/orvanta" by default).
std::filesystem::path InstalledDataPathFromBin();

// Per-user data directory ($XDG_DATA_HOME/Orvanta on Linux, %APPDATA%\Orvanta on Windows).
std::filesystem::path UserDataDirectory();

// Per-user configuration directory ($XDG_CONFIG_HOME on Linux, %APPDATA% on Windows).
std::filesystem::path UserConfigDirectory();

// A fresh directory readable only by this user, for short-lived work files. Removed by
// the returned guard's destructor.
class PrivateTempDir {
public:
    PrivateTempDir();
    ~PrivateTempDir();
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }

private:
    std::filesystem::path path_;
};

// True when the directory exists and a file can be created in it.
bool IsWritableDirectory(const std::filesystem::path& dir);

}  // namespace orvanta::platform

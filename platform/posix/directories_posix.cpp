#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/directories.h"

namespace orvanta::platform {

namespace fs = std::filesystem;

namespace {
// TMPDIR naming something that is not a directory makes the standard call throw; the
// system's own temporary directory serves then.
fs::path TempDirectory() {
    std::error_code ec;
    fs::path tmp = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : tmp;
}
fs::path HomeDirectory() {
    const char* home = std::getenv("HOME");
    return home && *home ? fs::path(home) : TempDirectory();
}
fs::path XdgDirectory(const char* var, const char* fallback) {
    const char* v = std::getenv(var);
    if (v && *v) return fs::path(v);
    return HomeDirectory() / fallback;
}
}  // namespace

fs::path ExecutableDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

fs::path UserDataDirectory() { return XdgDirectory("XDG_DATA_HOME", ".local/share") / "Orvanta"; }

fs::path UserConfigDirectory() { return XdgDirectory("XDG_CONFIG_HOME", ".config"); }

PrivateTempDir::PrivateTempDir() {
    std::string pattern = (TempDirectory() / "orvanta-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) path_ = buf.data();  // mkdtemp creates it with mode 0700
}

PrivateTempDir::~PrivateTempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace orvanta::platform

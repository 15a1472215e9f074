#include <windows.h>
#include <shlobj.h>

#include <random>
#include <system_error>

#include "platform/directories.h"

namespace orvanta::platform {

namespace fs = std::filesystem;

fs::path ExecutableDirectory() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    if (n == 0 || n == MAX_PATH) return {};
    return fs::path(buf).parent_path();
}

static fs::path AppData() {
    wchar_t buf[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buf))) return fs::path(buf);
    std::error_code ec;
    return fs::temp_directory_path(ec);  // empty when even that is unusable
}

fs::path UserDataDirectory() { return AppData() / "Orvanta"; }
fs::path UserConfigDirectory() { return AppData(); }

PrivateTempDir::PrivateTempDir() {
    // A TEMP that names no directory leaves the guard empty (Ok() false) rather than throwing.
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (ec) return;
    std::random_device rd;
    for (int i = 0; i < 16 && path_.empty(); ++i) {
        fs::path p = temp / ("orvanta-" + std::to_string(rd()));
        if (CreateDirectoryW(p.c_str(), nullptr)) path_ = p;  // %TEMP% is per-user on Windows
    }
}

PrivateTempDir::~PrivateTempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace orvanta::platform

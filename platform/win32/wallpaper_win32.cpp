// Wallpaper on Windows: the centred style in the user's desktop settings, then
// SystemParametersInfo, which applies the picture and tells the other programs.
#include <windows.h>

#include <string>

#include "platform/wallpaper.h"

namespace orvanta::platform {

namespace {

class Win32Wallpaper : public IWallpaper {
public:
    bool Set(const std::filesystem::path& file, std::string* error) override {
        std::error_code ec;
        std::wstring path = std::filesystem::absolute(file, ec).wstring();
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            // WallpaperStyle 0 with TileWallpaper 0 is "Center".
            const wchar_t zero[] = L"0";
            RegSetValueExW(key, L"WallpaperStyle", 0, REG_SZ, reinterpret_cast<const BYTE*>(zero),
                           sizeof zero);
            RegSetValueExW(key, L"TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(zero),
                           sizeof zero);
            RegCloseKey(key);
        }
        if (!SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) {
            if (error) *error = "SystemParametersInfo failed with " + std::to_string(GetLastError());
            return false;
        }
        return true;
    }
};

}  // namespace

std::shared_ptr<IWallpaper> SystemWallpaper() {
    static const auto system = std::make_shared<Win32Wallpaper>();
    return system;
}

}  // namespace orvanta::platform

#pragma once
// The desktop wallpaper. Desktops differ in how a program sets it, so the choice of
// mechanism lives here; callers only say which file to show. Tests install a stand-in and
// never change the machine's wallpaper.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orvanta::platform {

class IWallpaper {
public:
    virtual ~IWallpaper() = default;
    // Shows the image file centred as the desktop wallpaper. False (with a reason in
    // *error when given) when the desktop refused or no mechanism was found.
    virtual bool Set(const std::filesystem::path& file, std::string* error) = 0;
};

// Desktops with a mechanism of their own; everything else gets the generic X11 tool.
enum class DesktopKind { Gnome, Kde, Xfce, Other };

// From XDG_CURRENT_DESKTOP (a colon-separated list such as "ubuntu:GNOME"), case-insensitive:
// GNOME (also Unity, Cinnamon-less GNOME derivatives naming GNOME), KDE, XFCE, else Other.
DesktopKind DesktopFromXdg(const std::string& xdgCurrentDesktop);

// The programs (argument vectors, program first) that set an absolute image path as the
// centred wallpaper on that desktop, run in order:
//   GNOME: gsettings set org.gnome.desktop.background picture-uri / picture-uri-dark / picture-options
//   KDE Plasma: dbus-send to org.kde.plasmashell's evaluateScript with a short script
//   Xfce: xfconf-query on the first monitor's last-image and image-style (the POSIX
//         implementation also sets every other monitor and workspace it lists)
//   Other: feh --bg-center
std::vector<std::vector<std::string>> WallpaperCommands(DesktopKind desktop,
                                                        const std::filesystem::path& file);

// The machine's own mechanism: the commands above chosen from XDG_CURRENT_DESKTOP on POSIX,
// SystemParametersInfo on Windows.
std::shared_ptr<IWallpaper> SystemWallpaper();

// The mechanism SetDesktopWallpaper uses: SystemWallpaper() until a stand-in is installed;
// null restores the system's.
void SetWallpaperBackend(std::shared_ptr<IWallpaper> backend);
std::shared_ptr<IWallpaper> WallpaperBackend();
bool SetDesktopWallpaper(const std::filesystem::path& file, std::string* error = nullptr);

// Test stand-in: remembers every file it was asked to show and changes nothing.
class RecordingWallpaper : public IWallpaper {
public:
    bool Set(const std::filesystem::path& file, std::string* error) override {
        files.push_back(file);
        if (!succeed && error) *error = "stand-in refused";
        return succeed;
    }
    std::vector<std::filesystem::path> files;
    bool succeed = true;
};

}  // namespace orvanta::platform

#include "platform/wallpaper.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <sstream>

namespace orvanta::platform {

namespace {

std::mutex backendMutex;
std::shared_ptr<IWallpaper> backend;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// file:// URI with the characters a URI may not carry percent-encoded.
std::string FileUri(const std::filesystem::path& file) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : file.generic_string()) {
        if (std::isalnum(c) || std::string_view("/-._~").find(static_cast<char>(c)) !=
                                   std::string_view::npos) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

// A string literal for the Plasma script.
std::string ScriptString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

DesktopKind DesktopFromXdg(const std::string& xdgCurrentDesktop) {
    std::stringstream parts(Lower(xdgCurrentDesktop));
    std::string part;
    while (std::getline(parts, part, ':')) {
        if (part == "gnome" || part == "unity" || part == "gnome-classic" || part == "gnome-flashback")
            return DesktopKind::Gnome;
        if (part == "kde") return DesktopKind::Kde;
        if (part == "xfce") return DesktopKind::Xfce;
    }
    return DesktopKind::Other;
}

std::vector<std::vector<std::string>> WallpaperCommands(DesktopKind desktop,
                                                        const std::filesystem::path& file) {
    const std::string path = file.string();
    switch (desktop) {
        case DesktopKind::Gnome: {
            const std::string uri = FileUri(file);
            return {
                {"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
                {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri},
                {"gsettings", "set", "org.gnome.desktop.background", "picture-options", "centered"},
            };
        }
        case DesktopKind::Kde: {
            // FillMode 6 is Image.Pad: the picture centred at its own size.
            const std::string script =
                "var all = desktops(); for (var i = 0; i < all.length; i++) { var d = all[i]; "
                "d.wallpaperPlugin = \"org.kde.image\"; "
                "d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\"); "
                "d.writeConfig(\"Image\", " +
                ScriptString(FileUri(file)) + "); d.writeConfig(\"FillMode\", 6); }";
            return {{"dbus-send", "--session", "--type=method_call",
                     "--dest=org.kde.plasmashell", "/PlasmaShell",
                     "org.kde.PlasmaShell.evaluateScript", "string:" + script}};
        }
        case DesktopKind::Xfce:
            // image-style 1 is "centred".
            return {
                {"xfconf-query", "-c", "xfce4-desktop", "-p",
                 "/backdrop/screen0/monitor0/workspace0/last-image", "-n", "-t", "string", "-s",
                 path},
                {"xfconf-query", "-c", "xfce4-desktop", "-p",
                 "/backdrop/screen0/monitor0/workspace0/image-style", "-n", "-t", "int", "-s",
                 "1"},
            };
        case DesktopKind::Other:
            break;
    }
    return {{"feh", "--bg-center", path}};
}

void SetWallpaperBackend(std::shared_ptr<IWallpaper> b) {
    std::lock_guard lock(backendMutex);
    backend = std::move(b);
}

std::shared_ptr<IWallpaper> WallpaperBackend() {
    std::lock_guard lock(backendMutex);
    return backend ? backend : SystemWallpaper();
}

bool SetDesktopWallpaper(const std::filesystem::path& file, std::string* error) {
    return WallpaperBackend()->Set(file, error);
}

}  // namespace orvanta::platform

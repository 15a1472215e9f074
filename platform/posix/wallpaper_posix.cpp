// Wallpaper on Linux desktops: the desktop's own configuration tool, chosen from
// XDG_CURRENT_DESKTOP.
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/wallpaper.h"

extern char** environ;

namespace orvanta::platform {

namespace {

// Runs a program with the arguments, output discarded; its exit status, or -1 when it
// could not be started.
int Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every Xfce backdrop property ending in the given name (one per monitor and workspace).
std::vector<std::string> XfceProperties(const std::string& suffix) {
    std::vector<std::string> found;
    FILE* p = popen("xfconf-query -c xfce4-desktop -l 2>/dev/null", "r");
    if (!p) return found;
    char line[1024];
    while (fgets(line, sizeof line, p)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.push_back(s);
    }
    pclose(p);
    return found;
}

class PosixWallpaper : public IWallpaper {
public:
    bool Set(const std::filesystem::path& file, std::string* error) override {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
        const char* xdg = std::getenv("XDG_CURRENT_DESKTOP");
        const DesktopKind desktop = DesktopFromXdg(xdg ? xdg : "");
        std::vector<std::vector<std::string>> commands = WallpaperCommands(desktop, absolute);
        if (desktop == DesktopKind::Xfce) {
            for (const std::string& p : XfceProperties("/last-image"))
                commands.push_back({"xfconf-query", "-c", "xfce4-desktop", "-p", p, "-s",
                                    absolute.string()});
            for (const std::string& p : XfceProperties("/image-style"))
                commands.push_back({"xfconf-query", "-c", "xfce4-desktop", "-p", p, "-s", "1"});
        }
        for (const auto& argv : commands) {
            const int status = Run(argv);
            if (status != 0) {
                if (error)
                    *error = status < 0 ? argv[0] + " could not be started"
                                        : argv[0] + " exited with status " + std::to_string(status);
                return false;
            }
        }
        return true;
    }
};

}  // namespace

std::shared_ptr<IWallpaper> SystemWallpaper() {
    static const auto system = std::make_shared<PosixWallpaper>();
    return system;
}

}  // namespace orvanta::platform

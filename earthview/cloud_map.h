#pragma once
// Cloud maps: the server list, the time stamp inside a map file, and when a fresh map is
// due. The download itself is the window's (it needs the network).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "earthview/image_file.h"

namespace orvanta {

constexpr const char* CLOUD_MAP_FILE = "cloudmap.jpg";
constexpr const char* CLOUD_SERVER_LIST_FILE = "cloudmaps.txt";
constexpr const char* CLOUD_SERVER_LIST_PATH = "/cloudmaps.txt";
constexpr int kCloudServerListMaxLines = 24;
constexpr int kCloudDownloadAttempts = 10;
// Pause between two failed attempts of one download, seconds.
constexpr int kCloudRetryPauseSeconds = 30;

// One URL a line (CR LF or LF), at most 1023 characters each; blank lines are skipped and
// lines after the 24th ignored.
std::vector<std::string> ParseCloudServerList(std::string_view text);

// Index of the server to ask: trunc(r / 32767 x (n - 1)) for a random r in 0 ... 32767.
int PickCloudServer(int count, int random);

// The map's UTC time stamp: 15 characters at byte 174 ("Dec 07 12:34:56"), the year taken
// from nowJulian. A stamp that would lie more than a day after now belongs to the previous
// year (a December map read in early January). Nothing when the file is too short or the
// fields are not a date.
std::optional<double> CloudMapTimestamp(const std::vector<std::uint8_t>& file, double nowJulian);

struct CloudBookkeeping {
    double mapTime = 0.0;      // Julian date of the loaded map; 0: none
    double lastSuccess = 0.0;  // Julian date of the last successful download
    double lastAttempt = 0.0;  // Julian date of the last download started
};

// A download is due when the map is over 3 hours old, the last success over about 2 hours
// ago, clouds are shown, and the last attempt over about 5 minutes ago.
bool CloudDownloadDue(const CloudBookkeeping& b, double nowJulian, bool cloudsShown);

// What loading "cloudmap.jpg" gives: the decoded map (nothing when the file is missing or
// not a JPEG), its time (0 when none) and the line the map shows ("Cloudmap: %s" with the
// map's time, or "No cloudmap found").
struct LoadedCloudMap {
    std::optional<PixelImage> map;
    double time = 0.0;
    std::string line = "No cloudmap found";
};
LoadedCloudMap LoadCloudMapFile(const std::filesystem::path& file, double nowJulian);

}  // namespace orvanta

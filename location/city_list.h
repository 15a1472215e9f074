#pragma once
// The built-in city list: gzip text, one city a line, "Name, Region, Longitude, Latitude,
// Elevation" (longitude before latitude, elevation in metres).
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// Longest city line kept; longer lines are cut, never split into two entries.
inline constexpr std::size_t kMaxCityLine = 99;
// Longest drop-down entry the field copy looks at.
inline constexpr std::size_t kMaxCityEntry = 255;

// The entry's fields split at every comma, leading blanks kept (" -.1167").
std::vector<std::string> SplitCityFields(const std::string& entry);

// The texts a chosen city puts into the location edits: field 3 the longitude, field 4
// the latitude, field 5 the altitude. Empty when the entry has fewer than five fields.
struct CityLocationText {
    std::string longitude;
    std::string latitude;
    std::string altitude;
};
std::optional<CityLocationText> CityLocationFields(const std::string& entry);

// Every non-empty line of the text, without its line end, cut to kMaxCityLine characters.
std::vector<std::string> ReadCityLines(std::istream& in);

// Work files of the loading, inside the given private directory.
inline constexpr char kCityWorkFileName[] = "291171";
inline constexpr char kCityListUnableText[] = "Unable to load citylist!";
inline constexpr char kCityListErrorText[] = "Unable to load citylist! Error: %s";
inline constexpr char kCityListOpenText[] = "Ai ai ai! Unable to load citylist!";

// Writes the compressed list to a work file in workDir, decompresses it into a second
// one, reads the lines and deletes both files. Failures go to the event log (level 2)
// and yield what could be read (usually nothing).
std::vector<std::string> LoadCityList(const std::string& compressed,
                                      const std::filesystem::path& workDir);

}  // namespace orvanta

#pragma once
// The built-in world images: twelve monthly day images and one night image, 2048 x 1024
// JPEG, installed in "images" beside the executables.
#include <filesystem>
#include <string>

#include "earthview/image_file.h"

namespace orvanta {

constexpr const char* EARTH_IMAGE_FOLDER = "images";

// "earth-day-01.jpg" ... "earth-day-12.jpg" for month 1 ... 12.
std::string DayImageName(int month);
constexpr const char* NIGHT_IMAGE_NAME = "earth-night.jpg";

// The folder holding the images for executables in executableDirectory: its "images"
// folder, else ORVANTA_SOURCE_DIR's resources/images for a build tree run in place.
std::filesystem::path EarthImageDirectory(const std::filesystem::path& executableDirectory);

// Month 1 ... 12 of a Julian date (UTC).
int MonthOf(double julianDate);

struct EarthLayers {
    PixelImage day;
    PixelImage night;
    bool dayOk = false;
    bool nightOk = false;
};

// Decodes the month's day image and the night image. A missing or unreadable image logs
// "Failed to extract earth day image from resource!" (or the night text) at level 2 and
// stays empty. A night image of another size than the day image counts as unreadable.
EarthLayers LoadEarthLayers(const std::filesystem::path& imageDirectory, int month);

}  // namespace orvanta

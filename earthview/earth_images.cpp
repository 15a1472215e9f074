#include "earthview/earth_images.h"

#include <cstdio>

#include "common/event_log.h"
#include "orbit/julian_date.h"

namespace orvanta {

std::string DayImageName(int month) {
    char name[32];
    std::snprintf(name, sizeof name, "earth-day-%02d.jpg", month < 1 || month > 12 ? 1 : month);
    return name;
}

std::filesystem::path EarthImageDirectory(const std::filesystem::path& executableDirectory) {
    std::error_code ec;
    const std::filesystem::path beside = executableDirectory / EARTH_IMAGE_FOLDER;
    if (std::filesystem::is_directory(beside, ec)) return beside;
#ifdef ORVANTA_SOURCE_IMAGES
    return ORVANTA_SOURCE_IMAGES;
#else
    return beside;
#endif
}

int MonthOf(double julianDate) {
    int year = 0, month = 1;
    cJulianDate::FromJd(julianDate).ToCalendar(year, &month);
    return month;
}

EarthLayers LoadEarthLayers(const std::filesystem::path& imageDirectory, int month) {
    EarthLayers layers;
    if (auto day = DecodeJpegFile(imageDirectory / DayImageName(month))) {
        layers.day = std::move(*day);
        layers.dayOk = true;
    } else {
        LogEvent("Failed to extract earth day image from resource!", LOG_ERROR);
    }
    auto night = DecodeJpegFile(imageDirectory / NIGHT_IMAGE_NAME);
    if (night && (!layers.dayOk ||
                  (night->width == layers.day.width && night->height == layers.day.height))) {
        layers.night = std::move(*night);
        layers.nightOk = true;
    } else {
        LogEvent("Failed to extract earth night image from resource!", LOG_ERROR);
    }
    return layers;
}

}  // namespace orvanta

// orvanta-cli daynight: the Earth view's background alone, day and night images blended by
// the Sun's altitude at an instant, with an optional cloud map, written as an image file.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/astro_cli.h"
#include "cli/command.h"
#include "common/event_log.h"
#include "earthview/daynight.h"
#include "earthview/earth_images.h"
#include "earthview/image_file.h"
#include "platform/directories.h"

namespace orvanta::cli {
namespace {

// Nearest-pixel resampling, the way the view stretches its background.
PixelImage Resample(const PixelImage& in, int width, int height) {
    if (width == in.width && height == in.height) return in;
    PixelImage out(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * in.height / height);
        for (int x = 0; x < width; ++x)
            out.At(x, y) = in.At(static_cast<int>(static_cast<long long>(x) * in.width / width), sy);
    }
    return out;
}

int RunDayNight(const std::vector<std::string>& args) {
    std::optional<double> jd;
    std::string out, clouds;
    int width = 0, height = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return UsageError("daynight: " + a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--at") {
            jd = ParseIsoUtc(v);
            if (!jd) return UsageError("daynight: bad time '" + v + "' (expected YYYY-MM-DDTHH:MM:SSZ)");
        } else if (a == "--out") {
            out = v;
        } else if (a == "--clouds") {
            clouds = v;
        } else if (a == "--width" || a == "--height") {
            const auto n = ParseNumber(v);
            if (!n || *n < 1 || *n > 16384 || *n != static_cast<int>(*n))
                return UsageError("daynight: bad " + a + " '" + v + "' (1 ... 16384 pixels)");
            (a == "--width" ? width : height) = static_cast<int>(*n);
        } else {
            return UsageError("daynight: unknown option '" + a + "'");
        }
    }
    if (!jd || out.empty()) return UsageError("daynight: --at and --out are required");
    if (const std::string problem = ImageSupportProblem(); !problem.empty()) {
        std::fprintf(stderr, "orvanta-cli: daynight: %s\n", problem.c_str());
        return 1;
    }

    EventRecorder log;
    const EarthLayers layers = LoadEarthLayers(
        EarthImageDirectory(platform::BuiltInDataDirectory()), MonthOf(*jd));
    if (!layers.dayOk || !layers.nightOk) {
        for (const EventEntry& e : log.Entries()) std::fprintf(stderr, "orvanta-cli: %s\n", e.text.c_str());
        return 2;
    }
    PixelImage cloudLayer;
    if (!clouds.empty()) {
        const auto map = DecodeJpegFile(clouds);
        if (!map) return UsageError("daynight: cannot read the cloud map '" + clouds + "' as JPEG");
        cloudLayer = CloudLayerFrom(*map, layers.day.width, layers.day.height);
    }
    const PixelImage composed = ComposeDayNight(layers.day, layers.night,
                                                clouds.empty() ? nullptr : &cloudLayer, *jd);
    const PixelImage sized = Resample(composed, width ? width : composed.width,
                                      height ? height : composed.height);
    if (!SaveImageFile(sized, out, 92)) {
        std::fprintf(stderr, "orvanta-cli: daynight: cannot write '%s' (known extensions: .jpg .png "
                             ".bmp .psd .tga .tif)\n", out.c_str());
        return 1;
    }
    return 0;
}

constexpr const char* kHelp =
    "Writes the Earth view's background alone: the day and night images blended by the Sun's\n"
    "altitude at an instant, with an optional cloud map.\n"
    "\n"
    "Options:\n"
    "  --at ISO8601Z      the instant, UTC (required)\n"
    "  --out FILE         the image written: .jpg .png .bmp .psd .tga or .tif (required)\n"
    "  --width W          1 ... 16384 pixels (default: the built-in image's width)\n"
    "  --height H         1 ... 16384 pixels (default: the built-in image's height)\n"
    "  --clouds FILE.jpg  a cloud map laid over the blend (default: none)\n"
    "\n"
    "Example:\n"
    "  orvanta-cli daynight --at 2026-12-21T12:00:00Z --out daynight.jpg --width 1024 "
    "--height 512\n";

}  // namespace

ORVANTA_CLI_COMMAND(kDayNightCommand, "daynight",
                    "daynight --at ISO8601Z --out FILE [--width W --height H] [--clouds FILE.jpg]",
                    kHelp, RunDayNight);

}  // namespace orvanta::cli

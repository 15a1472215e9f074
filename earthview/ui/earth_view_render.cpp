#include "earthview/ui/earth_view_render.h"

#include <cstring>

#include "common/ui/drawing_objects.h"
#include "earthview/cloud_map.h"
#include "earthview/daynight.h"
#include "earthview/earth_images.h"
#include "earthview/earth_tracks.h"
#include "earthview/ui/earth_view_painter.h"
#include "platform/directories.h"

namespace orvanta {

QImage ToQImage(const PixelImage& image) {
    if (image.Empty()) return {};
    QImage out(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y), &image.pixels[static_cast<std::size_t>(y) * image.width],
                    static_cast<std::size_t>(image.width) * 4);
    return out;
}

QImage RenderEarthView(const RenderContext& context, const RenderRequest& request) {
    const double jd = request.julianDate;
    const Settings& s = context.settings;
    const EarthLayers layers = LoadEarthLayers(
        EarthImageDirectory(platform::BuiltInDataDirectory()), MonthOf(jd));

    LoadedCloudMap cloud;
    PixelImage cloudLayer;
    if (s.earthviewShowClouds && layers.dayOk) {
        cloud = LoadCloudMapFile(context.programDirectory / CLOUD_MAP_FILE, jd);
        cloudLayer = cloud.map ? CloudLayerFrom(*cloud.map, layers.day.width, layers.day.height)
                               : PixelImage(layers.day.width, layers.day.height);
    }
    QImage background;
    if (layers.dayOk && layers.nightOk)
        background = ToQImage(ComposeDayNight(layers.day, layers.night,
                                              s.earthviewShowClouds ? &cloudLayer : nullptr, jd));
    else if (layers.dayOk)
        background = ToQImage(layers.day);

    std::vector<SelectedSat> selection = context.selection;
    EarthTracks tracks;
    tracks.Rebuild(context.catalogue, selection);
    const int detail = std::min<int>(s.detailSat, static_cast<int>(selection.size()) - 1);
    tracks.Update(selection, s.observer, jd, true, detail);

    QImage target(request.size, QImage::Format_RGB32);
    EarthPaintInput in;
    in.background = background.isNull() ? nullptr : &background;
    in.offset = s.earthviewLongitude;
    in.showHome = s.earthviewShowHomeMarker != 0;
    in.home = s.observer;
    in.showCloudLine = s.earthviewShowClouds != 0 && layers.dayOk;
    in.cloudLine = cloud.line;
    in.catalogue = &context.catalogue;
    in.selection = &selection;
    in.records = &tracks.Records();
    PaintEarthMap(target, in, SharedDrawingObjects());
    return target;
}

}  // namespace orvanta

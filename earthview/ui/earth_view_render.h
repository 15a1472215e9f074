#pragma once
// The Earth view drawn off-screen: `orvanta --render earthview`, tests and bug reports.
#include <QImage>

#include "catalogue/ui/render_context.h"
#include "earthview/image_file.h"

namespace orvanta {

// A copy of the pixels as a 32-bit QImage.
QImage ToQImage(const PixelImage& image);

// The map area for the context's settings and selection at the request's instant: the
// day/night background (with the cloud map of the program directory when clouds are on),
// every shown satellite with its tracks, horizons and names as their flags say.
QImage RenderEarthView(const RenderContext& context, const RenderRequest& request);

}  // namespace orvanta

#pragma once
// The Sky view drawn off-screen at one instant for given settings, catalogue and selection
// (what `orvanta --render skyview` writes): the passes in progress at that instant with
// their tracks, the rise and set texts, the stars, the Sun and the Moon.
#include <QImage>
#include <QSize>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/ui/render_context.h"
#include "common/settings.h"
#include "skyview/sky_view_state.h"

namespace orvanta {

// The built-in star file (gzip), or nothing when the resource is missing.
std::optional<std::string> BuiltInStarFile();
// Loads the built-in stars into the shared catalogue unless they are loaded already.
void EnsureStarsLoaded();
// The Sun's and Moon's rise and set texts of the chart's corners for the site at jd.
void FillRiseSetTexts(SkyViewState& state, double jd, const ObserverLocation& observer);

QImage RenderSkyChartAt(const Settings& settings, const KeplerCatalogue& catalogue,
                        const std::vector<SelectedSat>& selection, double julianDate,
                        QSize size);

// `orvanta --render skyview`: the chart for the context at the request's instant and size.
QImage RenderSkyView(const RenderContext& context, const RenderRequest& request);

}  // namespace orvanta

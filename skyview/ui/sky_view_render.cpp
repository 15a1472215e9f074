#include "skyview/ui/sky_view_render.h"

#include <QFile>
#include <optional>
#include <string>
#include <thread>

#include "astro/rise_set.h"
#include "catalogue/pass_list.h"
#include "catalogue/pass_search.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"
#include "platform/directories.h"
#include "skyview/sky_tick.h"
#include "skyview/star_catalogue.h"
#include "skyview/ui/sky_drawing.h"

// Qt resources of a static library must be registered by name, outside any namespace.
static void InitSkyStarResource() {
    Q_INIT_RESOURCE(stars);
}

namespace orvanta {

std::optional<std::string> BuiltInStarFile() {
    InitSkyStarResource();
    QFile file(QStringLiteral(":/skyview/ybsc.gz"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void EnsureStarsLoaded() {
    if (GetStarCatalogue()) return;
    platform::PrivateTempDir work;
    const std::optional<std::string> data = BuiltInStarFile();
    if (data && work.Ok()) SetStarCatalogue(LoadStarCatalogue(*data, work.Path()));
}

void FillRiseSetTexts(SkyViewState& state, double jd, const ObserverLocation& observer) {
    const RiseSetTexts texts =
        RefreshRiseSet(jd, AstroSite(observer.latitude, observer.longitude),
                       [](double t) { return FormatTime(cJulianDate::FromJd(t)); });
    state.sunriseText = texts.sunrise;
    state.sunsetText = texts.sunset;
    state.moonriseText = texts.moonrise;
    state.moonsetText = texts.moonset;
}

QImage RenderSkyChartAt(const Settings& settings, const KeplerCatalogue& catalogue,
                        const std::vector<SelectedSat>& selection, double jd, QSize size) {
    EnsureStarsLoaded();
    SkyViewState state;
    LoadSkyStartupOptions(state, settings);

    // The passes of the selection from a little before the instant, so a pass in progress
    // is found with its real AOS.
    std::vector<PassRecord> table;
    std::vector<PassSearchSatellite> sats =
        SearchSatellitesFromSelection(catalogue, selection, [](const std::string&, int) {});
    if (!sats.empty()) {
        PassSearchInputs inputs;
        inputs.now = jd - 0.25 / 24.0;
        inputs.observer = settings.observer;
        inputs.options.passesPerSatellite = 1;
        inputs.satellites = std::move(sats);
        PassSearch search([](int, int, const std::string&) {});
        if (search.Run(std::move(inputs),
                       std::max(1, static_cast<int>(std::thread::hardware_concurrency()))))
            table = search.TakeRecords();
    }
    auto satelliteOf = [&](const PassRecord& r) -> const KeplerRecord* {
        if (r.satellite < 0 || r.satellite >= static_cast<int>(selection.size())) return nullptr;
        return SelectedRecord(catalogue, selection[static_cast<std::size_t>(r.satellite)]);
    };
    for (PassRecord& r : table) {
        const KeplerRecord* sat = satelliteOf(r);
        if (r.IsEmpty() || !sat || !PassInProgress(r, jd)) continue;
        r.listed = 1;
        UpdateLiveValues(r, *sat, settings.observer, settings.metric, jd);
    }
    UpdateSkyTracks(table, state, settings.observer, jd, satelliteOf);

    FillRiseSetTexts(state, jd, settings.observer);

    SkyPaintInput in;
    in.state = &state;
    in.width = size.width();
    in.height = size.height();
    in.now = jd;
    in.observer = settings.observer;
    in.passes = &table;
    in.satelliteOf = satelliteOf;
    const std::shared_ptr<StarCatalogue> stars = GetStarCatalogue();
    in.stars = stars.get();
    in.metric = settings.metric;
    in.fonts = DefaultSkyFonts();
    // The realistic sky tells morning from evening by the previous repaint's Sun, a
    // second earlier in the running view.
    in.now = jd - 1.0 / 86400.0;
    UpdateSunPosition(in);
    in.now = jd;
    return PaintSkyChart(in);
}

QImage RenderSkyView(const RenderContext& context, const RenderRequest& request) {
    return RenderSkyChartAt(context.settings, context.catalogue, context.selection,
                            request.julianDate, request.size);
}

}  // namespace orvanta

#include "skyview/sky_tick.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/settings.h"
#include "location/units.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "skyview/sky_chart.h"

namespace orvanta {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Printf(const char* format, auto... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

bool PeriodicScreenshotCheck(SkyViewState& s, std::uint32_t tick, int updateMinutes,
                             bool screenshotsOn) {
    const std::int64_t diff = std::llabs(static_cast<std::int64_t>(tick) -
                                         static_cast<std::int64_t>(s.lastScreenshotTick));
    if (diff < static_cast<std::int64_t>(updateMinutes) * 60000) return false;
    s.lastScreenshotTick = tick;
    if (!screenshotsOn) return false;
    s.screenshotRequested = 1;
    return true;
}

bool RiseSetDue(SkyViewState& s, bool recomputeRequested) {
    ++s.riseSetCounter;
    if (recomputeRequested) s.riseSetRecompute = 1;
    if (s.riseSetCounter <= 3600 && !s.riseSetRecompute) return false;
    s.riseSetCounter = 0;
    s.riseSetRecompute = 0;
    return true;
}

bool SkyPassVisible(const PassRecord& r) {
    return r.currentElevation > 0.0 && r.listed != 0;
}

bool ComputePassTrack(PassRecord& r, const KeplerRecord& satellite,
                      const ObserverLocation& observer, double now) {
    const cElementSet elements(std::string(satellite.Name()), std::string(satellite.Line1()),
                               std::string(satellite.Line2()));
    const cOrbit orbit(elements);
    if (!orbit.IsValid()) return false;
    // Whole kilometres, as every site of the program is built.
    const cSite site(observer.latitude, observer.longitude, observer.altitudeMetres / 1000);
    const double epoch = orbit.Epoch().Date();
    const double mAos = (r.aos - epoch) * 1440.0;
    const double mLos = (r.los - epoch) * 1440.0;
    const double mNow = (now - epoch) * 1440.0;
    auto look = [&](double minutes, TrackPoint& point) {
        cEci eci;
        // A failed step keeps the point it had rather than a position from nowhere.
        if (!orbit.PositionAt(minutes, eci)) return;
        const cCoordTopo t = site.LookAngles(eci);
        point.azimuth = t.az;
        point.elevation = t.el;
    };
    for (int k = 1; k <= TRACK_POINTS; ++k)
        look(mAos + k * (mNow - mAos) / TRACK_POINTS, r.pastTrack[k - 1]);
    for (int k = 0; k < TRACK_POINTS; ++k)
        look(mNow + k * (mLos - mNow) / TRACK_POINTS, r.futureTrack[k]);
    return true;
}

TooltipStep TooltipTiming(std::uint32_t tick, std::uint32_t lastMove, bool shown) {
    const std::uint32_t d = tick - lastMove;  // unsigned: wraps like the system tick count
    if (d > 500 && d < 5000) return shown ? TooltipStep::Nothing : TooltipStep::TryShow;
    return shown ? TooltipStep::Hide : TooltipStep::Nothing;
}

bool BoxContains(const ScreenBox& b, int x, int y) {
    return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

std::optional<TooltipTarget> HitTestSky(const SkyViewState& s, int x, int y,
                                        const std::vector<PassRecord>& table,
                                        const StarCatalogue* stars) {
    if (BoxContains(s.sunBox, x, y)) return TooltipTarget{TooltipTarget::Sun, -1};
    if (BoxContains(s.moonBox, x, y)) return TooltipTarget{TooltipTarget::Moon, -1};
    for (std::size_t i = 0; i < table.size(); ++i)
        if (SkyPassVisible(table[i]) && BoxContains(table[i].screenBox, x, y))
            return TooltipTarget{TooltipTarget::Satellite, static_cast<int>(i)};
    if (stars && stars->count > 0) {
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(stars->count),
                                                     std::min(stars->table.size(), stars->boxes.size()));
        for (std::size_t i = 0; i < n; ++i)
            if (!stars->table[i].IsZero() && BoxContains(stars->boxes[i], x, y))
                return TooltipTarget{TooltipTarget::Star, static_cast<int>(i)};
    }
    return std::nullopt;
}

std::string SunTooltipText(const SkyViewState& s) {
    return Printf(
        "The Sun\rNext rise:\t%s\rNext set:\t%s\rCurrent Az:\t%0.1f\xC2\xB0\rCurrent "
        "El:\t%0.2f\xC2\xB0",
        s.sunriseText.c_str(), s.sunsetText.c_str(), s.sunAz, s.sunEl);
}

std::string MoonTooltipText(SkyViewState& s, int metric) {
    s.moonDistance = KilometresToDisplayUnit(s.moonDistance, metric);
    return Printf(
        "The Moon\rNext rise:\t%s\rNext set:\t%s\rCurrent Az:\t%0.1f\xC2\xB0\rCurrent "
        "El:\t%0.2f\xC2\xB0\rDist:\t%0.2f %s away",
        s.moonriseText.c_str(), s.moonsetText.c_str(), s.moonAz, s.moonEl, s.moonDistance,
        DistanceUnitSuffix(metric));
}

std::string SatelliteTooltipText(const std::string& name, int number, const std::string& aos,
                                 const std::string& los) {
    return Printf("Name:\t%s (# %d)\rAOS:\t%s\rLOS:\t%s", name.c_str(), number, aos.c_str(),
                  los.c_str());
}

std::string StarTooltipText(const StarRecord& star) {
    return Printf("Star\rName:\t%s %s\rHD:\t%d\rSAO:\t%d\rMag:\t%0.2f", star.Bayer().c_str(),
                  star.Constellation().c_str(), star.hd, star.sao, star.magnitude);
}

std::string SkyPassTimeText(double jd, double now, const RowTimeOptions& options) {
    return FormatRowTime(jd, now, options);
}

void ComputeStarDiscs(StarCatalogue& stars, const SkyViewState& s, double gastDeg, double latDeg,
                      double lonDeg, int width, int height, std::vector<StarDisc>& out) {
    out.clear();
    const std::size_t n = std::min(stars.table.size(), stars.boxes.size());
    const double headingRad = DegToRadians(s.heading);
    // The latitude terms are the same for every star.
    const double phi = DegToRadians(latDeg);
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double base = gastDeg + lonDeg;
    for (std::size_t i = 0; i < n; ++i) {
        stars.boxes[i] = ScreenBox{};
        const StarRecord& star = stars.table[i];
        if (!(s.magLimit > star.magnitude) || star.IsZero()) continue;
        const double h = DegToRadians(base - 15.0 * star.raHours);
        const double d = DegToRadians(star.decDegrees);
        const double sinD = std::sin(d), cosD = std::cos(d);
        const double cosH = std::cos(h);
        const double el = std::asin(sinD * sinPhi + cosD * cosPhi * cosH);
        if (!(el > 0.0)) continue;
        const double az = std::atan2(std::sin(h), sinPhi * cosH - sinD / cosD * cosPhi);
        const auto p = Project(az + kPi + headingRad, el, width, height, s.projection);
        if (!p) continue;
        const int size = StarSizeClass(star.magnitude) + s.starSizeBase;
        out.push_back({p->x, p->y, size});
        stars.boxes[i] = {p->x - size, p->y - size, p->x + size, p->y + size};
    }
}

}  // namespace orvanta

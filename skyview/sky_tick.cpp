#include "skyview/sky_tick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "common/settings.h"
#include "location/units.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
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

// The orbit of a satellite's element set, built once rather than at every tick: with
// thousands listed the parse and model set-up cost more than the tracks. Per thread, as
// every thread keeps its own orbits; a changed set (same number, new lines) is rebuilt.
const cOrbit& CachedOrbit(const KeplerRecord& satellite) {
    struct Entry {
        char line1[KEPLER_TEXT_SIZE];
        char line2[KEPLER_TEXT_SIZE];
        cOrbit orbit;
    };
    thread_local std::unordered_map<std::int32_t, Entry> cache;
    auto it = cache.find(satellite.catalogueNumber);
    if (it != cache.end() && std::memcmp(it->second.line1, satellite.line1, KEPLER_TEXT_SIZE) == 0 &&
        std::memcmp(it->second.line2, satellite.line2, KEPLER_TEXT_SIZE) == 0)
        return it->second.orbit;
    if (cache.size() > 50000) cache.clear();  // a bound for long runs with many catalogues
    const cElementSet elements(std::string(satellite.Name()), std::string(satellite.Line1()),
                               std::string(satellite.Line2()));
    Entry entry{{}, {}, cOrbit(elements)};
    std::memcpy(entry.line1, satellite.line1, sizeof entry.line1);
    std::memcpy(entry.line2, satellite.line2, sizeof entry.line2);
    return cache.insert_or_assign(satellite.catalogueNumber, std::move(entry)).first->second.orbit;
}

// Azimuth and elevation of many positions from one site: the site's place on the rotating
// Earth and its latitude terms once, then per point one turn by the sidereal time. The same
// arithmetic as cSite::LookAngles without its set-up at every call, which dominated the
// tracks of thousands of passes.
class SiteLook {
public:
    explicit SiteLook(const cCoordGeo& geo) : lon_(geo.lon) {
        sinLat_ = std::sin(geo.lat);
        cosLat_ = std::cos(geo.lat);
        const double c = 1.0 / std::sqrt(1.0 - E2 * sinLat_ * sinLat_);
        achcp_ = (XKMPER * c + geo.alt) * cosLat_;
        z_ = (XKMPER * ONE_MINUS_F * ONE_MINUS_F * c + geo.alt) * sinLat_;
    }
    // pos in km at the Julian date jd.
    void Look(const cVector& pos, double jd, TrackPoint& point) const {
        const double theta = cJulianDate::FromJd(jd).ToLmst(lon_);
        const double sinTheta = std::sin(theta), cosTheta = std::cos(theta);
        const double rx = pos.x - achcp_ * cosTheta;
        const double ry = pos.y - achcp_ * sinTheta;
        const double rz = pos.z - z_;
        const double range = std::sqrt(rx * rx + ry * ry + rz * rz);
        const double topS = sinLat_ * cosTheta * rx + sinLat_ * sinTheta * ry - cosLat_ * rz;
        const double topE = -sinTheta * rx + cosTheta * ry;
        const double topZ = cosLat_ * cosTheta * rx + cosLat_ * sinTheta * ry + sinLat_ * rz;
        double az = std::atan2(topE, -topS);
        if (az < 0.0) az += TWOPI;
        if (az >= TWOPI) az = 0.0;
        point.azimuth = az;
        point.elevation = std::asin(std::clamp(topZ / range, -1.0, 1.0));
    }

private:
    double lon_, sinLat_, cosLat_, achcp_, z_;
};

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
    const cOrbit& orbit = CachedOrbit(satellite);
    if (!orbit.IsValid()) return false;
    // Whole kilometres, as every site of the program is built.
    const cSite site(observer.latitude, observer.longitude, observer.altitudeMetres / 1000);
    const SiteLook from(site.GetLocation());
    const double epoch = orbit.Epoch().Date();
    const double mAos = (r.aos - epoch) * 1440.0;
    const double mLos = (r.los - epoch) * 1440.0;
    const double mNow = (now - epoch) * 1440.0;
    // SGP4 at every third point; the two between by cubic Hermite interpolation of position
    // and velocity, metres off at these spacings. A failed step keeps the point it had
    // rather than a position from nowhere.
    // An eccentric orbit sweeps its perigee too fast for the interpolation: every point.
    const int stride = orbit.Elements().FieldValue(FLD_E, U_RAD) < 0.1 ? 3 : 1;
    auto series = [&](double start, double step, int first, TrackPoint* out) {
        auto minutesAt = [&](int i) { return start + (first + i) * step; };
        cEci a, b;
        bool okA = orbit.PositionAt(minutesAt(0), a);
        if (okA) from.Look(a.Pos(), epoch + minutesAt(0) / 1440.0, out[0]);
        for (int i = 0; i + 1 < TRACK_POINTS; i += stride) {
            const int j = std::min(i + stride, TRACK_POINTS - 1);
            const bool okB = orbit.PositionAt(minutesAt(j), b);
            if (okB) from.Look(b.Pos(), epoch + minutesAt(j) / 1440.0, out[j]);
            const double dt = (j - i) * step * 60.0;
            for (int k = i + 1; k < j; ++k) {
                const double jd = epoch + minutesAt(k) / 1440.0;
                if (!okA || !okB) {
                    cEci e;
                    if (orbit.PositionAt(minutesAt(k), e)) from.Look(e.Pos(), jd, out[k]);
                    continue;
                }
                const double u = static_cast<double>(k - i) / (j - i), u2 = u * u, u3 = u2 * u;
                const double h00 = 2 * u3 - 3 * u2 + 1, h10 = (u3 - 2 * u2 + u) * dt;
                const double h01 = -2 * u3 + 3 * u2, h11 = (u3 - u2) * dt;
                const cVector &pa = a.Pos(), &va = a.Vel(), &pb = b.Pos(), &vb = b.Vel();
                const cVector p(h00 * pa.x + h10 * va.x + h01 * pb.x + h11 * vb.x,
                                h00 * pa.y + h10 * va.y + h01 * pb.y + h11 * vb.y,
                                h00 * pa.z + h10 * va.z + h01 * pb.z + h11 * vb.z);
                from.Look(p, jd, out[k]);
            }
            a = b;
            okA = okB;
        }
    };
    series(mAos, (mNow - mAos) / TRACK_POINTS, 1, r.pastTrack.data());
    series(mNow, (mLos - mNow) / TRACK_POINTS, 0, r.futureTrack.data());
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

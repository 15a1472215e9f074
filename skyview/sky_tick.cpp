#include "skyview/sky_tick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "common/settings.h"
#include "location/units.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/orbit.h"
#include "orbit/sgp4_batch.h"
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
// every thread keeps its own orbits; a changed set (same number, new lines) is rebuilt and
// gets a new id, which the tick's batch is keyed on.
struct CachedOrbit {
    char line1[KEPLER_TEXT_SIZE];
    char line2[KEPLER_TEXT_SIZE];
    cOrbit orbit;
    std::uint64_t id = 0;
};

thread_local std::unordered_map<std::int32_t, CachedOrbit> orbitCache;
thread_local std::uint64_t orbitCacheBuilt = 0;

// A bound for long runs with many catalogues; called before a tick looks anything up, so
// the entries it hands out stay valid through the tick.
void TrimOrbitCache() {
    if (orbitCache.size() > 50000) orbitCache.clear();
}

const CachedOrbit& OrbitOf(const KeplerRecord& satellite) {
    auto it = orbitCache.find(satellite.catalogueNumber);
    if (it != orbitCache.end() &&
        std::memcmp(it->second.line1, satellite.line1, KEPLER_TEXT_SIZE) == 0 &&
        std::memcmp(it->second.line2, satellite.line2, KEPLER_TEXT_SIZE) == 0)
        return it->second;
    const cElementSet elements(std::string(satellite.Name()), std::string(satellite.Line1()),
                               std::string(satellite.Line2()));
    CachedOrbit entry{{}, {}, cOrbit(elements), ++orbitCacheBuilt};
    std::memcpy(entry.line1, satellite.line1, sizeof entry.line1);
    std::memcpy(entry.line2, satellite.line2, sizeof entry.line2);
    return orbitCache.insert_or_assign(satellite.catalogueNumber, std::move(entry)).first->second;
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

// Whole kilometres, as every site of the program is built.
SiteLook SiteOf(const ObserverLocation& observer) {
    const cSite site(observer.latitude, observer.longitude, observer.altitudeMetres / 1000);
    return SiteLook(site.GetLocation());
}

// One of a pass's two series: point i at start + (first + i) * step minutes from epoch.
struct TrackSeries {
    double start = 0.0, step = 0.0;
    int first = 0;
    double MinutesAt(int i) const { return start + (first + i) * step; }
};

// SGP4 runs at every stride-th point and the last; the points between follow by cubic
// Hermite interpolation of position and velocity, metres off at these spacings.
struct PassPlan {
    double epoch = 0.0;
    int stride = 1;
    TrackSeries series[2];  // AOS to now, now towards LOS
};

int KnotCount(int stride) { return (TRACK_POINTS - 2) / stride + 2; }
int KnotPoint(int k, int stride) { return std::min(k * stride, TRACK_POINTS - 1); }

PassPlan PlanPass(const PassRecord& r, const cOrbit& orbit, double now) {
    PassPlan plan;
    plan.epoch = orbit.Epoch().Date();
    const double mAos = (r.aos - plan.epoch) * 1440.0;
    const double mLos = (r.los - plan.epoch) * 1440.0;
    const double mNow = (now - plan.epoch) * 1440.0;
    // An eccentric orbit sweeps its perigee too fast for the interpolation: every point.
    plan.stride = orbit.Elements().FieldValue(FLD_E, U_RAD) < 0.1 ? 3 : 1;
    plan.series[0] = {mAos, (mNow - mAos) / TRACK_POINTS, 1};
    plan.series[1] = {mNow, (mLos - mNow) / TRACK_POINTS, 0};
    return plan;
}

struct Knot {
    bool ok = false;
    cVector p, v;  // km, km/s
};

// The points of series s from its knots. A point next to a failed knot gets its own SGP4
// run; a failed step keeps the point it had rather than a position from nowhere.
void FillSeries(const cOrbit& orbit, const SiteLook& from, const PassPlan& plan, int s,
                const Knot* knots, PassRecord& r) {
    const TrackSeries& series = plan.series[s];
    TrackPoint* out = s == 0 ? r.pastTrack.data() : r.futureTrack.data();
    auto jdAt = [&](int i) { return plan.epoch + series.MinutesAt(i) / 1440.0; };
    const int n = KnotCount(plan.stride);
    for (int q = 0; q < n; ++q) {
        const int i = KnotPoint(q, plan.stride);
        if (knots[q].ok) from.Look(knots[q].p, jdAt(i), out[i]);
    }
    for (int q = 0; q + 1 < n; ++q) {
        const int i = KnotPoint(q, plan.stride), j = KnotPoint(q + 1, plan.stride);
        const Knot &a = knots[q], &b = knots[q + 1];
        const double dt = (j - i) * series.step * 60.0;
        for (int k = i + 1; k < j; ++k) {
            if (!a.ok || !b.ok) {
                cEci e;
                if (orbit.PositionAt(series.MinutesAt(k), e)) from.Look(e.Pos(), jdAt(k), out[k]);
                continue;
            }
            const double u = static_cast<double>(k - i) / (j - i), u2 = u * u, u3 = u2 * u;
            const double h00 = 2 * u3 - 3 * u2 + 1, h10 = (u3 - 2 * u2 + u) * dt;
            const double h01 = -2 * u3 + 3 * u2, h11 = (u3 - u2) * dt;
            const cVector p(h00 * a.p.x + h10 * a.v.x + h01 * b.p.x + h11 * b.v.x,
                            h00 * a.p.y + h10 * a.v.y + h01 * b.p.y + h11 * b.v.y,
                            h00 * a.p.z + h10 * a.v.z + h01 * b.p.z + h11 * b.v.z);
            from.Look(p, jdAt(k), out[k]);
        }
    }
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
    TrimOrbitCache();
    const cOrbit& orbit = OrbitOf(satellite).orbit;
    if (!orbit.IsValid()) return false;
    const SiteLook from = SiteOf(observer);
    const PassPlan plan = PlanPass(r, orbit, now);
    for (int s = 0; s < 2; ++s) {
        Knot knots[TRACK_POINTS];
        for (int k = 0; k < KnotCount(plan.stride); ++k) {
            cEci eci;
            const double t = plan.series[s].MinutesAt(KnotPoint(k, plan.stride));
            knots[k].ok = orbit.PositionAt(t, eci);
            knots[k].p = eci.Pos();
            knots[k].v = eci.Vel();
        }
        FillSeries(orbit, from, plan, s, knots, r);
    }
    return true;
}

std::vector<char> ComputePassTracks(const std::vector<PassRecord*>& records,
                                    const std::vector<const KeplerRecord*>& satellites,
                                    const ObserverLocation& observer, double now) {
    TrimOrbitCache();
    const std::size_t n = std::min(records.size(), satellites.size());
    std::vector<char> ok(n, 0);
    // The batch of the passes' orbits, kept while the same orbits are up.
    struct Batch {
        std::vector<std::uint64_t> ids;
        std::unique_ptr<cSgp4Batch> batch;
        std::vector<std::size_t> sets;
        std::vector<double> tsince;
        cSgp4BatchStates states;
    };
    thread_local Batch b;
    std::vector<const CachedOrbit*> entries;
    std::vector<std::uint64_t> ids;
    for (std::size_t k = 0; k < n; ++k) {
        const CachedOrbit& e = OrbitOf(*satellites[k]);
        ok[k] = e.orbit.IsValid();
        if (!ok[k]) continue;
        entries.push_back(&e);
        ids.push_back(e.id);
    }
    if (!b.batch || ids != b.ids) {
        std::vector<cOrbit> orbits;
        orbits.reserve(entries.size());
        for (const CachedOrbit* e : entries) orbits.push_back(e->orbit);
        b.batch = std::make_unique<cSgp4Batch>(std::move(orbits));
        b.ids = std::move(ids);
    }
    // Every knot of every pass in one call.
    std::vector<PassPlan> plans;
    plans.reserve(entries.size());
    b.sets.clear();
    b.tsince.clear();
    for (std::size_t k = 0, j = 0; k < n; ++k) {
        if (!ok[k]) continue;
        plans.push_back(PlanPass(*records[k], entries[j]->orbit, now));
        const PassPlan& plan = plans.back();
        for (const TrackSeries& series : plan.series)
            for (int q = 0; q < KnotCount(plan.stride); ++q) {
                b.sets.push_back(j);
                b.tsince.push_back(series.MinutesAt(KnotPoint(q, plan.stride)));
            }
        ++j;
    }
    b.batch->PropagateRequests(b.sets, b.tsince, b.states);
    const cSgp4BatchStates& st = b.states;
    const SiteLook from = SiteOf(observer);
    std::size_t at = 0;
    for (std::size_t k = 0, j = 0; k < n; ++k) {
        if (!ok[k]) continue;
        const PassPlan& plan = plans[j];
        for (int s = 0; s < 2; ++s) {
            Knot knots[TRACK_POINTS];
            for (int q = 0; q < KnotCount(plan.stride); ++q, ++at) {
                knots[q].ok = st.status[at] == SGP4_BATCH_OK;
                knots[q].p = cVector(st.x[at], st.y[at], st.z[at]);
                knots[q].v = cVector(st.vx[at], st.vy[at], st.vz[at]);
            }
            FillSeries(entries[j]->orbit, from, plan, s, knots, *records[k]);
        }
        ++j;
    }
    return ok;
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

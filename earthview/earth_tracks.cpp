#include "earthview/earth_tracks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "earthview/track_sampling.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/sgp4_batch.h"
#include "orbit/site.h"

namespace orvanta {

namespace {

// 2 pi / 35: bearing step of the horizon, so point 35 lands on point 0.
constexpr double kHorizonStep = 0.17951958020513104;
// Nautical miles per radian of arc (180 x 60 / pi).
constexpr double kNauticalMilesPerRadian = 3437.7467707849396;

}  // namespace

bool TrackSpanHolds(const TrackRecord& r, double jd) {
    if (!r.hasTrack) return false;
    const double first = r.trackAt - PAST_TRACK_POINTS * r.pastStep;
    // The future covers two and a half revolutions: keep one of them ahead.
    const double last = r.trackAt + FUTURE_TRACK_POINTS * r.futureStep * (1.5 / 2.5);
    return jd >= first && jd <= last;
}

TrackResult ComputeTracks(const TrackJob& job, int threads) {
    TrackResult result;
    result.julianDate = job.julianDate;
    result.generation = job.generation;
    result.tracks.resize(job.indices.size());
    if (!job.orbits) return result;
    auto work = [&](std::size_t from, std::size_t to) {
        // One batch per thread over its share: each satellite's knots go through it at once.
        std::vector<cOrbit> orbits;
        std::vector<std::size_t> slot(to - from, 0);
        for (std::size_t k = from; k < to; ++k) {
            result.tracks[k].index = job.indices[k];
            if (const auto& orbit = (*job.orbits)[job.indices[k]]) {
                slot[k - from] = orbits.size();
                orbits.push_back(*orbit);
            }
        }
        const cSgp4Batch batch(std::move(orbits));
        TrackScratch scratch;
        for (std::size_t k = from; k < to; ++k)
            if (const auto& orbit = (*job.orbits)[job.indices[k]])
                SampleTracks(batch, slot[k - from], *orbit, job.julianDate, result.tracks[k], scratch);
    };
    const std::size_t n = job.indices.size();
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(1, n / 64));
    std::vector<std::thread> helpers;
    for (std::size_t p = 1; p < parts; ++p) helpers.emplace_back(work, n * p / parts, n * (p + 1) / parts);
    work(0, n / parts);
    for (std::thread& t : helpers) t.join();
    return result;
}

double RadioHorizonRangeKm(double altitudeKm) {
    if (altitudeKm > 3157.0) return 6370.0;
    return 3.56 * 0.95 * std::sqrt(altitudeKm * 1000.0);
}

std::array<GeoPoint, HORIZON_POINTS> RadioHorizon(double lat, double lon, double altitudeKm) {
    std::array<GeoPoint, HORIZON_POINTS> points{};
    const double delta = RadioHorizonRangeKm(altitudeKm) / 1.852 / kNauticalMilesPerRadian;
    const double sinLat = std::sin(lat), cosLat = std::cos(lat);
    const double sinDelta = std::sin(delta), cosDelta = std::cos(delta);
    for (int j = 0; j < HORIZON_POINTS; ++j) {
        const double theta = j * kHorizonStep;
        // Rounding can take the sine a hair past 1 near a pole, where asin gives NaN.
        const double latJ =
            std::asin(std::clamp(sinLat * cosDelta + cosLat * sinDelta * std::cos(theta), -1.0, 1.0));
        double lonJ = 0.0;
        if (std::fabs(std::cos(latJ)) >= 5e-11) {
            const double d = std::atan2(std::sin(theta) * sinDelta * cosLat,
                                        cosDelta - sinLat * std::sin(latJ));
            double v = lon - d + PI;
            while (v > TWOPI) v -= TWOPI;
            while (v < -TWOPI) v += TWOPI;
            lonJ = v - PI;
        }
        points[j] = {latJ, lonJ, 0.0};
    }
    return points;
}

int EarthTracks::ShowAddedSatellites(std::vector<SelectedSat>& selection, bool allNames,
                                     bool allHorizons) {
    int shown = 0;
    for (SelectedSat& s : selection) {
        const bool unset = !s.shown && !s.track && !s.radioHorizon && !s.nameLabel;
        if (!unset || std::find(knownNumbers_.begin(), knownNumbers_.end(), s.catalogueNumber) !=
                          knownNumbers_.end())
            continue;
        s.shown = 1;
        s.nameLabel = allNames ? 1 : 0;
        s.radioHorizon = allHorizons ? 1 : 0;
        ++shown;
    }
    knownNumbers_.clear();
    for (const SelectedSat& s : selection) knownNumbers_.push_back(s.catalogueNumber);
    return shown;
}

namespace {

using ElementLines = std::optional<std::array<std::string, 3>>;

// The orbits of the copied element lines in parallel chunks; stops early once cancelled.
std::shared_ptr<const std::vector<std::optional<cOrbit>>> BuildOrbits(
    const std::vector<ElementLines>& lines, const std::atomic<bool>& cancel, int threads) {
    auto orbits = std::make_shared<std::vector<std::optional<cOrbit>>>(lines.size());
    auto work = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to && !cancel.load(std::memory_order_relaxed); ++i)
            if (const ElementLines& l = lines[i])
                (*orbits)[i].emplace(cElementSet((*l)[0], (*l)[1], (*l)[2]));
    };
    const std::size_t n = lines.size();
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(1, n / 256));
    std::vector<std::thread> helpers;
    for (std::size_t p = 1; p < parts; ++p) helpers.emplace_back(work, n * p / parts, n * (p + 1) / parts);
    work(0, n / parts);
    for (std::thread& t : helpers) t.join();
    return orbits;
}

}  // namespace

EarthTracks::~EarthTracks() {
    if (cancelOrbits_) cancelOrbits_->store(true);
}

void EarthTracks::Rebuild(const KeplerCatalogue& catalogue,
                          const std::vector<SelectedSat>& selection, bool background) {
    // A build still under way is for the old selection: stop it (the wait is one orbit).
    if (cancelOrbits_) cancelOrbits_->store(true);
    pendingOrbits_ = {};
    records_.assign(selection.size(), TrackRecord{});
    // The lines are copied: the catalogue may be replaced while the workers read them.
    std::vector<ElementLines> lines(selection.size());
    for (std::size_t i = 0; i < selection.size(); ++i)
        if (const KeplerRecord* record = SelectedRecord(catalogue, selection[i]))
            lines[i].emplace(std::array<std::string, 3>{std::string(record->Name()),
                                                         std::string(record->Line1()),
                                                         std::string(record->Line2())});
    ++generation_;
    tickSets_.clear();
    tickBatch_.reset();
    if (!background || selection.empty()) {
        cancelOrbits_.reset();
        orbits_ = BuildOrbits(lines, std::atomic<bool>{false}, 1);
        return;
    }
    orbits_ = std::make_shared<const OrbitList>();
    cancelOrbits_ = std::make_shared<std::atomic<bool>>(false);
    // The shown satellites' tick batch too: setting it up costs as much as a tick.
    std::vector<int> shown;
    for (std::size_t i = 0; i < selection.size(); ++i)
        if (selection[i].shown && lines[i]) shown.push_back(static_cast<int>(i));
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    pendingOrbits_ = std::async(
        std::launch::async,
        [lines = std::move(lines), shown = std::move(shown), cancel = cancelOrbits_, cores] {
            BuiltOrbits built{BuildOrbits(lines, *cancel, cores), {}, {}};
            std::vector<cOrbit> orbits;
            orbits.reserve(shown.size());
            for (int i : shown)
                if (const auto& orbit = (*built.orbits)[i]) orbits.push_back(*orbit);
            if (orbits.size() == shown.size() && !cancel->load()) {
                built.tickSets = std::move(shown);
                built.tickBatch = std::make_shared<const cSgp4Batch>(std::move(orbits));
            }
            return built;
        });
}

void EarthTracks::CollectOrbits(bool wait) {
    if (!pendingOrbits_.valid()) return;
    if (!wait && pendingOrbits_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    BuiltOrbits built = pendingOrbits_.get();
    orbits_ = std::move(built.orbits);
    tickSets_ = std::move(built.tickSets);
    tickBatch_ = std::move(built.tickBatch);
    cancelOrbits_.reset();
}

void EarthTracks::WaitForOrbits() { CollectOrbits(true); }

TrackJob EarthTracks::PrepareTracks(const std::vector<SelectedSat>& selection,
                                    double julianDate) const {
    TrackJob job;
    job.orbits = orbits_;
    job.julianDate = julianDate;
    job.generation = generation_;
    if (records_.size() != selection.size() || !OrbitsReady()) return job;
    for (std::size_t i = 0; i < selection.size(); ++i)
        // Every shown satellite, so a track switched on later has one at once.
        if (selection[i].shown && (*orbits_)[i])
            job.indices.push_back(static_cast<int>(i));
    return job;
}

bool EarthTracks::ApplyTracks(const TrackResult& result) {
    if (result.generation != generation_) return false;
    for (const ComputedTrack& t : result.tracks) {
        TrackRecord& r = records_[t.index];
        r.past = t.past;
        r.future = t.future;
        r.pastStep = t.pastStep;
        r.futureStep = t.futureStep;
        r.trackAt = result.julianDate;
        r.hasTrack = true;
    }
    return true;
}

bool EarthTracks::TracksDue(const std::vector<SelectedSat>& selection, double julianDate) const {
    if (records_.size() != selection.size() || !OrbitsReady()) return false;
    for (std::size_t i = 0; i < selection.size(); ++i)
        if (selection[i].shown && selection[i].track && (*orbits_)[i] &&
            !TrackSpanHolds(records_[i], julianDate))
            return true;
    return false;
}

int EarthTracks::Update(const std::vector<SelectedSat>& selection, const ObserverLocation& home,
                        double julianDate, bool withTracks, int detailIndex) {
    CollectOrbits(false);
    if (records_.size() != selection.size() || !OrbitsReady()) return selection.empty() ? 0 : 1;
    const cSite site(home.latitude, home.longitude, home.altitudeMetres / 1000);
    // The current point and look angles of one state.
    auto place = [&](TrackRecord& r, cEci eci) {
        const cCoordTopo look = site.LookAngles(eci);
        const cCoordGeo geo = eci.ToGeodetic();
        r.now = {geo.lat, geo.lon, geo.alt};
        r.azimuth = look.az;
        r.elevation = look.el;
    };

    // The shown satellites at the three instants in one batch call.
    std::vector<int> shown;
    for (std::size_t i = 0; i < selection.size(); ++i)
        if (selection[i].shown && (*orbits_)[i]) shown.push_back(static_cast<int>(i));
    if (!tickBatch_ || shown != tickSets_) {
        std::vector<cOrbit> orbits;
        orbits.reserve(shown.size());
        for (int i : shown) orbits.push_back(*(*orbits_)[i]);
        tickBatch_ = std::make_shared<const cSgp4Batch>(std::move(orbits));
        tickSets_ = std::move(shown);
    }
    static const std::vector<double> kMinutesAfter = {0.0, -1.0, -2.0};
    tickBatch_->PropagateAt(cJulianDate::FromJd(julianDate), kMinutesAfter, tickStates_);
    const cSgp4BatchStates& s = tickStates_;
    const std::size_t n = tickSets_.size();
    // The minute-ago points of all of them through the vector geodetic loop; each at the
    // sidereal angle of its own instant, as the single propagation dates it.
    tickAgo_.resize(4 * 2 * n);
    tickAgoPoints_.resize(2 * n);
    double *x = tickAgo_.data(), *y = x + 2 * n, *z = y + 2 * n, *gmst = z + 2 * n;
    for (std::size_t k = 0; k < n; ++k) {
        const cOrbit& orbit = *(*orbits_)[tickSets_[k]];
        const double t = (julianDate - orbit.Epoch().Date()) * 1440.0;
        for (std::size_t m = 0; m < 2; ++m) {
            const std::size_t idx = s.Index(m + 1, k), at = 2 * k + m;
            x[at] = s.x[idx];
            y[at] = s.y[idx];
            z[at] = s.z[idx];
            cJulianDate date = orbit.Epoch();
            date.AddMin(t - 1.0 - m);
            gmst[at] = date.ToGmst();
        }
    }
    const GeoPoint* agoPoints = tickAgoPoints_.data();
    GeodeticPoints(x, y, z, gmst, 2 * n, tickAgoPoints_.data());
    for (std::size_t k = 0; k < n; ++k) {
        const int i = tickSets_[k];
        TrackRecord& r = records_[i];
        const cOrbit& orbit = *(*orbits_)[i];
        const std::size_t now = s.Index(0, k);
        if (s.status[now] == SGP4_BATCH_OK) {
            cJulianDate date = orbit.Epoch();
            date.AddMin((julianDate - orbit.Epoch().Date()) * 1440.0);
            place(r, cEci(cVector(s.x[now], s.y[now], s.z[now]),
                          cVector(s.vx[now], s.vy[now], s.vz[now]), date, false));
        }
        r.computed = true;
        r.at = julianDate;
        // The horizon's 36 points cost more than the position itself; only drawn ones.
        if (selection[i].radioHorizon) r.horizon = RadioHorizon(r.now.lat, r.now.lon, r.now.alt);
        r.oneMinuteAgo = s.status[s.Index(1, k)] == SGP4_BATCH_OK ? agoPoints[2 * k] : GeoPoint{};
        r.twoMinutesAgo = s.status[s.Index(2, k)] == SGP4_BATCH_OK ? agoPoints[2 * k + 1] : GeoPoint{};
    }

    // The detail satellite when not shown: its position for the status bar only.
    if (detailIndex >= 0 && static_cast<std::size_t>(detailIndex) < selection.size() &&
        !selection[detailIndex].shown && (*orbits_)[detailIndex]) {
        TrackRecord& r = records_[detailIndex];
        const cOrbit& orbit = *(*orbits_)[detailIndex];
        cEci eci;
        if (orbit.PositionAt((julianDate - orbit.Epoch().Date()) * 1440.0, eci)) place(r, eci);
        r.computed = true;
        r.at = julianDate;
    }
    if (withTracks) ApplyTracks(ComputeTracks(PrepareTracks(selection, julianDate)));
    return selection.empty() ? 0 : 1;
}

}  // namespace orvanta

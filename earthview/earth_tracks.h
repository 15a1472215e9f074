#pragma once
// Where each selected satellite is, was and will be on the world map: current point, the
// points one and two minutes ago, a third of an orbit behind, two and a half orbits ahead,
// and the radio horizon around it.
#include <array>
#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <optional>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings_records.h"
#include "orbit/orbit.h"
#include "orbit/sgp4_batch.h"

namespace orvanta {

struct GeoPoint {
    double lat = 0.0;  // radians, north positive
    double lon = 0.0;  // radians, east positive
    double alt = 0.0;  // km (not set for horizon points)
};

constexpr int PAST_TRACK_POINTS = 20;
constexpr int FUTURE_TRACK_POINTS = 200;
constexpr int HORIZON_POINTS = 36;

struct TrackRecord {
    GeoPoint now;
    GeoPoint oneMinuteAgo;
    GeoPoint twoMinutesAgo;
    // 10 x 10 box around the current marker, client pixels, refreshed by every paint.
    std::int32_t hitLeft = 0, hitTop = 0, hitRight = 0, hitBottom = 0;
    std::array<GeoPoint, PAST_TRACK_POINTS> past{};
    std::array<GeoPoint, FUTURE_TRACK_POINTS> future{};
    std::array<GeoPoint, HORIZON_POINTS> horizon{};
    double azimuth = 0.0;    // radians, from the home site
    double elevation = 0.0;  // radians
    bool computed = false;   // positions hold a result (satellites not shown are skipped)
    bool hasTrack = false;   // past and future hold a result
    double at = 0.0;         // Julian date of now, oneMinuteAgo and twoMinutesAgo
    // The track's own instant and point spacing (days): past[k] lies at
    // trackAt - (k + 1) * pastStep, future[k] at trackAt + (k + 1) * futureStep. A track is
    // kept while the time moves on, so a paint splits it at `at`, not at trackAt.
    double trackAt = 0.0, pastStep = 0.0, futureStep = 0.0;
};

// True while a computed track still serves the instant: jd lies between its first point and
// one revolution before its last, so at least an orbit ahead remains to be drawn.
bool TrackSpanHolds(const TrackRecord& record, double julianDate);

// The input of one track rebuild, safe to hand to another thread: the orbits are shared and
// never changed, the indices say which selection entries want a track.
struct TrackJob {
    std::shared_ptr<const std::vector<std::optional<cOrbit>>> orbits;
    std::vector<int> indices;
    double julianDate = 0.0;
    std::uint64_t generation = 0;  // the EarthTracks::Rebuild it was made after
};

struct ComputedTrack {
    int index = 0;
    std::array<GeoPoint, PAST_TRACK_POINTS> past{};
    std::array<GeoPoint, FUTURE_TRACK_POINTS> future{};
    double pastStep = 0.0, futureStep = 0.0;
};

struct TrackResult {
    std::vector<ComputedTrack> tracks;
    double julianDate = 0.0;
    std::uint64_t generation = 0;
};

// The 220 track points of every satellite in the job, split over `threads` threads.
TrackResult ComputeTracks(const TrackJob& job, int threads = 1);

// Ground range of the radio horizon, km: 6370 above 3157 km altitude, else
// 3.56 x 0.95 x sqrt(altitude in metres).
double RadioHorizonRangeKm(double altitudeKm);

// The 36 horizon points around a sub-satellite point (radians); point 35 closes the circle.
std::array<GeoPoint, HORIZON_POINTS> RadioHorizon(double lat, double lon, double altitudeKm);

// The per-second work of the map for the whole selection. Orbits are built once per
// selection; each update propagates only the satellites that are drawn (shown flag set)
// and the detail satellite, whose line the status bar shows.
class EarthTracks {
public:
    EarthTracks() = default;
    ~EarthTracks();
    EarthTracks(const EarthTracks&) = delete;
    EarthTracks& operator=(const EarthTracks&) = delete;

    // Rebuilds the records (zeroed) and orbits for a new selection or catalogue. In the
    // background the orbits are built on worker threads: until Update finds them done, the
    // records stay uncomputed, so nothing is drawn rather than the last selection's places.
    void Rebuild(const KeplerCatalogue& catalogue, const std::vector<SelectedSat>& selection,
                 bool background = false);
    // True once the orbits of the last Rebuild are in place.
    bool OrbitsReady() const { return orbits_->size() == records_.size(); }
    // Blocks until a background Rebuild has its orbits.
    void WaitForOrbits();

    // Recomputes every record at julianDate (UTC, offset included) from the home location.
    // With tracks also the 220 track points. Returns 1 when the selection is not empty.
    int Update(const std::vector<SelectedSat>& selection, const ObserverLocation& home,
               double julianDate, bool withTracks, int detailIndex);

    // The job for the tracks of every shown satellite with its track flag at julianDate.
    TrackJob PrepareTracks(const std::vector<SelectedSat>& selection, double julianDate) const;
    // Copies a finished job's tracks into the records; false (nothing copied) when the
    // records were rebuilt since the job was made.
    bool ApplyTracks(const TrackResult& result);
    // True when a shown satellite with its track flag has no track or one whose span the
    // time has left (the view then rebuilds the tracks).
    bool TracksDue(const std::vector<SelectedSat>& selection, double julianDate) const;

    // Shows the entries the satellite dialog added since the last call (all four display
    // flags 0; at the first call every such entry), names and horizons as the "all" checks
    // say. An entry hidden here before keeps its flags. Returns how many were shown.
    int ShowAddedSatellites(std::vector<SelectedSat>& selection, bool allNames, bool allHorizons);

    std::vector<TrackRecord>& Records() { return records_; }
    const std::vector<TrackRecord>& Records() const { return records_; }

private:
    using OrbitList = std::vector<std::optional<cOrbit>>;
    // Takes the orbits of a background Rebuild when they are done (or always, with wait).
    void CollectOrbits(bool wait);

    std::vector<TrackRecord> records_;
    // Empty where the satellite is not catalogued; shared with track jobs under way.
    std::shared_ptr<const std::vector<std::optional<cOrbit>>> orbits_ =
        std::make_shared<const std::vector<std::optional<cOrbit>>>();
    std::uint64_t generation_ = 0;
    struct BuiltOrbits {
        std::shared_ptr<const OrbitList> orbits;
        std::vector<int> tickSets;
        std::shared_ptr<const cSgp4Batch> tickBatch;
    };
    std::future<BuiltOrbits> pendingOrbits_;
    std::shared_ptr<std::atomic<bool>> cancelOrbits_;
    std::vector<std::int32_t> knownNumbers_;     // the selection at the last ShowAddedSatellites
    // The shown satellites (tickSets_) in one batch for the tick; rebuilt when they change.
    std::vector<int> tickSets_;
    std::shared_ptr<const cSgp4Batch> tickBatch_;
    cSgp4BatchStates tickStates_;
    std::vector<double> tickAgo_;  // x, y, z and sidereal angle of the minute-ago points
    std::vector<GeoPoint> tickAgoPoints_;
};

}  // namespace orvanta

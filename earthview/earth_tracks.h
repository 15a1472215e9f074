#pragma once
// Where each selected satellite is, was and will be on the world map: current point, the
// points one and two minutes ago, a third of an orbit behind, two and a half orbits ahead,
// and the radio horizon around it.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings_records.h"
#include "orbit/orbit.h"

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
};

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
    // Rebuilds the records and orbits (zeroed) for a new selection or catalogue.
    void Rebuild(const KeplerCatalogue& catalogue, const std::vector<SelectedSat>& selection);

    // Recomputes every record at julianDate (UTC, offset included) from the home location.
    // With tracks also the 220 track points. Returns 1 when the selection is not empty.
    int Update(const std::vector<SelectedSat>& selection, const ObserverLocation& home,
               double julianDate, bool withTracks, int detailIndex);

    // Shows the entries the satellite dialog added since the last call (all four display
    // flags 0; at the first call every such entry), names and horizons as the "all" checks
    // say. An entry hidden here before keeps its flags. Returns how many were shown.
    int ShowAddedSatellites(std::vector<SelectedSat>& selection, bool allNames, bool allHorizons);

    std::vector<TrackRecord>& Records() { return records_; }
    const std::vector<TrackRecord>& Records() const { return records_; }

private:
    std::vector<TrackRecord> records_;
    std::vector<std::optional<cOrbit>> orbits_;  // empty where the satellite is not catalogued
    std::vector<std::int32_t> knownNumbers_;     // the selection at the last ShowAddedSatellites
};

}  // namespace orvanta

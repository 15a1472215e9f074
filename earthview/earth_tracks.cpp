#include "earthview/earth_tracks.h"

#include <algorithm>
#include <cmath>

#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/site.h"

namespace orvanta {

namespace {

// 2 pi / 35: bearing step of the horizon, so point 35 lands on point 0.
constexpr double kHorizonStep = 0.17951958020513104;
// Nautical miles per radian of arc (180 x 60 / pi).
constexpr double kNauticalMilesPerRadian = 3437.7467707849396;

GeoPoint At(const cOrbit& orbit, double tsince) {
    cEci eci;
    if (!orbit.PositionAt(tsince, eci)) return {};
    const cCoordGeo geo = eci.ToGeodetic();
    return {geo.lat, geo.lon, geo.alt};
}

}  // namespace

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

void EarthTracks::Rebuild(const KeplerCatalogue& catalogue,
                          const std::vector<SelectedSat>& selection) {
    records_.assign(selection.size(), TrackRecord{});
    orbits_.clear();
    orbits_.reserve(selection.size());
    for (const SelectedSat& entry : selection) {
        const KeplerRecord* record = SelectedRecord(catalogue, entry);
        if (!record) {
            orbits_.emplace_back();
            continue;
        }
        orbits_.emplace_back(cOrbit(cElementSet(std::string(record->Name()),
                                                std::string(record->Line1()),
                                                std::string(record->Line2()))));
    }
}

int EarthTracks::Update(const std::vector<SelectedSat>& selection, const ObserverLocation& home,
                        double julianDate, bool withTracks, int detailIndex) {
    if (records_.size() != selection.size()) return selection.empty() ? 0 : 1;
    const cSite site(home.latitude, home.longitude, home.altitudeMetres / 1000);
    for (std::size_t i = 0; i < selection.size(); ++i) {
        TrackRecord& r = records_[i];
        const bool detail = static_cast<int>(i) == detailIndex;
        if (!orbits_[i] || (!selection[i].shown && !detail)) continue;
        const cOrbit& orbit = *orbits_[i];
        const double t = (julianDate - orbit.Epoch().Date()) * 1440.0;
        cEci eci;
        if (orbit.PositionAt(t, eci)) {
            const cCoordTopo look = site.LookAngles(eci);
            const cCoordGeo geo = eci.ToGeodetic();
            r.now = {geo.lat, geo.lon, geo.alt};
            r.azimuth = look.az;
            r.elevation = look.el;
        }
        r.computed = true;
        if (!selection[i].shown) continue;  // the detail line needs no more
        r.horizon = RadioHorizon(r.now.lat, r.now.lon, r.now.alt);
        r.oneMinuteAgo = At(orbit, t - 1.0);
        r.twoMinutesAgo = At(orbit, t - 2.0);
        if (withTracks) {
            const double minutes = orbit.Period() / 60.0;
            const double pastStep = minutes / 3.0 / PAST_TRACK_POINTS;
            const double futureStep = minutes * 2.5 / FUTURE_TRACK_POINTS;
            for (int k = 0; k < PAST_TRACK_POINTS; ++k) r.past[k] = At(orbit, t - (k + 1) * pastStep);
            for (int k = 0; k < FUTURE_TRACK_POINTS; ++k)
                r.future[k] = At(orbit, t + (k + 1) * futureStep);
            r.hasTrack = true;
        }
    }
    return selection.empty() ? 0 : 1;
}

}  // namespace orvanta

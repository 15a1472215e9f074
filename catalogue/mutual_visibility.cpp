#include "catalogue/mutual_visibility.h"

#include <algorithm>
#include <cmath>

#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"

namespace orvanta {

namespace {

constexpr double kSecPerDay = 86400.0;
constexpr double kPi = 3.14159265358979323846;

bool NormalEnd(SatelliteSearchEnd e) {
    return e == SatelliteSearchEnd::COMPLETE || e == SatelliteSearchEnd::UNTIL_REACHED ||
           e == SatelliteSearchEnd::NO_FURTHER_PASS;
}

// Elevation in degrees at a time given in seconds after a fixed Julian date; the time is
// kept as an offset so a millisecond is not lost in the Julian date's digits.
class ElevationProbe {
public:
    ElevationProbe(const cOrbit& orbit, const ObserverLocation& o, double baseJd)
        : orbit_(orbit),
          // Whole kilometres, as the pass search takes them.
          site_(o.latitude, o.longitude, static_cast<double>(o.altitudeMetres / 1000)),
          t0_((baseJd - orbit.Epoch().Date()) * 1440.0) {}

    double At(double seconds) const {
        cEci eci;
        if (!orbit_.PositionAt(t0_ + seconds / 60.0, eci)) return -90.0;
        return site_.LookAngles(eci).el * 180.0 / kPi;
    }

    // Highest elevation on [a, b] seconds: a scan finds the best sample, a golden-section
    // search between its neighbours the peak (or the edge, when the track only climbs).
    // A window's elevation has one hump, so a few dozen samples find it even over hours.
    double MaxOn(double a, double b) const {
        if (b <= a) return At(a);
        const int steps = std::clamp(static_cast<int>(std::ceil((b - a) / 30.0)), 8, 200);
        const double h = (b - a) / steps;
        int best = 0;
        double bestEl = -1e9;
        for (int i = 0; i <= steps; ++i) {
            const double el = At(a + i * h);
            if (el > bestEl) bestEl = el, best = i;
        }
        double lo = std::max(a, a + (best - 1) * h), hi = std::min(b, a + (best + 1) * h);
        const double g = 0.5 * (std::sqrt(5.0) - 1.0);
        double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
        double f1 = At(x1), f2 = At(x2);
        while (hi - lo > 1e-3) {
            if (f1 < f2) {
                lo = x1, x1 = x2, f1 = f2;
                x2 = lo + g * (hi - lo), f2 = At(x2);
            } else {
                hi = x2, x2 = x1, f2 = f1;
                x1 = hi - g * (hi - lo), f1 = At(x1);
            }
        }
        return std::max({bestEl, f1, f2, At(lo), At(hi)});
    }

private:
    const cOrbit& orbit_;
    cSite site_;
    double t0_;
};

}  // namespace

MutualSearchResult FindMutualWindows(const PassSearchSatellite& satellite,
                                     const ObserverLocation& here, const ObserverLocation& there,
                                     double now, double untilJd,
                                     const std::function<void(int, const std::string&)>& log) {
    MutualSearchResult result;
    if (!(untilJd > now)) return result;
    const cOrbit orbit(cElementSet(satellite.name, satellite.line1, satellite.line2));
    // Every pass before untilJd: at most two a revolution (eccentric orbits), one more for a
    // pass in progress; revolutions shorter than 80 min do not stay in orbit.
    const double period = std::max(orbit.Period(), 4800.0);
    const double span = (untilJd - now) * kSecPerDay;
    const int slots = static_cast<int>(std::min(2.0 * std::ceil(span / period) + 2.0, 100000.0));

    std::vector<PassRecord> passes[2];
    const ObserverLocation* sites[2] = {&here, &there};
    for (int s = 0; s < 2; ++s) {
        SatelliteSearchContext ctx;
        ctx.now = now;
        ctx.observer = *sites[s];
        ctx.options.passesPerSatellite = slots;
        ctx.options.untilJd = untilJd;
        ctx.options.reportNvs = s == 0;  // one "not visible" line, not two
        if (log) ctx.log = log;
        passes[s].assign(static_cast<std::size_t>(slots), PassRecord{});
        const SatelliteSearchResult r = SearchSatellitePasses(satellite, 0, ctx, passes[s].data());
        if (!NormalEnd(r.end) && result.end == SatelliteSearchEnd::COMPLETE) result.end = r.end;
        passes[s].resize(static_cast<std::size_t>(r.passes));
    }

    const ElevationProbe probeHere(orbit, here, now), probeThere(orbit, there, now);
    std::size_t i = 0, j = 0;
    while (i < passes[0].size() && j < passes[1].size()) {
        const PassRecord& a = passes[0][i];
        const PassRecord& b = passes[1][j];
        const double start = std::max(a.aos, b.aos), end = std::min(a.los, b.los);
        if (start < end && start <= untilJd) {
            MutualWindow w;
            w.start = start;
            w.end = end;
            // The seconds both sites see it: from the later rise to the last second before
            // the earlier set, as offsets on the search's own one-second grid.
            const double s0 = std::round((start - now) * kSecPerDay);
            const double s1 = std::max(s0, std::round((end - now) * kSecPerDay) - 1.0);
            w.maxElevationHere = probeHere.MaxOn(s0, s1);
            w.maxElevationThere = probeThere.MaxOn(s0, s1);
            result.windows.push_back(w);
        }
        (a.los < b.los ? i : j)++;
    }
    return result;
}

bool PassSeenFromBoth(const PassSearchSatellite& satellite, const PassRecord& pass,
                      const ObserverLocation& here, const ObserverLocation& there) {
    if (pass.IsEmpty() || !(pass.los > pass.aos)) return false;
    return !FindMutualWindows(satellite, here, there, pass.aos, pass.los).windows.empty();
}

}  // namespace orvanta

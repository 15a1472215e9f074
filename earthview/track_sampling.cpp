#include "earthview/track_sampling.h"

#include <algorithm>
#include <cmath>

#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/sgp4_batch_math.h"

// An AVX2 copy of the geodetic loop where the toolchain dispatches at load time, as in the
// batch propagator; the baseline copy elsewhere.
#if defined(__GNUC__) && defined(__linux__) && defined(__x86_64__)
#define ORVANTA_TRACK_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORVANTA_TRACK_CLONES
#endif

namespace orvanta {

namespace {

// Sidereal rotation of the Earth, radians per minute.
constexpr double kEarthRadPerMinute = TWOPI * EARTH_ROT_PER_DAY / 1440.0;

// Knots of `count` points stepping from point 0: every stride-th point and the last.
void AddKnots(int count, int stride, double t0, double step, std::vector<double>& knots) {
    knots.push_back(t0);
    for (int j = 0; j < count; j += stride)
        knots.push_back(t0 + (j + std::min(stride, count - j)) * step);
}

// Positions of the count points after knot `first`; ok says whether both knots around a
// point succeeded.
void Interpolate(const cSgp4BatchStates& s, std::size_t first, int count, int stride, double step,
                 double gmst0, TrackScratch& w) {
    w.x.resize(count);
    w.y.resize(count);
    w.z.resize(count);
    w.gmst.resize(count);
    w.ok.resize(count);
    std::size_t a = first;
    for (int j = 0; j < count; j += stride) {
        const int span = std::min(stride, count - j);
        const std::size_t b = a + 1;
        const bool ok = s.status[a] == SGP4_BATCH_OK && s.status[b] == SGP4_BATCH_OK;
        const double dt = span * step * 60.0;
        for (int k = 1; k <= span; ++k) {
            const int p = j + k - 1;
            const double u = static_cast<double>(k) / span, u2 = u * u, u3 = u2 * u;
            const double h00 = 2 * u3 - 3 * u2 + 1, h10 = (u3 - 2 * u2 + u) * dt;
            const double h01 = -2 * u3 + 3 * u2, h11 = (u3 - u2) * dt;
            w.x[p] = h00 * s.x[a] + h10 * s.vx[a] + h01 * s.x[b] + h11 * s.vx[b];
            w.y[p] = h00 * s.y[a] + h10 * s.vy[a] + h01 * s.y[b] + h11 * s.vy[b];
            w.z[p] = h00 * s.z[a] + h10 * s.vz[a] + h01 * s.z[b] + h11 * s.vz[b];
            w.gmst[p] = gmst0 + (j + k) * step * kEarthRadPerMinute;
            w.ok[p] = ok;
        }
        a = b;
    }
}

void Series(const cSgp4BatchStates& s, std::size_t first, int count, int stride, double step,
            double gmst0, TrackScratch& w, GeoPoint* out) {
    Interpolate(s, first, count, stride, step, gmst0, w);
    GeodeticPoints(w.x.data(), w.y.data(), w.z.data(), w.gmst.data(), count, out);
    for (int p = 0; p < count; ++p)
        if (!w.ok[p]) out[p] = {};
}

}  // namespace

ORVANTA_TRACK_CLONES void GeodeticPoints(const double* __restrict x, const double* __restrict y,
                                         const double* __restrict z, const double* __restrict gmst,
                                         std::size_t n, GeoPoint* __restrict out) {
    for (std::size_t i = 0; i < n; ++i) {
        const double xi = x[i], yi = y[i], zi = z[i];
        const double lon = sgp4batch::Fmod2p(sgp4batch::AcTan(yi, xi) - gmst[i]);
        const double r = std::sqrt(xi * xi + yi * yi);
        const double d = std::sqrt(r * r + zi * zi);
        // The divisor is never negative, so the arc tangent of the quotient is atan2's.
        const double lat = sgp4batch::Atan(zi / (r * (1.0 - E2 * XKMPER / d)));
        const double alt = d - XKMPER * (1.0 - F * zi * zi / (d * d));
        const bool centre = d == 0.0;
        out[i].lat = centre ? 0.0 : lat;
        out[i].lon = lon;
        out[i].alt = centre ? -XKMPER : alt;
    }
}

void SampleTracks(const cSgp4Batch& batch, std::size_t set, const cOrbit& orbit, double julianDate,
                  ComputedTrack& out, TrackScratch& w) {
    const double t = (julianDate - orbit.Epoch().Date()) * 1440.0;
    const double minutes = orbit.Period() / 60.0;
    const double pastStep = minutes / 3.0 / PAST_TRACK_POINTS;
    const double futureStep = minutes * 2.5 / FUTURE_TRACK_POINTS;
    const double gmst = cJulianDate::FromJd(julianDate).ToGmst();
    // An eccentric orbit sweeps its perigee too fast for the interpolation: every point.
    const int stride = orbit.Elements().FieldValue(FLD_E, U_RAD) < 0.1 ? 4 : 1;
    w.knots.clear();
    AddKnots(PAST_TRACK_POINTS, stride, t, -pastStep, w.knots);
    const std::size_t futureFirst = w.knots.size();
    AddKnots(FUTURE_TRACK_POINTS, stride, t, futureStep, w.knots);
    batch.PropagateSet(set, w.knots, w.states);
    Series(w.states, 0, PAST_TRACK_POINTS, stride, -pastStep, gmst, w, out.past.data());
    Series(w.states, futureFirst, FUTURE_TRACK_POINTS, stride, futureStep, gmst, w,
           out.future.data());
    out.pastStep = pastStep / 1440.0;
    out.futureStep = futureStep / 1440.0;
}

}  // namespace orvanta

// The pass details table: one propagation a row, the look angles from the site, sunlight
// and brightness by the same model as the pass search's visibility fields.
#include "catalogue/pass_details.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "astro/sun_moon.h"
#include "catalogue/pass_visibility.h"
#include "catalogue/std_magnitude.h"
#include "orbit/globals.h"
#include "orbit/julian_date.h"
#include "orbit/orbit.h"
#include "orbit/site.h"

namespace orvanta {

namespace {

constexpr double kSpeedOfLightKmS = 299792.458;
constexpr double kMaxRows = 1e6;
constexpr double kDeg = PI / 180.0;

double Dot(const cVector& a, const cVector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

double DefaultPassDetailStep(double aosJd, double losJd) {
    return (losJd - aosJd) * SEC_PER_DAY < 1800.0 ? 10.0 : 60.0;
}

double PassTickSpacing(double aosJd, double losJd) {
    const double hours = (losJd - aosJd) * 24.0;
    const double minutes = hours < 0.5  ? 1
                           : hours < 4  ? 10
                           : hours < 24 ? 60
                           : hours < 96 ? 360
                                        : 1440;
    return minutes / 1440.0;
}

double PassHighlightTime(const PassRecord& pass, const std::vector<PassDetailRow>& rows) {
    const auto inside = [&](double t) { return t >= pass.aos && t <= pass.los; };
    if (pass.brightestTime != 0.0 && inside(pass.brightestTime)) return pass.brightestTime;
    if (pass.culmination != 0.0 && inside(pass.culmination)) return pass.culmination;
    const auto top = std::max_element(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.elevation < b.elevation;
    });
    return top != rows.end() ? top->time : pass.aos;
}

bool ComputePassDetails(const cElementSet& elements, const PassDetailsRequest& request,
                        std::vector<PassDetailRow>& rows) {
    rows.clear();
    const double step = request.stepSeconds;
    const double span = (request.losJd - request.aosJd) * SEC_PER_DAY;
    if (!(step > 0.0) || !(span >= 0.0) || span / step + 1.0 > kMaxRows) return false;

    const cOrbit orbit(elements);
    const ObserverLocation& obs = request.observer;
    // Whole kilometres, as the pass search builds its site, so AOS and LOS agree.
    const cSite site(obs.latitude, obs.longitude, static_cast<double>(obs.altitudeMetres / 1000));
    const AstroSite astroSite(obs.latitude, obs.longitude);
    const std::optional<double> stdMag = StandardMagnitude(elements.CatalogueNumber());
    const double tsinceAos = (request.aosJd - orbit.Epoch().Date()) * MIN_PER_DAY;

    auto row = [&](double seconds, double jd) {
        cEci eci;
        if (!orbit.PositionAt(tsinceAos + seconds / 60.0, eci) || eci.Units() != UNITS_KM)
            return false;
        const cCoordTopo topo = site.LookAngles(eci);
        PassDetailRow r;
        r.time = jd;
        r.azimuth = topo.az / kDeg;
        r.elevation = topo.el / kDeg;
        r.rangeKm = topo.range;
        r.rangeRateKmS = topo.rangeRate;
        if (!std::isfinite(r.azimuth + r.elevation + r.rangeKm + r.rangeRateKmS)) return false;
        if (request.frequencyHz)
            r.dopplerHz = -*request.frequencyHz * topo.rangeRate / kSpeedOfLightKmS;

        const cVector sun = SunPositionKm(jd);
        const cVector& p = eci.Pos();
        const Sunlight light = SunlightAt(p, sun);
        r.sunlit = light.Sunlit();
        double sunAz = 0.0, sunEl = 0.0;
        if (stdMag && r.sunlit) SunHorizontal(jd, astroSite, sunAz, sunEl);
        if (stdMag && r.sunlit && sunEl < VISIBLE_SUN_LIMIT_DEG) {
            // Phase angle at the satellite between the Sun and the observer.
            const cVector toSun(sun.x - p.x, sun.y - p.y, sun.z - p.z);
            const cVector toSite = site.GetRangeVector(eci);
            const double c =
                -Dot(toSun, toSite) / std::sqrt(Dot(toSun, toSun) * Dot(toSite, toSite));
            double m = ApparentMagnitude(*stdMag, topo.range, std::acos(std::clamp(c, -1.0, 1.0)));
            // In the penumbra only part of the Sun's disc lights it.
            if (light.fraction < 1.0) m -= 2.5 * std::log10(light.fraction);
            if (std::isfinite(m)) r.magnitude = m;
        }
        rows.push_back(r);
        return true;
    };

    // Each time from AOS, not by summing steps; a step landing within a millisecond of LOS
    // is LOS itself.
    for (long k = 0;; ++k) {
        const double seconds = static_cast<double>(k) * step;
        if (seconds > span - 1e-3) break;
        if (!row(seconds, request.aosJd + seconds / SEC_PER_DAY)) {
            rows.clear();
            return false;
        }
    }
    if (!row(span, request.losJd)) {
        rows.clear();
        return false;
    }
    return true;
}

std::string PassDetailsCsv(const std::vector<PassDetailRow>& rows) {
    const auto fixed = [](double v, int decimals) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return std::string(buf);
    };
    std::string out =
        "time_utc,azimuth,elevation,range_km,range_rate_kms,doppler_hz,magnitude,"
        "sunlit\n";
    for (const PassDetailRow& r : rows) {
        out += FormatIsoUtcSeconds(r.time) + ',' + fixed(r.azimuth, 2) + ',' +
               fixed(r.elevation, 2) + ',' + fixed(r.rangeKm, 8) + ',' + fixed(r.rangeRateKmS, 8) +
               ',' + (r.dopplerHz ? std::to_string(std::llround(*r.dopplerHz)) : "") + ',' +
               (r.magnitude ? fixed(*r.magnitude, 1) : "") + ',' + (r.sunlit ? '1' : '0') + '\n';
    }
    return out;
}

}  // namespace orvanta

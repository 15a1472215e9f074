#include "orbit/site_look_batch.h"

#include <cmath>

#include "orbit/globals.h"
#include "orbit/sgp4_batch_math.h"

namespace orvanta {

namespace {

// The same steps as cJulianDate::ToGmst and ToLmst and cSiteFrame::LookWithoutAzimuth.
ORVANTA_LANE_CLONES void Looks(const cSiteFrame& f, std::size_t n, const double* __restrict jd,
                               const double* __restrict px, const double* __restrict py,
                               const double* __restrict pz, double* __restrict sinTheta,
                               double* __restrict cosTheta, double* __restrict south,
                               double* __restrict east, double* __restrict up,
                               double* __restrict range, double* __restrict el) {
    const double lon = f.lon, sinLat = f.sinLat, cosLat = f.cosLat;
    const double axis = f.axisKm, height = f.heightKm;
    for (std::size_t i = 0; i < n; ++i) {
        const double date = jd[i];
        // FmodWhole(date + 0.5, 1.0) and FmodWhole(g, SEC_PER_DAY) for dates of this era.
        const double half = date + 0.5;
        const double ut = half - sgp4batch::Floor(half);
        const double tu = (date - J2000_JD - ut) / 36525.0;
        double g = 24110.54841 + tu * (8640184.812866 + tu * (0.093104 - tu * 6.2e-6));
        g = g + SEC_PER_DAY * EARTH_ROT_PER_DAY * ut;
        g = g - sgp4batch::Floor(g / SEC_PER_DAY) * SEC_PER_DAY;
        g = g < 0.0 ? g + SEC_PER_DAY : g;
        const double v = TWOPI * g / SEC_PER_DAY + lon;  // in [-pi, 3 pi)
        const double theta = v >= TWOPI ? v - TWOPI : v;
        double st, ct;
        sgp4batch::SinCos(theta, st, ct);
        const double ox = axis * ct, oy = axis * st;
        const double rx = px[i] - ox, ry = py[i] - oy, rz = pz[i] - height;
        const double r = std::sqrt(rx * rx + ry * ry + rz * rz);
        const double topZ = cosLat * ct * rx + cosLat * st * ry + sinLat * rz;
        const double q = topZ / r;
        const double s = q < -1.0 ? -1.0 : (q > 1.0 ? 1.0 : q);
        sinTheta[i] = st;
        cosTheta[i] = ct;
        south[i] = sinLat * ct * rx + sinLat * st * ry - cosLat * rz;
        east[i] = -st * rx + ct * ry;
        up[i] = topZ;
        range[i] = r;
        // asin s = atan(s / cos), the cosine from (1 - s)(1 + s): exact near the zenith.
        el[i] = sgp4batch::Atan(s / std::sqrt((1.0 - s) * (1.0 + s)));
    }
}

}  // namespace

void cSiteLooks::Clear() {
    for (auto* v : {&jd, &x, &y, &z}) v->clear();
}

void cSiteLooks::Add(double julianDate, double px, double py, double pz) {
    jd.push_back(julianDate);
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
}

void LookFromSite(const cSiteFrame& frame, cSiteLooks& looks) {
    const std::size_t n = looks.Size();
    for (auto* v : {&looks.sinTheta, &looks.cosTheta, &looks.south, &looks.east, &looks.up,
                    &looks.range, &looks.el})
        v->resize(n);
    Looks(frame, n, looks.jd.data(), looks.x.data(), looks.y.data(), looks.z.data(),
          looks.sinTheta.data(), looks.cosTheta.data(), looks.south.data(), looks.east.data(),
          looks.up.data(), looks.range.data(), looks.el.data());
}

}  // namespace orvanta

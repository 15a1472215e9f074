// Equatorial to horizontal coordinates for the observer, and the proximity box.
#include <cmath>

#include "astro/astro_detail.h"
#include "astro/sun_moon.h"

namespace orvanta {

using namespace astro_detail;

AstroSite::AstroSite(double latitudeDeg, double longitudeDeg)
    : latDeg_(latitudeDeg),
      lonDeg_(longitudeDeg),
      sinLat_(std::sin(latitudeDeg * DEG)),
      cosLat_(std::cos(latitudeDeg * DEG)) {}

AstroSite AstroSite::FromRadians(double latitudeRad, double longitudeRad) {
    return AstroSite(latitudeRad * INV_DEG, longitudeRad * INV_DEG);
}

void EquatorialToHorizontal(double ra, double dec, double gastDeg, const AstroSite& site,
                            double& az, double& el) {
    const double h = (gastDeg + site.LongitudeDeg() - ra) * DEG;
    const double d = dec * DEG;
    const double sinH = std::sin(h);
    const double cosH = std::cos(h);
    az = std::atan2(sinH, cosH * site.SinLat() - std::tan(d) * site.CosLat()) * INV_DEG + 180.0;
    // atan2 gives -180 for a negative zero sine; azimuth is never 0, due north is 360.
    if (az <= 0.0) az += 360.0;
    el = std::asin(site.SinLat() * std::sin(d) + site.CosLat() * std::cos(d) * cosH) * INV_DEG;
}

void SunHorizontal(double jd, const AstroSite& site, double& az, double& el) {
    double ra, dec;
    SunEquatorial(jd, ra, dec);
    EquatorialToHorizontal(ra, dec, ApparentSiderealTime(jd), site, az, el);
}

void MoonHorizontal(double jd, const AstroSite& site, double& az, double& el, double& distanceKm) {
    double ra, dec;
    MoonEquatorial(jd, ra, dec, distanceKm);
    EquatorialToHorizontal(ra, dec, ApparentSiderealTime(jd), site, az, el);
}

bool WithinBox(double az1, double el1, double az2, double el2, double tol) {
    if (az1 > 360.0 - tol) az1 -= 360.0;
    if (az2 > 360.0 - tol) az2 -= 360.0;
    return std::fabs(az1 - az2) < tol && std::fabs(el1 - el2) < tol;
}

}  // namespace orvanta

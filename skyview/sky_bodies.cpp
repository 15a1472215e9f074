#include "skyview/sky_bodies.h"

#include <algorithm>
#include <cmath>

#include "astro/sun_moon.h"

namespace orvanta {

namespace {

constexpr double kAuKm = 149597870.7;

double Rad(double deg) {
    return DegToRadians(deg);
}

double Deg(double rad) {
    return rad * 180.0 / 3.14159265358979323846;
}

// The point dist degrees from (ra, dec) at position angle pa (from north through east).
void OffsetByPositionAngle(double ra, double dec, double pa, double dist, double& ra2,
                           double& dec2) {
    const double d = Rad(dist), p = Rad(pa), de = Rad(dec);
    const double sinDec2 = std::sin(de) * std::cos(d) + std::cos(de) * std::sin(d) * std::cos(p);
    dec2 = Deg(std::asin(sinDec2));
    ra2 = ra + Deg(std::atan2(std::sin(p) * std::sin(d) * std::cos(de),
                              std::cos(d) - std::sin(de) * sinDec2));
}

}  // namespace

MoonPhase MoonPhaseAt(double jd) {
    double sunRa = 0, sunDec = 0, moonRa = 0, moonDec = 0, moonKm = 0;
    SunEquatorial(jd, sunRa, sunDec);
    MoonEquatorial(jd, moonRa, moonDec, moonKm);
    const double a0 = Rad(sunRa), d0 = Rad(sunDec), a = Rad(moonRa), d = Rad(moonDec);
    // Geocentric elongation (48.2), phase angle (48.3) with the Sun at one astronomical
    // unit (its distance changes k by less than 0.0002), fraction (48.1), limb (48.5).
    const double cosPsi =
        std::sin(d0) * std::sin(d) + std::cos(d0) * std::cos(d) * std::cos(a0 - a);
    const double psi = std::acos(std::clamp(cosPsi, -1.0, 1.0));
    const double i = std::atan2(kAuKm * std::sin(psi), moonKm - kAuKm * std::cos(psi));
    MoonPhase out;
    out.illuminated = (1.0 + std::cos(i)) / 2.0;
    double chi = Deg(std::atan2(std::cos(d0) * std::sin(a0 - a),
                                std::sin(d0) * std::cos(d) - std::cos(d0) * std::sin(d) * std::cos(a0 - a)));
    NormalizeDegrees(chi);
    out.brightLimbDeg = chi;
    return out;
}

std::optional<MoonOnChart> MoonChartPlace(double jd, double latDeg, double lonDeg, int heading,
                                          int width, int height, std::int32_t projection) {
    double ra = 0, dec = 0, km = 0;
    MoonEquatorial(jd, ra, dec, km);
    const AstroSite site(latDeg, lonDeg);
    const double gast = ApparentSiderealTime(jd);
    double az = 0, el = 0;
    EquatorialToHorizontal(ra, dec, gast, site, az, el);
    if (!(el > 0.0)) return std::nullopt;
    const auto centre = Project(Rad(az + heading), Rad(el), width, height, projection);
    if (!centre) return std::nullopt;
    const MoonPhase phase = MoonPhaseAt(jd);
    // The bright limb's direction on the screen: a point a little way from the Moon
    // towards it, projected like the Moon, so every projection's mirroring and the heading
    // come out right. Real-valued, as pixel rounding would swamp a small step.
    double ra2 = 0, dec2 = 0, az2 = 0, el2 = 0;
    OffsetByPositionAngle(ra, dec, phase.brightLimbDeg, 2.0, ra2, dec2);
    EquatorialToHorizontal(ra2, dec2, gast, site, az2, el2);
    auto screen = [&](double azDeg, double elDeg, double& x, double& y) {
        const double r = SkyRadius(Rad(elDeg), projection);
        const double s = std::sin(Rad(azDeg + heading)) * r * width * 0.5;
        x = IsNeswProjection(projection) ? s : -s;
        y = -std::cos(Rad(azDeg + heading)) * r * height * 0.5;
    };
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    screen(az, el, x1, y1);
    screen(az2, el2, x2, y2);
    MoonOnChart out;
    out.centre = *centre;
    out.illuminated = phase.illuminated;
    out.limbScreenAngle = std::atan2(y2 - y1, x2 - x1);
    return out;
}

std::optional<double> VisibleStarLimit(double magLimit, double sunElevation, bool realSky) {
    if (!realSky || sunElevation <= -6.0) return magLimit;
    if (sunElevation > 0.0) return std::nullopt;
    const double sunset = std::min(magLimit, 1.0);
    return magLimit + (sunset - magLimit) * (sunElevation + 6.0) / 6.0;
}

bool OverlapsAny(const PixelBox& b, const std::vector<PixelBox>& others) {
    return std::any_of(others.begin(), others.end(), [&](const PixelBox& o) {
        return b.left < o.right && o.left < b.right && b.top < o.bottom && o.top < b.bottom;
    });
}

std::optional<ClearLabels> PlaceLabelsClear(int x, int y, int tw, int rw, int th, int width,
                                            int height, const std::vector<PixelBox>& occupied) {
    const int lines = (tw > 0 ? 1 : 0) + (rw > 0 ? 1 : 0);
    if (lines == 0) return ClearLabels{};
    const int w = std::max(tw, rw);
    const LabelPlacement first = PlaceSatelliteLabels(x, y, tw, th, width, height);
    const int above = static_cast<int>(y - 1.5 * th), aboveRange = static_cast<int>(y - 2.5 * th);
    const int beside = y - th / 2, besideRange = y + th / 2;
    const int gap = w / 2 + 7;  // clear of the 8-pixel marker
    const LabelPlacement candidates[] = {
        first,
        {{x, above}, {x, aboveRange}},
        {{x + gap, beside}, {x + gap, besideRange}},
        {{x - gap, beside}, {x - gap, besideRange}},
    };
    for (const LabelPlacement& c : candidates) {
        int top = c.name.y, bottom = c.name.y + th;
        if (rw > 0) {
            top = tw > 0 ? std::min(top, c.range.y) : c.range.y;
            bottom = tw > 0 ? std::max(bottom, c.range.y + th) : c.range.y + th;
        }
        const PixelBox box{c.name.x - w / 2, top, c.name.x + (w + 1) / 2, bottom};
        if (box.left < 0 || box.top < 0 || box.right > width || box.bottom > height) continue;
        if (OverlapsAny(box, occupied)) continue;
        return ClearLabels{c, box};
    }
    return std::nullopt;
}

}  // namespace orvanta

#include "catalogue/flare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "orbit/globals.h"

namespace orvanta {

namespace {

// Satellites that carry "IRIDIUM" in their name but do not flare (failed or tumbling).
constexpr std::string_view kNonFlaring[] = {
    "IRIDIUM 73",  "IRIDIUM 69",  "IRIDIUM 24", "IRIDIUM 71",  "IRIDIUM 2",
    "IRIDIUM 914", "IRIDIUM 911", "IRIDIUM 16", "IRIDIUM 920", "IRIDIUM 921",
    "IRIDIUM 44",  "IRIDIUM 38",  "IRIDIUM 17",
};

// The second generation (from 2017) has no flat mirror-like antennas.
constexpr int kFirstNonFlaringLaunchYear = 2017;

struct V3 {
    double x, y, z;
};
V3 Of(const cVector& v) {
    return {v.x, v.y, v.z};
}
double Dot(const V3& a, const V3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(const V3& a, const V3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Norm(const V3& a) {
    return std::sqrt(Dot(a, a));
}
V3 Scaled(const V3& a, double f) {
    return {a.x * f, a.y * f, a.z * f};
}

}  // namespace

int LaunchYear(std::string_view designator) {
    std::size_t i = 0;
    while (i < designator.size() && designator[i] == ' ') ++i;
    if (designator.size() < i + 2) return 0;
    const char a = designator[i], b = designator[i + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return 0;
    const int yy = (a - '0') * 10 + (b - '0');
    return yy < 57 ? 2000 + yy : 1900 + yy;
}

bool IsFlareCandidate(std::string_view name, std::string_view internationalDesignator) {
    if (name.find("IRIDIUM") == std::string_view::npos) return false;
    for (std::string_view excluded : kNonFlaring)
        if (name == excluded) return false;
    const int year = LaunchYear(internationalDesignator);
    if (year >= kFirstNonFlaringLaunchYear) return false;
    return true;
}

double FlareSeparation(const cVector& pos, const cVector& vel, const cVector& lineOfSight,
                       double sunRaDeg, double sunDecDeg, double tiltDeg, double antennaAzDeg,
                       bool* facesObserver) {
    const V3 p = Of(pos), v = Of(vel), g = Of(lineOfSight);
    const V3 vHat = Scaled(v, 1.0 / Norm(v));
    const V3 pxv = Cross(p, v);
    const V3 nHat = Scaled(pxv, 1.0 / Norm(pxv));
    V3 zHat = Cross(vHat, nHat);
    zHat = Scaled(zHat, 1.0 / Norm(zHat));

    const double tau = DegToRad(tiltDeg), a = DegToRad(antennaAzDeg);
    const double ct = std::cos(tau), st = std::sin(tau), ca = std::cos(a), sa = std::sin(a);
    const V3 m = {ct * (ca * vHat.x - sa * nHat.x) + st * zHat.x,
                  ct * (ca * vHat.y - sa * nHat.y) + st * zHat.y,
                  ct * (ca * vHat.z - sa * nHat.z) + st * zHat.z};

    const double gm = Dot(g, m);
    if (facesObserver) *facesObserver = !(-gm < 0.0);
    // Mirror the line of sight in the antenna plane.
    const V3 r = {g.x - 2.0 * gm * m.x, g.y - 2.0 * gm * m.y, g.z - 2.0 * gm * m.z};
    const double ra1 = std::atan2(r.y, r.x);
    const double dec1 = std::asin(std::clamp(r.z / Norm(r), -1.0, 1.0));
    const double ra2 = DegToRad(sunRaDeg), dec2 = DegToRad(sunDecDeg);

    const double d = ra2 - ra1;
    const double sd1 = std::sin(dec1), cd1 = std::cos(dec1);
    const double sd2 = std::sin(dec2), cd2 = std::cos(dec2);
    const double y1 = cd2 * std::sin(d);
    const double y2 = cd1 * sd2 - sd1 * cd2 * std::cos(d);
    double sep = std::atan2(std::sqrt(y1 * y1 + y2 * y2), sd1 * sd2 + cd1 * cd2 * std::cos(d));
    // atan2 of a non-negative ordinate already lies in [0, pi]; keep the documented range.
    while (sep > TWOPI) sep -= TWOPI;
    while (sep <= -TWOPI) sep += TWOPI;
    return RadToDeg(sep);
}

double FlareAngle(const cVector& pos, const cVector& vel, const cVector& lineOfSight,
                  double sunRaDeg, double sunDecDeg, double tiltDeg, double antennaAzDeg) {
    bool faces = false;
    const double sep =
        FlareSeparation(pos, vel, lineOfSight, sunRaDeg, sunDecDeg, tiltDeg, antennaAzDeg, &faces);
    return faces ? sep : 180.0;
}

double FlareMagnitude(double s) {
    if (s == 0.0) s = 1e-10;
    const double m = 2.071 * std::log(s) - 1.6716;
    return std::clamp(m, -8.0, 1.0);
}

void FlareTracker::Reset() {
    smallest_.fill(0.0);
}

FlareTracker::Event FlareTracker::Step(double jd, const Geometry& g, PassRecord& record,
                                       const FlareEnded& ended) {
    std::array<double, FLARE_ANTENNAS> theta{};
    for (int i = 0; i < FLARE_ANTENNAS; ++i)
        theta[i] = FlareAngle(g.pos, g.vel, g.lineOfSight, g.sunRaDeg, g.sunDecDeg,
                              FLARE_ANTENNA_TILT_DEG, FLARE_ANTENNA_AZIMUTH_DEG[i]);
    return StepAngles(jd, theta, g, record, ended);
}

FlareTracker::Event FlareTracker::StepAngles(double jd,
                                             const std::array<double, FLARE_ANTENNAS>& theta,
                                             const Geometry& g, PassRecord& record,
                                             const FlareEnded& ended) {
    Event event = 0;
    for (int i = 0; i < FLARE_ANTENNAS; ++i) {
        const double t = std::fabs(theta[i]);
        if (t < FLARE_THRESHOLD_DEG && record.flareStart[i] == 0.0) {
            record.flareMirror = i;
            record.flareStart[i] = jd;
            smallest_[i] = theta[i];
        } else if (t < FLARE_THRESHOLD_DEG) {
            if (theta[i] < smallest_[i]) smallest_[i] = theta[i];
        } else if (t > FLARE_THRESHOLD_DEG && record.flareStart[i] != 0.0 &&
                   record.flareEnd[i] == 0.0) {
            record.flareEnd[i] = jd;
            record.flareMagnitude = FlareMagnitude(smallest_[i]);
            record.flareElevation = g.elevationDeg;
            record.flareAzimuth = g.azimuthDeg;
            record.flareRange = g.rangeKm;
            event |= 1u << i;
            if (ended) ended(i, record);
        }
    }
    return event;
}

std::string FlareDetailsText(const std::string& startText, const PassRecord& record) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "Flare at: %s M: %0.1f Az: %0.1f El: %0.1f", startText.c_str(),
                  record.flareMagnitude, record.flareAzimuth, record.flareElevation);
    return buf;
}

}  // namespace orvanta

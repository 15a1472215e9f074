#include "skyview/sky_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvanta {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2.0;

int ClampChannel(double v) {
    // Truncated toward zero, then kept a valid channel.
    const int t = static_cast<int>(v);
    return std::clamp(t, 0, 255);
}

SkyRgb Rgb(double r, double g, double b) {
    return {ClampChannel(r), ClampChannel(g), ClampChannel(b)};
}

}  // namespace

bool IsNeswProjection(std::int32_t p) {
    return p == PROJECTION_POLAR_NESW || p == PROJECTION_STRETCHED_NESW;
}

bool IsPolarProjection(std::int32_t p) {
    return p == PROJECTION_POLAR_NWSE || p == PROJECTION_POLAR_NESW;
}

bool IsValidProjection(std::int32_t p) {
    return p >= PROJECTION_POLAR_NWSE && p <= PROJECTION_STRETCHED_NESW;
}

double DegToRadians(double degrees) {
    return degrees * kPi / 180.0;
}

double SkyRadius(double el, std::int32_t projection) {
    return IsPolarProjection(projection) ? std::cos(el) : (kHalfPi - el) / kHalfPi;
}

std::optional<SkyPoint> ProjectRadius(double az, double r, int width, int height,
                                      std::int32_t projection) {
    if (!IsValidProjection(projection)) return std::nullopt;
    const double cx = width / 2;
    const double cy = height / 2;
    const double dx = std::sin(az) * r * width * 0.5;
    SkyPoint p;
    p.x = static_cast<int>(IsNeswProjection(projection) ? dx + cx : cx - dx);
    p.y = static_cast<int>(cy - std::cos(az) * r * height * 0.5);
    return p;
}

std::optional<SkyPoint> Project(double az, double el, int width, int height,
                                std::int32_t projection) {
    if (!IsValidProjection(projection)) return std::nullopt;
    return ProjectRadius(az, SkyRadius(el, projection), width, height, projection);
}

std::vector<SkyPoint> TransformPolygon(const std::vector<std::array<double, 2>>& points,
                                       double angleDeg, double scale, int centreX, int centreY) {
    const double a = angleDeg / 57.2957795131;
    const double c = std::cos(a) * scale;
    const double s = std::sin(a) * scale;
    std::vector<SkyPoint> out;
    out.reserve(points.size());
    for (const auto& [u, v] : points)
        out.push_back({centreX + static_cast<int>(c * u - s * v),
                       centreY + static_cast<int>(s * u + c * v)});
    return out;
}

const std::vector<std::array<double, 2>>& FlareStarTemplate() {
    static const std::vector<std::array<double, 2>> t = {
        {0, 4}, {-1, 1}, {-4, 0}, {-1, -1}, {0, -4}, {1, -1}, {4, 0}, {1, 1}, {0, 4}};
    return t;
}

const std::vector<std::array<double, 2>>& HeadingCalloutTemplate() {
    static const std::vector<std::array<double, 2>> t = {
        {0, 0}, {100, 0}, {100, 50}, {60, 50}, {50, 66}, {40, 50}, {0, 50}, {0, 0}};
    return t;
}

std::optional<double> MagnitudeLimitForIndex(std::int32_t index) {
    switch (index) {
        case 6: return 6.5;
        case 5: return 5.5;
        case 4: return 4.5;
        case 3: return 3.5;
        case 2: return 2.5;
        case 1: return 1.0;
        default: return std::nullopt;
    }
}

int StarSizeClass(double m) {
    if (m <= 0.0) return 5;
    if (m > 5.0) return 1;
    if (m > 4.0) return 2;
    if (m > 3.0) return 3;
    if (m > 1.5) return 4;
    return 5;
}

PixelBox StarDiscBox(int x, int y, int s) {
    if (s <= 1) return {x, y, x + 1, y + 1};
    if (s == 2) return {x - 1, y - 1, x + 1, y + 1};
    if (s == 3) return {x - 2, y - 2, x + 1, y + 1};
    return {x - s / 2, y - s / 2, x + s / 2, y + s / 2};
}

StarHorizon StarPosition(double raHours, double decDegrees, double gastDeg, double latDeg,
                         double lonDeg) {
    const double h = DegToRadians(gastDeg + lonDeg - 15.0 * raHours);
    const double d = DegToRadians(decDegrees);
    const double phi = DegToRadians(latDeg);
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    StarHorizon out;
    out.azimuthFromSouth = std::atan2(std::sin(h), sinPhi * std::cos(h) - std::tan(d) * cosPhi);
    out.elevation = std::asin(std::sin(d) * sinPhi + std::cos(d) * cosPhi * std::cos(h));
    return out;
}

SkyRgb PlainSkyColour(double el) {
    if (el <= -6.0) return {0, 0, 64};
    if (el < 0.0) return {0, 0, static_cast<int>(255.0 + 31.8 * el)};
    if (el < 1.0) {
        const int v = static_cast<int>(108.0 * el);
        return {v, v, 255};
    }
    return {108, 108, 255};
}

RealSkyColours RealSkyPalette(double e, double previous) {
    if (e < -6.0) return {{0, 0, 64}, {32, 32, 64}, {32, 32, 64}};
    if (e >= 6.0) return {{63, 128, 255}, {102, 174, 255}, {196, 244, 255}};
    const bool rising = e > previous;
    if (rising) {
        if (e <= 0.0) {
            const double d = e + 6.0;
            return {{0, 0, 64},
                    Rgb(32 + 28.83333 * d, 32 + 28.66666 * d, 64 + 25.66666 * d),
                    Rgb(32 + 28.83333 * d, 32 + 28.83333 * d, 64 + 25.66667 * d)};
        }
        if (e < 3.0) {
            const double b = 3.0 - e;
            return {Rgb(62.32 * e, 64 * e, 64 + 50.666666 * e),
                    Rgb(205 - 34.32222 * b, 204 - 10 * b, 218 + 12.32222 * b),
                    Rgb(142 + 36.66666 * e, 80 + 35 * e, 92 + 2 * e)};
        }
        const double a = e - 3.0;
        return {Rgb(187 - 41.222222 * a, 192 - 21.222222 * a, 216 + 13 * a),
                {102, 174, 255},
                Rgb(252 - 18.66666 * a, 185 + 19.66666 * a, 98 + 52.322222 * a)};
    }
    if (e <= 0.0) {
        const double n = std::fabs(e);
        return {{0, 0, 64},
                Rgb(45 - 2.1666 * n, 83 - 8.5 * n, 148 - 14 * n),
                Rgb(142 - 18.33333 * n, 80 - 8 * n, 92 - 4.66667 * n)};
    }
    if (e < 3.0) {
        const double b = 3.0 - e;
        return {Rgb(187 - 62.32222 * b, 192 - 64 * b, 216 - 50.66666 * b),
                Rgb(108 - 21 * b, 143 - 20 * b, 202 - 18 * b),
                Rgb(240 - 32.66666 * b, 146 - 22 * b, 120 - 9.22222 * b)};
    }
    const double a = e - 3.0;
    return {Rgb(187 - 41.22222 * a, 192 - 21.22222 * a, 216 + 13 * a),
            Rgb(205 - 34.322222 * a, 204 - 10 * a, 218 + 12.322222 * a),
            Rgb(252 - 18.666666 * a, 185 + 19.166666 * a, 98 + 52.322222 * a)};
}

namespace {

// One Gouraud triangle whose two rim vertices share a colour: the colour runs linearly
// from the zenith colour at the centre vertex to the rim colour on the opposite edge.
// Pixels are sampled at their centres.
void FillWedge(std::uint32_t* pixels, int width, int height, int stride, double x0, double y0,
               double x1, double y1, double x2, double y2, const SkyRgb& zenith,
               const SkyRgb& rim) {
    const double area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (area == 0.0) return;
    const double sign = area > 0 ? 1.0 : -1.0;
    // Edge functions e(px, py) = a * px + b * py + c, non-negative inside.
    struct Edge {
        double a, b, c;
    };
    auto edge = [sign](double ax, double ay, double bx, double by) {
        Edge e{-(by - ay), bx - ax, 0.0};
        e.c = -(e.a * ax + e.b * ay);
        e.a *= sign, e.b *= sign, e.c *= sign;
        return e;
    };
    const Edge edges[3] = {edge(x0, y0, x1, y1), edge(x1, y1, x2, y2), edge(x2, y2, x0, y0)};
    // Weight of the centre vertex: the edge opposite it, normalised.
    const Edge& opposite = edges[1];
    const double norm = 1.0 / std::fabs(area);

    const int yTop = std::max(0, static_cast<int>(std::floor(std::min({y0, y1, y2}))));
    const int yBottom =
        std::min(height - 1, static_cast<int>(std::ceil(std::max({y0, y1, y2}))));
    const double dr = zenith.r - rim.r, dg = zenith.g - rim.g, db = zenith.b - rim.b;
    // Each edge bounds a row's span from the left (a > 0) or the right (a < 0) at
    // x = m * py + q; edges with a = 0 only decide whether the row is inside at all.
    struct Bound {
        double m, q;
    };
    Bound left[3], right[3];
    int nLeft = 0, nRight = 0;
    const Edge* flat[3];
    int nFlat = 0;
    for (const Edge& e : edges) {
        if (e.a > 0)
            left[nLeft++] = {-e.b / e.a, -e.c / e.a};
        else if (e.a < 0)
            right[nRight++] = {-e.b / e.a, -e.c / e.a};
        else
            flat[nFlat++] = &e;
    }
    for (int y = yTop; y <= yBottom; ++y) {
        const double py = y + 0.5;
        double lo = -1e30, hi = 1e30;
        bool empty = false;
        for (int i = 0; i < nLeft; ++i) lo = std::max(lo, left[i].m * py + left[i].q);
        for (int i = 0; i < nRight; ++i) hi = std::min(hi, right[i].m * py + right[i].q);
        for (int i = 0; i < nFlat; ++i) empty = empty || flat[i]->b * py + flat[i]->c < -1e-7;
        if (empty || lo > hi) continue;
        // Pixel centres on a shared edge belong to both wedges, so rounding never leaves
        // a gap between two of them.
        const int xFirst = std::max(0, static_cast<int>(std::ceil(lo - 0.5 - 1e-7)));
        const int xLast = std::min(width - 1, static_cast<int>(std::floor(hi - 0.5 + 1e-7)));
        if (xFirst > xLast) continue;
        std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        // The centre weight runs linearly along the row: step it in 16.16 fixed point.
        const double w0 = (opposite.a * (xFirst + 0.5) + opposite.b * py + opposite.c) * norm;
        const double dw = opposite.a * norm;
        const double w1 = w0 + dw * (xLast - xFirst);
        if (w0 >= 0.0 && w0 <= 1.0 && w1 >= 0.0 && w1 <= 1.0) {
            auto fixed = [](double v) { return static_cast<std::int32_t>(v * 65536.0); };
            std::int32_t r = fixed(rim.r + dr * w0), g = fixed(rim.g + dg * w0),
                         b = fixed(rim.b + db * w0);
            const std::int32_t rs = fixed(dr * dw), gs = fixed(dg * dw), bs = fixed(db * dw);
            for (int x = xFirst; x <= xLast; ++x, r += rs, g += gs, b += bs)
                row[x] = 0xFF000000u | static_cast<std::uint32_t>(r >> 16) << 16 |
                         static_cast<std::uint32_t>(g >> 16) << 8 |
                         static_cast<std::uint32_t>(b >> 16);
            continue;
        }
        double w = w0;
        for (int x = xFirst; x <= xLast; ++x, w += dw) {
            const double t = std::clamp(w, 0.0, 1.0);
            const auto r = static_cast<std::uint32_t>(rim.r + dr * t);
            const auto g = static_cast<std::uint32_t>(rim.g + dg * t);
            const auto b = static_cast<std::uint32_t>(rim.b + db * t);
            row[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
}

}  // namespace

void RenderRealSky(std::uint32_t* pixels, int width, int height, int stride, double sunAzDeg,
                   const RealSkyColours& colours, std::int32_t projection) {
    if (width <= 0 || height <= 0) return;
    double s = sunAzDeg;
    while (s > 360.0) s -= 360.0;
    while (s < 0.0) s += 360.0;
    const double sigma = IsNeswProjection(projection) ? DegToRadians(s) : -DegToRadians(s);
    const double cx = width / 2;
    const double cy = height / 2;
    constexpr double kStep = 0.017453292519943295;
    // Rim vertex j at -j degrees. Wedge k runs from vertex k to the vertex one degree on
    // (k - 1), taken from the same table: computing theta + 1 degree afresh can truncate
    // to a neighbouring pixel and leave a dark sliver between two wedges.
    std::array<SkyPoint, 360> rimPoint;
    for (int j = 0; j < 360; ++j) {
        const double theta = -j * kStep;
        rimPoint[j] = {static_cast<int>(std::sin(theta) * cx + cx),
                       static_cast<int>(cy - std::cos(theta) * cy)};
    }
    for (int k = 0; k < 360; ++k) {
        const double theta = -k * kStep;
        const double c = std::max(0.0, std::cos(theta - sigma));
        const SkyRgb rim = {static_cast<int>(colours.away.r + (colours.toward.r - colours.away.r) * c),
                            static_cast<int>(colours.away.g + (colours.toward.g - colours.away.g) * c),
                            static_cast<int>(colours.away.b + (colours.toward.b - colours.away.b) * c)};
        const SkyPoint a = rimPoint[k];
        const SkyPoint b = rimPoint[(k + 359) % 360];
        FillWedge(pixels, width, height, stride, cx, cy, a.x, a.y, b.x, b.y, colours.zenith, rim);
    }
}

std::vector<CompassLetter> CompassLetters(int heading, int width, int height,
                                          std::int32_t projection) {
    std::vector<CompassLetter> out;
    if (!IsValidProjection(projection)) return out;
    const int h10 = 10 * heading;
    auto at = [&](double azDeg, double r) {
        return *ProjectRadius(DegToRadians(azDeg), r, width, height, projection);
    };
    out.push_back({'N', at(heading, 1.0), h10, h10});
    out.push_back({'S', at(heading + 180.0, 1.0), h10 + 1800, h10 + 1800});
    if (IsNeswProjection(projection)) {
        // The opposite azimuth at the Polar factor cos(10 rad) = -0.839 lands on the right
        // side at 0.839 of the radius; both NESW projections use these points.
        const double r = std::cos(10.0);
        out.push_back({'W', at(heading + 90.0, r), 900 - h10, h10 + 900});
        out.push_back({'E', at(heading + 270.0, r), 2700 - h10, h10 + 2700});
    } else {
        out.push_back({'W', at(heading + 270.0, 1.0), h10 + 2700, h10 + 2700});
        out.push_back({'E', at(heading + 90.0, 1.0), h10 + 900, h10 + 900});
    }
    return out;
}

std::vector<ElevationRing> ElevationRings(int heading, int width, int height,
                                          std::int32_t projection) {
    std::vector<ElevationRing> out;
    if (!IsValidProjection(projection)) return out;
    const int cx = width / 2, cy = height / 2;
    for (int e : {80, 60, 40, 20, 10}) {
        const SkyPoint p = *Project(DegToRadians(270.0), DegToRadians(e), width, height, projection);
        const SkyPoint q = *Project(0.0, DegToRadians(e), width, height, projection);
        const int x1 = p.x, y1 = q.y, x2 = 2 * cx - p.x, y2 = 2 * cy - q.y;
        ElevationRing ring;
        ring.elevation = e;
        ring.box = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
        ring.labelAt =
            *Project(DegToRadians(heading - 45.0), DegToRadians(e), width, height, projection);
        ring.labelEscapement = IsNeswProjection(projection) ? 10 * (45 - heading)
                                                            : 10 * (heading - 45);
        out.push_back(ring);
    }
    return out;
}

LabelPlacement PlaceSatelliteLabels(int x, int y, int tw, int th, int width, int height) {
    const int hw = tw / 2, hh = th / 2;
    const int below1 = static_cast<int>(y + 1.5 * th);
    if (x - hw < 0) return {{hw, y + hh}, {hw, below1}};
    if (x + hw > width) return {{width - hw, y + hh}, {width - hw, below1}};
    if (y + 2.5 * th > height)
        return {{x, static_cast<int>(y - 1.5 * th)}, {x, static_cast<int>(y - 2.5 * th)}};
    return {{x, y + hh}, {x, below1}};
}

double FlareMarkerScale(double magnitude) {
    return magnitude > -1.0 ? 2.0 : 2.0 + std::fabs(magnitude) * 0.25;
}

int HeadingIndicatorValue(int heading, std::int32_t) {
    // Every projection draws azimuth + heading, so the top of the chart (screen azimuth 0)
    // faces the azimuth -heading in all four.
    return ((-heading % 360) + 360) % 360;
}

std::string HeadingIndicatorText(int heading, std::int32_t projection) {
    char text[32];
    // "%0.3d°": the zero flag is redundant with a precision, so "%.3d" prints the same.
    std::snprintf(text, sizeof text, "%.3d\xC2\xB0", HeadingIndicatorValue(heading, projection));
    return text;
}

int DragHeading(int heading, int previousX, int x, int y, int height) {
    const int from = previousX != 0 ? previousX : x;
    heading += y > height / 2 ? x - from : from - x;
    // A fast sweep can move further than one turn between two mouse events; the heading
    // stays in 1 ... 360 whatever the step.
    while (heading <= 0) heading += 360;
    while (heading > 360) heading -= 360;
    return heading;
}

}  // namespace orvanta

#include "earthview/daynight.h"

#include <algorithm>
#include <cmath>

#include "astro/sun_moon.h"
#include "orbit/globals.h"

namespace orvanta {

SunGeometry SunGeometryAt(double julianDate) {
    SunGeometry sun;
    sun.gastRad = ApparentSiderealTime(julianDate) * DEG_TO_RAD;
    SunEquatorialRadians(julianDate, sun.raRad, sun.decRad);
    return sun;
}

namespace {

inline int Trunc(double v) { return static_cast<int>(v); }

// Both passes build the angles with the same operations in the same order, so they see
// bit-identical sines.
inline double RowLatitude(int row, int height) { return PI / 2 - (row + 0.5) * PI / height; }
inline double ColumnHourAngle(const SunGeometry& sun, int column, int width) {
    const double lambda = (column + 0.5) * TWOPI / width - PI;
    return sun.gastRad + lambda - sun.raRad;
}

inline std::uint32_t Night(std::uint32_t n, int cloud) {
    if (cloud < 0) return n;
    const int floor = cloud / 3;
    return PixelRgb(std::max(RedOf(n), floor), std::max(GreenOf(n), floor), std::max(BlueOf(n), floor));
}

inline std::uint32_t Day(std::uint32_t d, int cloud) {
    if (cloud < 0) return d;
    return PixelRgb(std::max(RedOf(d), cloud), std::max(GreenOf(d), cloud), std::max(BlueOf(d), cloud));
}

inline std::uint32_t Twilight(std::uint32_t n, std::uint32_t d, double h, int cloud) {
    const double u = std::min(1.0, h * kTwilightScale);
    auto mix = [u](int nc, int dc) { return std::min(255, Trunc((1 - u) * nc + u * dc)); };
    int r = mix(RedOf(n), RedOf(d));
    int g = mix(GreenOf(n), GreenOf(d));
    int b = mix(BlueOf(n), BlueOf(d));
    if (cloud >= 0) {
        const double k = std::max(static_cast<double>(cloud / 3), cloud * u);
        const int kt = Trunc(k);
        if (r < k) r = kt;
        if (g < k) g = kt;
        if (b < k) b = kt;
    }
    return PixelRgb(r, g, b);
}

inline int CloudAt(const PixelImage* clouds, std::size_t index) {
    return clouds ? RedOf(clouds->pixels[index]) : -1;
}

}  // namespace

std::uint32_t ComposePixel(std::uint32_t night, std::uint32_t day, double h, int cloud) {
    if (h < 0) return Night(night, cloud);
    if (h < kTwilightAltitude) return Twilight(night, day, h, cloud);
    return Day(day, cloud);
}

double SunAltitudeAt(const SunGeometry& sun, int column, int row, int width, int height) {
    const double phi = RowLatitude(row, height);
    const double hourAngle = ColumnHourAngle(sun, column, width);
    return std::asin(std::sin(phi) * std::sin(sun.decRad) +
                     std::cos(phi) * std::cos(sun.decRad) * std::cos(hourAngle));
}

DayNightCompositor::DayNightCompositor(const PixelImage& day, const PixelImage& night,
                                       const PixelImage* clouds, const SunGeometry& sun)
    : day_(day), night_(night), clouds_(clouds), sun_(sun), width_(day.width),
      height_(day.height) {
    cosHourAngle_.resize(static_cast<std::size_t>(std::max(0, width_)));
    for (int j = 0; j < width_; ++j) cosHourAngle_[j] = std::cos(ColumnHourAngle(sun_, j, width_));
    // asin is monotonic, so sin h above this bound is surely day. The margin keeps pixels
    // whose rounded arcsine might land on either side of the threshold on the exact path.
    sinTwilight_ = std::sin(kTwilightAltitude) + 1e-9;
}

void DayNightCompositor::ComposeRow(int row, PixelImage& out) const {
    const double phi = RowLatitude(row, height_);
    const double a = std::sin(phi) * std::sin(sun_.decRad);
    const double b = std::cos(phi) * std::cos(sun_.decRad);
    const std::size_t base = static_cast<std::size_t>(row) * width_;
    const std::uint32_t* n = &night_.pixels[base];
    const std::uint32_t* d = &day_.pixels[base];
    std::uint32_t* o = &out.pixels[base];
    for (int j = 0; j < width_; ++j) {
        const double s = a + b * cosHourAngle_[j];
        const int cloud = CloudAt(clouds_, base + j);
        if (s < 0)
            o[j] = Night(n[j], cloud);
        else if (s > sinTwilight_)
            o[j] = Day(d[j], cloud);
        else
            o[j] = ComposePixel(n[j], d[j], std::asin(s), cloud);
    }
}

void DayNightCompositor::ComposeAll(PixelImage& out) const {
    for (int i = 0; i < height_; ++i) ComposeRow(i, out);
}

namespace {

bool Usable(const PixelImage& day, const PixelImage& night, const PixelImage* clouds) {
    if (day.Empty() || night.width != day.width || night.height != day.height) return false;
    return !clouds || (clouds->width == day.width && clouds->height == day.height);
}

}  // namespace

PixelImage ComposeDayNight(const PixelImage& day, const PixelImage& night,
                           const PixelImage* clouds, double julianDate) {
    if (!Usable(day, night, clouds)) return day;
    PixelImage out(day.width, day.height);
    DayNightCompositor(day, night, clouds, SunGeometryAt(julianDate)).ComposeAll(out);
    return out;
}

PixelImage ComposeDayNightReference(const PixelImage& day, const PixelImage& night,
                                    const PixelImage* clouds, double julianDate) {
    if (!Usable(day, night, clouds)) return day;
    const SunGeometry sun = SunGeometryAt(julianDate);
    PixelImage out(day.width, day.height);
    for (int i = 0; i < day.height; ++i)
        for (int j = 0; j < day.width; ++j) {
            const std::size_t k = static_cast<std::size_t>(i) * day.width + j;
            out.pixels[k] = ComposePixel(night.pixels[k], day.pixels[k],
                                         SunAltitudeAt(sun, j, i, day.width, day.height),
                                         CloudAt(clouds, k));
        }
    return out;
}

PixelImage CloudLayerFrom(const PixelImage& cloudMap, int width, int height) {
    PixelImage layer(width, height);
    const int w = std::min(width, cloudMap.width);
    const int h = std::min(height, cloudMap.height);
    for (int y = 0; y < h; ++y)
        std::copy_n(&cloudMap.pixels[static_cast<std::size_t>(y) * cloudMap.width], w,
                    &layer.pixels[static_cast<std::size_t>(y) * width]);
    return layer;
}

}  // namespace orvanta
